#include "transport/transfer/DataMessageHeader.h"

namespace {

std::uint32_t GetU32(const std::uint8_t* at)
{
    return std::uint32_t(at[0]) | (std::uint32_t(at[1]) << 8) | (std::uint32_t(at[2]) << 16) |
           (std::uint32_t(at[3]) << 24);
}

} // namespace

std::uint32_t ValidateDataMessageHeader(std::uint32_t value)
{
    const std::uint32_t length = value >> 8;
    return length < DATA_MESSAGE_HEADER_SIZE || length > DATA_MESSAGE_MAX_LENGTH ? 0 : length;
}

Status WriteDataMessageHeader(std::uint8_t* data, std::uint32_t length, std::uint32_t type)
{
    if (length < DATA_MESSAGE_HEADER_SIZE || length > DATA_MESSAGE_MAX_LENGTH || type > 0xFF) {
        return ST_OUT_OF_BOUNDS;
    }
    const std::uint32_t value = (length << 8) | type;
    data[0] = std::uint8_t(value);
    data[1] = std::uint8_t(value >> 8);
    data[2] = std::uint8_t(value >> 16);
    data[3] = std::uint8_t(value >> 24);
    return ST_SUCCESS;
}

Status FinishDataMessage(DataMessageBlock& block, std::uint32_t type)
{
    if (block.Used < DATA_MESSAGE_HEADER_SIZE) {
        block.Used = DATA_MESSAGE_HEADER_SIZE;
    }
    return WriteDataMessageHeader(block.Data, block.Used, type);
}

std::uint32_t sti::MessageHeaderTraits<CTNDataMessageHeader>::GetMessageLength(const std::uint8_t* header)
{
    return ValidateDataMessageHeader(GetU32(header));
}

Status sti::MessageHeaderTraits<CTNDataMessageHeader>::Decode(CMessageReader& reader, CTNDataMessageHeader& header)
{
    std::uint32_t value = 0;
    Status status = reader.ReadU32(value);
    if (status != ST_SUCCESS) {
        return status;
    }
    header.Length = value >> 8;
    header.Type = value & 0xFF;
    return ST_SUCCESS;
}
