// Feeds arbitrary bytes to the receiving side of the data messages: every body reader, and the
// download handler's message path (blocks, file descriptions, range ends, closes) with a
// session that runs and a range that was asked for.
//
// Input layout: byte 0 flags (bit 0: describe a file first, bit 1: give each DataBlock the
// checksum of what it carries, so the fuzzer gets past the integrity check), bytes 1-4 the
// start and bytes 5-8 the length of the range the callback asks for (u32, little-endian),
// then data messages as they would arrive on the connection.
#include "infra/MessageReader.h"
#include "infra/PollableObject.h"
#include "transport/transfer/Bzip2.h"
#include "transport/transfer/Checksum.h"
#include "transport/transfer/DataMessages.h"
#include "transport/transfer/DownloadHandler.h"
#include "transport/transfer/TransportCallback.h"
#include "transport/transfer/TransportSession.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Reports the line of the broken expectation before the fuzzer records the input.
#define Check(condition) CheckAt((condition), __LINE__)

void CheckAt(bool condition, int line)
{
    if (!condition) {
        std::fprintf(stderr, "check failed at line %d\n", line);
        std::abort();
    }
}

std::uint32_t GetU32(const std::uint8_t* at)
{
    return std::uint32_t(at[0]) | (std::uint32_t(at[1]) << 8) | (std::uint32_t(at[2]) << 16) |
           (std::uint32_t(at[3]) << 24);
}

// A connection that takes every byte and never has any to read.
class CSinkStream : public sti::IRWPollableObject {
public:
    STI_OS::SocketHandle GetHandle() const override { return STI_OS::INVALID_SOCKET_HANDLE; }
    bool IsOpen() const override { return true; }
    bool SetNonBlocking() override { return true; }
    bool IsNonBlocking() const override { return true; }
    void Close() override {}
    Status Read(std::uint32_t, void*, std::uint32_t& count) override
    {
        count = 0;
        return ST_TRY_LATER;
    }
    Status Write(std::uint32_t length, const void*, std::uint32_t& count) override
    {
        count = length;
        return ST_SUCCESS;
    }
};

class CFuzzDownload : public IDownloadCallback {
public:
    CFuzzDownload(std::uint64_t start, std::uint64_t end) : m_start(start), m_end(end) {}

    void OnConnected(const std::uint32_t*) override {}
    void OnClosed(int by, std::uint32_t) override { Check(by == 0 || by == 1); }
    void SetSessionStatus(int status) override { Check(status >= 0 && status <= 5); }
    std::uint32_t AddRef() override { return ++refs; }
    void Release() override
    {
        Check(refs > 0);
        --refs;
    }
    void OnFileInfo(const std::uint8_t*, const TransferFileList& entries) override
    {
        Check(!entries.empty() && entries.size() <= MAX_FILE_INFO_ENTRIES);
    }
    // Only a range that was asked for ends, and only once.
    Status OnRangeEnd() override
    {
        Check(rangeOpen);
        rangeOpen = false;
        return ST_MORE_DATA;
    }
    void OnBlock(std::uint32_t low, std::uint32_t high, std::uint32_t length, const std::uint8_t* data) override
    {
        const std::uint64_t offset = (std::uint64_t(high) << 32) | low;
        Check(rangeOpen);
        Check(length > 0 && length <= MAX_CHUNK_SIZE);
        Check(offset >= m_start && offset <= m_end && length <= m_end - offset);
        volatile std::uint8_t sum = 0;
        for (std::uint32_t i = 0; i < length; ++i) {
            sum = static_cast<std::uint8_t>(sum + data[i]);
        }
        ++blocks;
    }
    void OnNotice(int) override {}
    Status GetNextRange(std::uint64_t* start, std::uint64_t* end) override
    {
        *start = m_start;
        *end = m_end;
        rangeOpen = true;
        return ST_SUCCESS;
    }

    std::uint32_t refs = 0;
    bool rangeOpen = false;
    int blocks = 0;

private:
    std::uint64_t m_start;
    std::uint64_t m_end;
};

class CFuzzManager : public ISessionManagerBase {
public:
    Status OnTimer(int, const sti::CTimeValue&, void*) override { return ST_SUCCESS; }
    Status RemoveSession(CTransportSession* session) override
    {
        Check(session == live);
        live = nullptr;
        return ST_SUCCESS;
    }
    Status RestartSession(CTransportSession*) override { return ST_SUCCESS; }

    CTransportSession* live = nullptr;
};

void ExerciseReaders(const std::uint8_t* body, std::uint32_t length)
{
    {
        sti::CMessageReader reader(body, length);
        SDataBlock block;
        if (ReadDataBlock(reader, block) == ST_SUCCESS) {
            Check(block.Payload >= body && block.Payload + block.Length <= body + length);
        }
    }
    {
        sti::CMessageReader reader(body, length);
        std::uint64_t first = 0;
        std::uint64_t end = 0;
        Check(ReadRangeRequest(reader, first, end) == (length >= 16 ? ST_SUCCESS : ST_OUT_OF_BOUNDS));
    }
    {
        sti::CMessageReader reader(body, length);
        std::uint8_t id[TRANSFER_ID_SIZE];
        // Fuzzed bodies: any outcome will do, only a read past the body would not.
        (void)ReadFileRequest(reader, id);
        std::uint32_t value = 0;
        (void)ReadRangeEnd(reader, value);
        (void)ReadClose(reader, value);
    }
    {
        sti::CMessageReader reader(body, length);
        SFileInfo info;
        if (ReadFileInfo(reader, info) == ST_SUCCESS) {
            Check(info.Entries.size() <= MAX_FILE_INFO_ENTRIES);
            // What was read writes back (when it fits) and reads the same again.
            std::vector<std::uint8_t> storage(sizeof(DataMessageBlock));
            DataMessageBlock* again = reinterpret_cast<DataMessageBlock*>(storage.data());
            if (WriteFileInfo(*again, info.Id, info.Entries) == ST_SUCCESS) {
                sti::CMessageReader second(again->Data + 4, again->Used - 4);
                SFileInfo copy;
                Check(ReadFileInfo(second, copy) == ST_SUCCESS);
                Check(copy.Entries.size() == info.Entries.size());
                for (std::size_t i = 0; i < copy.Entries.size(); ++i) {
                    Check(copy.Entries[i].Name == info.Entries[i].Name);
                    Check(copy.Entries[i].Size == info.Entries[i].Size);
                    Check(std::memcmp(copy.Entries[i].Id, info.Entries[i].Id, TRANSFER_ID_SIZE) == 0);
                }
            }
        } else {
            Check(info.Entries.empty());
        }
    }
}

// Gives a DataBlock the checksum of the bytes it stands for.
void FixChecksum(std::uint8_t* body, std::uint32_t length, std::vector<std::uint8_t>& scratch)
{
    sti::CMessageReader reader(body, length);
    SDataBlock block;
    if (ReadDataBlock(reader, block) != ST_SUCCESS) {
        return;
    }
    const std::uint8_t* data = block.Payload;
    std::uint32_t size = block.Length;
    if (block.Compression == BLOCK_BZIP2) {
        if (Bzip2Decompress(block.Payload, block.Length, scratch.data(), MAX_CHUNK_SIZE, size) != ST_SUCCESS) {
            return;
        }
        data = scratch.data();
    }
    Check(CChecksum().Compute(data, size, body + 4) == ST_SUCCESS);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 9) {
        return 0;
    }
    const std::uint8_t flags = data[0];
    const std::uint64_t start = GetU32(data + 1);
    const std::uint64_t end = start + GetU32(data + 5);
    std::vector<std::uint8_t> stream(data + 9, data + size);
    std::vector<std::uint8_t> scratch(MAX_CHUNK_SIZE);

    static const std::uint8_t FILE_ID[TRANSFER_ID_SIZE] = {1, 2, 3};
    CFuzzDownload record(start, end);
    CFuzzManager manager;
    CSinkStream connection;
    CTransportSession* session = new CTransportSession(&manager, &record, FILE_ID, FILE_ID);
    manager.live = session;
    session->SetStatus(SESSION_STATUS_RUNNING);
    CDownloadHandler* handler = new CDownloadHandler(session);
    Check(handler->OnAttach(&connection) == ST_SUCCESS);

    if (flags & 1) {
        DataMessageBlock* info = DataMessageAllocator::Allocate();
        TransferFileList entries(1);
        entries[0].Size = end;
        Check(WriteFileInfo(*info, FILE_ID, entries) == ST_SUCCESS);
        sti::CMessageReader reader(*info);
        CTNDataMessageHeader header;
        Check(sti::MessageHeaderTraits<CTNDataMessageHeader>::Decode(reader, header) == ST_SUCCESS);
        Check(handler->DeliverMessage(header, reader) == ST_SUCCESS);
        DataMessageAllocator::Free(info);
    }

    std::size_t at = 0;
    while (stream.size() - at >= DATA_MESSAGE_HEADER_SIZE) {
        const std::uint32_t value = GetU32(stream.data() + at);
        const std::uint32_t length = ValidateDataMessageHeader(value);
        if (length == 0 || length > stream.size() - at) {
            break;
        }
        std::uint8_t* message = stream.data() + at;
        std::uint8_t* body = message + DATA_MESSAGE_HEADER_SIZE;
        const std::uint32_t bodyLength = length - DATA_MESSAGE_HEADER_SIZE;
        ExerciseReaders(body, bodyLength);
        if ((flags & 2) && (value & 0xFF) == DATA_MSG_DATA_BLOCK) {
            FixChecksum(body, bodyLength, scratch);
        }
        sti::CMessageReader reader(message, length);
        CTNDataMessageHeader header;
        Check((sti::MessageHeaderTraits<CTNDataMessageHeader>::Decode(reader, header)) == ST_SUCCESS);
        Check(header.Length == length);
        (void)handler->DeliverMessage(header, reader); // fuzzed messages: refusals are outcomes too
        at += length;
    }

    delete handler;
    if (manager.live != nullptr) {
        delete manager.live;
    }
    Check(record.refs == 0);
    return 0;
}
