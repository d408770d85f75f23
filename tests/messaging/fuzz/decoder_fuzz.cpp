// Feeds arbitrary bytes to the receive path of a message: framing, the decoder, the header and
// every field reader. Input layout: byte 0 flags (bit 0 decode first, bit 1 read fields from
// offset 0), byte 1 the count n of field operations (at most 32), n operation bytes, then the
// message bytes as they arrived.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "messaging/MsgCodec.h"
#include "messaging/MsgFraming.h"
#include "messaging/MsgStream.h"

namespace {

const std::uint8_t CIPHER_KEY[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
const std::uint8_t CHECKSUM_KEY[4] = {0xA, 0xB, 0xC, 0xD};

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void ReadField(CMsgStream& stream, std::uint8_t op)
{
    std::uint8_t byte;
    bool flag;
    std::uint16_t u16;
    std::uint32_t u32;
    std::uint8_t id[16];
    std::string text;
    std::vector<std::uint8_t> block;
    std::vector<SMsgAddressEntry> list;
    // A fuzzed body ends anywhere: a read may fail; the bounds below are what is checked.
    switch (op % 8) {
    case 0:
        (void)stream.ReadByte(byte);
        break;
    case 1:
        (void)stream.ReadBool(flag);
        break;
    case 2:
        (void)stream.ReadU16(u16);
        break;
    case 3:
        (void)stream.ReadU32(u32);
        break;
    case 4:
        (void)stream.ReadId16(id);
        break;
    case 5:
        (void)stream.ReadString(text);
        Check(text.size() < MSG_MAX_LENGTH);
        break;
    case 6:
        (void)stream.ReadBlock(block);
        Check(block.size() < MSG_MAX_LENGTH);
        break;
    default:
        (void)stream.ReadAddressList(list);
        Check(list.size() * 6 < MSG_MAX_LENGTH);
        break;
    }
}

// A message that codes at all must come back from a fresh pair as it was, digest field aside.
void CheckRoundTrip(const CMsgBuffer& original)
{
    auto copy = std::make_unique<CMsgBuffer>();
    std::memcpy(copy->Data, original.Data, original.Used);
    copy->Used = original.Used;
    CEncoder encoder;
    CDecoder decoder;
    Check(encoder.SetKeys(CIPHER_KEY, CHECKSUM_KEY) == ST_SUCCESS);
    Check(decoder.SetKeys(CIPHER_KEY, CHECKSUM_KEY) == ST_SUCCESS);
    if (encoder.Encode(*copy) != ST_SUCCESS)
        return;
    Check(decoder.Decode(*copy) == ST_SUCCESS);
    const std::uint16_t length = PeekMessageLength(original);
    Check(std::memcmp(copy->Data, original.Data, 2) == 0);
    Check(std::memcmp(copy->Data + 6, original.Data + 6, length - 6) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::uint8_t flags = data[0];
    const std::size_t ops = data[1] % 33;
    if (size < 2 + ops)
        return 0;
    const std::uint8_t* script = data + 2;
    const std::uint8_t* bytes = script + ops;
    const std::size_t length = std::min<std::size_t>(size - 2 - ops, MSG_MAX_LENGTH);

    auto message = std::make_unique<CMsgBuffer>();
    std::memset(message->Data, 0xEE, sizeof(message->Data)); // stale bytes must stay unread
    std::memcpy(message->Data, bytes, length);
    message->Used = static_cast<std::uint32_t>(length);

    (void)CheckMessageLength(PeekMessageLength(*message)); // any length: only a crash would count
    CheckRoundTrip(*message);
    if (flags & 1) {
        CDecoder decoder;
        Check(decoder.SetKeys(CIPHER_KEY, CHECKSUM_KEY) == ST_SUCCESS);
        (void)decoder.Decode(*message); // fuzzed bytes rarely decode; the length must stay
        Check(message->Used == length);
    }
    CMsgHeader header;
    const Status headerStatus = ReadReceivedHeader(*message, header);
    Check(headerStatus == (length >= MSG_HEADER_SIZE ? ST_SUCCESS : ST_OUT_OF_SYNC));

    CMsgStream stream(message.get(), CMsgStream::MODE_READ, (flags & 2) ? 0 : MSG_HEADER_SIZE);
    for (std::size_t i = 0; i < ops; ++i) {
        ReadField(stream, script[i]);
        Check(stream.Failed() || stream.Position() <= message->Used);
    }
    return 0;
}
