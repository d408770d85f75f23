#include "transport/ant/wire/AntDataBody.h"

Status WriteAntData(CAntPacketWriter& writer, const void* payload, std::uint32_t length)
{
    if (length == 0 || payload == nullptr) {
        return ST_INVALID_PARAM;
    }
    return writer.WriteBytes(payload, length);
}

Status ReadAntData(CAntPacketReader& reader, const std::uint8_t*& payload, std::uint32_t& length)
{
    payload = nullptr;
    length = 0;
    if (reader.GetStatus() != ST_SUCCESS) {
        return reader.GetStatus();
    }
    const std::uint32_t remaining = reader.GetRemaining();
    if (remaining == 0) {
        return reader.Skip(1);
    }
    payload = reader.GetCurrent();
    length = remaining;
    return reader.Skip(remaining);
}
