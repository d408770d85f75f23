// Drives the consumer side of a pipe message queue with a byte stream written in arbitrary
// pieces (raw chunks and whole queued messages) and read events at arbitrary moments, and
// checks that exactly the stream's records come out, whole and in order. Each input ends by
// topping the stream up to whole records and draining it, so the next input starts clean.
//
// Input: byte 0 bit 0 picks 184-byte records (else 88). Then operations by the low two bits
// of a byte: 0 a raw chunk of (byte >> 2) + 1 following bytes, 1 one whole message from the
// following bytes (zero-padded), 2 one read event, 3 three read events.
#include "infra/MessageQueue.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

using namespace sti;

namespace {

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

template <std::size_t N>
struct SRecord {
    std::uint8_t bytes[N];
};

template <class TMessage>
class CCollector : public CMessageQueueHandler<TMessage> {
public:
    using Base = CMessageQueueHandler<TMessage>;
    using Base::OnRemoved;

    Status OnQueueMessage(const TMessage& message) override
    {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&message);
        received.insert(received.end(), bytes, bytes + sizeof message);
        // Failures of the consumer must not matter to the queue.
        return (received.size() / sizeof message) % 3 == 0 ? ST_FAIL : ST_SUCCESS;
    }
    Status OnRemoved(CMessageQueue<TMessage>*) override { return ST_SUCCESS; }

    std::vector<std::uint8_t> received;
};

template <class TMessage>
struct SPipe {
    std::unique_ptr<CMessageQueue<TMessage>> producer;
    std::unique_ptr<CMessageQueue<TMessage>> consumer;

    SPipe() { Check(CMessageQueue<TMessage>::CreatePair(producer, consumer) == ST_SUCCESS); }
};

template <class TMessage>
void Run(const std::uint8_t* data, std::size_t size)
{
    // One pipe per record size for the whole run: making a socket pair per input would be
    // slow and use up ports.
    static SPipe<TMessage> pipe;
    CCollector<TMessage> handler;
    IBaseSockEventHandler& base = handler;
    std::vector<std::uint8_t> sent;

    auto writeRaw = [&](const std::uint8_t* bytes, std::size_t length) {
        std::size_t done = 0;
        while (done < length) {
            std::uint32_t count = 0;
            const Status status =
                pipe.producer->GetWrapped()->Write(static_cast<std::uint32_t>(length - done), bytes + done, count);
            Check(status == ST_SUCCESS || status == ST_TRY_LATER);
            done += count;
        }
        sent.insert(sent.end(), bytes, bytes + length);
    };

    std::size_t at = 0;
    while (at < size) {
        const std::uint8_t op = data[at++];
        switch (op & 3) {
        case 0: {
            const std::size_t length = std::min<std::size_t>((op >> 2) + 1u, size - at);
            writeRaw(data + at, length);
            at += length;
            break;
        }
        case 1: {
            TMessage message;
            std::memset(&message, 0, sizeof message);
            const std::size_t length = std::min<std::size_t>(sizeof message, size - at);
            std::memcpy(&message, data + at, length);
            at += length;
            Check(pipe.producer->Write(message) == ST_SUCCESS);
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(&message);
            sent.insert(sent.end(), bytes, bytes + sizeof message);
            break;
        }
        default:
            for (int i = 0; i < ((op & 3) == 2 ? 1 : 3); ++i) {
                Check(base.OnRead(pipe.consumer.get()) == ST_SUCCESS);
            }
            break;
        }
        // Whatever has been taken out so far is a prefix of the stream, in whole records.
        Check(handler.received.size() % sizeof(TMessage) == 0);
        Check(handler.received.size() <= sent.size());
        Check(handler.received.empty() ||
              std::memcmp(handler.received.data(), sent.data(), handler.received.size()) == 0);
    }

    // Top up to whole records and drain.
    const std::size_t tail = sent.size() % sizeof(TMessage);
    if (tail != 0) {
        const std::vector<std::uint8_t> padding(sizeof(TMessage) - tail, 0xA5);
        writeRaw(padding.data(), padding.size());
    }
    for (long i = 0; handler.received.size() < sent.size(); ++i) {
        Check(i < 10000000);
        Check(base.OnRead(pipe.consumer.get()) == ST_SUCCESS);
    }
    Check(handler.received == sent);
    Check(pipe.consumer->GetReadBuffered() == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    if (data[0] & 1) {
        Run<SRecord<184>>(data + 1, size - 1);
    } else {
        Run<SRecord<88>>(data + 1, size - 1);
    }
    return 0;
}
