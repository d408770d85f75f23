// Feeds a byte stream, cut into arbitrary pieces, to the message-framing handler and checks
// it against a plain reference parse of the whole stream: the same messages in the same
// order, the right framing error at the right place, and the partial tail kept.
//
// Input: byte 0 bit 0 picks the thread-message header (else the data-message header). Then
// operations: a byte with the top bit set is a readable event; any other byte b is followed
// by (b + 1) stream bytes that arrive.
#include "infra/IPCMessageHeader.h"
#include "infra/MessageSocketHandler.h"
#include "support/FakeStream.h"
#include "support/TestDataHeader.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace sti;
using testing_support::CFakeStream;

namespace {

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

struct SMessage {
    std::vector<std::uint8_t> bytes;
    bool operator==(const SMessage& other) const { return bytes == other.bytes; }
};

template <class THeader, class TAllocator>
class CCollector : public CMessageSocketHandler<CFakeStream, THeader, TAllocator> {
public:
    using Base = CMessageSocketHandler<CFakeStream, THeader, TAllocator>;
    using Base::OnRemoved;

    Status OnMessage(const THeader&, CMessageReader& reader) override
    {
        // The reader stands behind the header and ends at the message's end.
        Check(reader.GetPosition() == MessageHeaderTraits<THeader>::HEADER_SIZE);
        const std::uint8_t* begin = reader.GetCurrent() - reader.GetPosition();
        messages.push_back(SMessage{std::vector<std::uint8_t>(begin, begin + reader.GetLength())});
        return ST_SUCCESS;
    }
    Status OnRemoved(CFakeStream*) override { return ST_SUCCESS; }

    std::vector<SMessage> messages;
};

template <class THeader, class TAllocator>
void Run(const std::uint8_t* data, std::size_t size)
{
    using Traits = MessageHeaderTraits<THeader>;
    CFakeStream stream;
    CCollector<THeader, TAllocator> handler;
    IBaseSockEventHandler& base = handler;
    std::vector<std::uint8_t> all;
    Status failure = ST_SUCCESS;

    std::size_t at = 0;
    while (at < size && failure == ST_SUCCESS) {
        const std::uint8_t op = data[at++];
        if (op & 0x80) {
            failure = base.OnRead(&stream);
            continue;
        }
        const std::size_t length = std::min<std::size_t>(op + 1u, size - at);
        stream.Arrive(data + at, length);
        all.insert(all.end(), data + at, data + at + length);
        at += length;
    }
    // Everything that arrived is read (at most five messages per event).
    for (int i = 0; failure == ST_SUCCESS && stream.Unread() > 0; ++i) {
        Check(i < 100000);
        failure = base.OnRead(&stream);
    }

    // Reference: the whole stream parsed in one go.
    std::vector<SMessage> expected;
    Status expectedFailure = ST_SUCCESS;
    std::size_t position = 0;
    while (all.size() - position >= Traits::HEADER_SIZE) {
        const std::uint32_t length = Traits::GetMessageLength(all.data() + position);
        if (length == 0 || length < Traits::HEADER_SIZE) {
            expectedFailure = ST_SOCKET_ERROR;
            break;
        }
        if (length > TAllocator::CAPACITY) {
            expectedFailure = ST_OUT_OF_BOUNDS;
            break;
        }
        if (all.size() - position < length) {
            break;
        }
        expected.push_back(
            SMessage{std::vector<std::uint8_t>(all.begin() + position, all.begin() + position + length)});
        position += length;
    }

    Check(failure == expectedFailure);
    Check(handler.messages == expected);
    if (failure == ST_SUCCESS) {
        Check(handler.GetBytesReceived() == all.size() - position);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    if (data[0] & 1) {
        Run<IPCMessageHeader, IPCMessageAllocator>(data + 1, size - 1);
    } else {
        Run<testing_support::STestDataHeader, SimpleAllocator<DATA_MESSAGE_CAPACITY>>(data + 1, size - 1);
    }
    return 0;
}
