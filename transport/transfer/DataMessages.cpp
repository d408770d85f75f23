#include "transport/transfer/DataMessages.h"

#include "infra/MessageWriter.h"

#include <cstring>

namespace {

using sti::CMessageReader;
using sti::CMessageWriter;

Status WriteU64(CMessageWriter& writer, std::uint64_t value)
{
    // A failed field sticks in the writer; the last write's result covers both.
    (void)writer.WriteU32(static_cast<std::uint32_t>(value));
    return writer.WriteU32(static_cast<std::uint32_t>(value >> 32));
}

Status ReadU64(CMessageReader& reader, std::uint64_t& value)
{
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    // A failed field sticks in the reader, checked once at the end.
    (void)reader.ReadU32(low);
    (void)reader.ReadU32(high);
    value = (std::uint64_t(high) << 32) | low;
    return reader.HasError() ? ST_OUT_OF_BOUNDS : ST_SUCCESS;
}

Status WriteString(CMessageWriter& writer, const std::string& text)
{
    if (text.size() >= 0xFFFF) {
        return ST_OUT_OF_BOUNDS;
    }
    // A failed field sticks in the writer; the last write's result covers all three.
    (void)writer.WriteU16(static_cast<std::uint16_t>(text.size() + 1));
    (void)writer.Write(text.data(), static_cast<std::uint32_t>(text.size()));
    return writer.WriteU8(0);
}

// The text ends at the first zero of its n bytes; n = 0 (no terminator at all) is the empty
// text, like n = 1.
Status ReadString(CMessageReader& reader, std::string& text)
{
    std::uint16_t count = 0;
    Status status = reader.ReadU16(count);
    if (status != ST_SUCCESS) {
        return status;
    }
    if (count > reader.GetRemaining()) {
        return reader.Skip(count); // fails and marks the reader
    }
    const char* at = reinterpret_cast<const char*>(reader.GetCurrent());
    const void* zero = std::memchr(at, 0, count);
    const std::size_t length = zero == nullptr ? count : static_cast<const char*>(zero) - at;
    text.assign(at, length);
    return reader.Skip(count);
}

// Every writer leaves the first failure in the writer's error flag, so the fields can be
// chained and checked once.
template <class Body>
Status Build(DataMessageBlock& block, std::uint32_t type, Body body)
{
    block.Used = 0;
    CMessageWriter writer(block, DATA_MESSAGE_HEADER_SIZE);
    Status status = body(writer);
    if (status == ST_SUCCESS && writer.HasError()) {
        status = ST_OUT_OF_BOUNDS;
    }
    if (status != ST_SUCCESS) {
        return status;
    }
    return FinishDataMessage(block, type);
}

Status Result(const CMessageReader& reader)
{
    return reader.HasError() ? ST_OUT_OF_BOUNDS : ST_SUCCESS;
}

} // namespace

Status WriteDataBlock(DataMessageBlock& block, const SDataBlock& body)
{
    return Build(block, DATA_MSG_DATA_BLOCK, [&body](CMessageWriter& writer) {
        // A failed field sticks in the writer, checked once at the end.
        (void)writer.WriteU32(body.Compression);
        (void)writer.Write(body.Checksum, sizeof(body.Checksum));
        (void)WriteU64(writer, body.Offset);
        (void)writer.WriteU32(body.Length);
        return writer.Write(body.Payload, body.Length);
    });
}

Status WriteRangeRequest(DataMessageBlock& block, std::uint64_t first, std::uint64_t end)
{
    return Build(block, DATA_MSG_RANGE_REQUEST, [first, end](CMessageWriter& writer) {
        // A failed field sticks in the writer, checked once at the end.
        (void)WriteU64(writer, first);
        return WriteU64(writer, end);
    });
}

Status WriteFileRequest(DataMessageBlock& block, const std::uint8_t id[TRANSFER_ID_SIZE])
{
    return Build(block, DATA_MSG_FILE_REQUEST,
                 [id](CMessageWriter& writer) { return writer.Write(id, TRANSFER_ID_SIZE); });
}

Status WriteFileInfo(DataMessageBlock& block, const std::uint8_t id[TRANSFER_ID_SIZE], const TransferFileList& entries)
{
    if (entries.size() > 0xFFFF) {
        return ST_OUT_OF_BOUNDS;
    }
    return Build(block, DATA_MSG_FILE_INFO, [id, &entries](CMessageWriter& writer) {
        // A failed field sticks in the writer, checked once at the end.
        (void)writer.Write(id, TRANSFER_ID_SIZE);
        (void)writer.WriteU16(static_cast<std::uint16_t>(entries.size()));
        for (const STransferFileEntry& entry : entries) {
            // A failed field sticks in the writer, checked once at the end.
            (void)writer.Write(entry.Id, TRANSFER_ID_SIZE);
            Status status = WriteString(writer, entry.Name);
            if (status != ST_SUCCESS) {
                return status;
            }
            // A failed field sticks in the writer, checked once at the end.
            (void)WriteU64(writer, entry.Size);
            if (writer.HasError()) {
                return ST_OUT_OF_BOUNDS;
            }
        }
        return ST_SUCCESS;
    });
}

Status WriteRangeEnd(DataMessageBlock& block, std::uint32_t value)
{
    return Build(block, DATA_MSG_RANGE_END, [value](CMessageWriter& writer) { return writer.WriteU32(value); });
}

Status WriteClose(DataMessageBlock& block, std::uint32_t reason)
{
    return Build(block, DATA_MSG_CLOSE, [reason](CMessageWriter& writer) { return writer.WriteU32(reason); });
}

Status ReadDataBlock(CMessageReader& reader, SDataBlock& body)
{
    // A failed field sticks in the reader, checked once at the end.
    (void)reader.ReadU32(body.Compression);
    (void)reader.Read(body.Checksum, sizeof(body.Checksum));
    (void)ReadU64(reader, body.Offset);
    (void)reader.ReadU32(body.Length);
    if (reader.HasError()) {
        return ST_OUT_OF_BOUNDS;
    }
    body.Payload = reader.GetCurrent();
    return reader.Skip(body.Length);
}

Status ReadRangeRequest(CMessageReader& reader, std::uint64_t& first, std::uint64_t& end)
{
    // A failed field sticks in the reader, checked once at the end.
    (void)ReadU64(reader, first);
    (void)ReadU64(reader, end);
    return Result(reader);
}

Status ReadFileRequest(CMessageReader& reader, std::uint8_t id[TRANSFER_ID_SIZE])
{
    return reader.Read(id, TRANSFER_ID_SIZE);
}

Status ReadFileInfo(CMessageReader& reader, SFileInfo& info)
{
    info.Entries.clear();
    std::uint16_t count = 0;
    // A failed field sticks in the reader, checked once at the end.
    (void)reader.Read(info.Id, TRANSFER_ID_SIZE);
    if (reader.ReadU16(count) != ST_SUCCESS) {
        return ST_OUT_OF_BOUNDS;
    }
    // A count the message cannot hold is refused before anything is allocated for it.
    if (std::uint32_t(count) * MIN_FILE_ENTRY_SIZE > reader.GetRemaining()) {
        return ST_OUT_OF_BOUNDS;
    }
    info.Entries.resize(count);
    for (STransferFileEntry& entry : info.Entries) {
        // A failed field sticks in the reader, checked once at the end.
        (void)reader.Read(entry.Id, TRANSFER_ID_SIZE);
        (void)ReadString(reader, entry.Name);
        (void)ReadU64(reader, entry.Size);
        if (reader.HasError()) {
            info.Entries.clear();
            return ST_OUT_OF_BOUNDS;
        }
    }
    return ST_SUCCESS;
}

Status ReadRangeEnd(CMessageReader& reader, std::uint32_t& value)
{
    return reader.ReadU32(value);
}

Status ReadClose(CMessageReader& reader, std::uint32_t& reason)
{
    return reader.ReadU32(reason);
}
