#pragma once
// Bodies of the data messages, one writer and one reader per type, fields in host
// (little-endian) order without padding. A u64 is its low u32 then its high u32; an id is
// 16 raw bytes; a string is u16 n, then n bytes that end with the terminating zero.
//
// Each writer builds a whole message in an empty block (body from byte 4, then the
// header); each reader takes a reader standing just behind the header. Both return
// ST_SUCCESS or the first failure, ST_OUT_OF_BOUNDS when a field passes the message.

#include "infra/MessageReader.h"
#include "infra/Status.h"
#include "transport/transfer/DataMessageHeader.h"
#include "transport/transfer/TransferEntry.h"

#include <cstdint>

// Largest uncompressed chunk of a file that one DataBlock carries.
constexpr std::uint32_t MAX_CHUNK_SIZE = 65536;
// Bytes of a DataBlock before its payload: header, compression, checksum, offset, length.
constexpr std::uint32_t DATA_BLOCK_FIXED_SIZE = DATA_MESSAGE_HEADER_SIZE + 4 + 4 + 8 + 4;
constexpr std::uint32_t MAX_DATA_BLOCK_PAYLOAD = DATA_MESSAGE_MAX_LENGTH - DATA_BLOCK_FIXED_SIZE;

enum BlockCompression : std::uint32_t {
    BLOCK_RAW = 0,
    BLOCK_BZIP2 = 1
};

// Smallest FileInfo entry: id, an empty string's count, size. The entry count a reader
// accepts is bounded by what the rest of the message can hold.
constexpr std::uint32_t MIN_FILE_ENTRY_SIZE = TRANSFER_ID_SIZE + 2 + 8;
constexpr std::uint32_t MAX_FILE_INFO_ENTRIES = (DATA_MESSAGE_MAX_BODY - TRANSFER_ID_SIZE - 2) / MIN_FILE_ENTRY_SIZE;

struct SDataBlock {
    std::uint32_t Compression = BLOCK_BZIP2;
    std::uint8_t Checksum[4] = {}; // digest bytes as they stand
    std::uint64_t Offset = 0;
    std::uint32_t Length = 0;              // payload bytes
    const std::uint8_t* Payload = nullptr; // not owned; a reader points it into the message
};

struct SFileInfo {
    std::uint8_t Id[TRANSFER_ID_SIZE] = {};
    TransferFileList Entries;
};

Status WriteDataBlock(DataMessageBlock& block, const SDataBlock& body);
Status WriteRangeRequest(DataMessageBlock& block, std::uint64_t first, std::uint64_t end);
Status WriteFileRequest(DataMessageBlock& block, const std::uint8_t id[TRANSFER_ID_SIZE]);
// More than 65535 entries fail with ST_OUT_OF_BOUNDS; a name longer than 65534 bytes too.
Status WriteFileInfo(DataMessageBlock& block, const std::uint8_t id[TRANSFER_ID_SIZE], const TransferFileList& entries);
Status WriteRangeEnd(DataMessageBlock& block, std::uint32_t value);
Status WriteClose(DataMessageBlock& block, std::uint32_t reason);

Status ReadDataBlock(sti::CMessageReader& reader, SDataBlock& body);
Status ReadRangeRequest(sti::CMessageReader& reader, std::uint64_t& first, std::uint64_t& end);
Status ReadFileRequest(sti::CMessageReader& reader, std::uint8_t id[TRANSFER_ID_SIZE]);
// A count that the rest of the message cannot hold fails before any entry is read.
Status ReadFileInfo(sti::CMessageReader& reader, SFileInfo& info);
Status ReadRangeEnd(sti::CMessageReader& reader, std::uint32_t& value);
Status ReadClose(sti::CMessageReader& reader, std::uint32_t& reason);
