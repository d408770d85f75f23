#pragma once

#include <cstdint>
#include <memory>

#include "infra/Status.h"
#include "messaging/MsgBuffer.h"
#include "messaging/Protocol.h"
#include "transport/transfer/Checksum.h"

// Transforms a whole message in place on its way out.
class IMsgEncoder {
public:
    virtual ~IMsgEncoder() = default;
    virtual Status Encode(CMsgBuffer& message) = 0;
};

// Transforms a whole received message in place before its header is read.
class IMsgDecoder {
public:
    virtual ~IMsgDecoder() = default;
    virtual Status Decode(CMsgBuffer& message) = 0;
};

// The message codec of a keyed connection: a keyed Adler-32 over the whole message stored at
// offset 2, then MARC4 over bytes 2..L-1 (MessageLength stays in clear for framing). The key
// stream runs on from message to message for the life of the object, so encoder and decoder
// must see the same messages in the same order.
//
// L is the message's MessageLength; it must lie within the buffer's bytes in use and leave room
// for the digest (6 bytes), else ST_OUT_OF_BOUNDS. The encoder then leaves its key stream
// untouched; the decoder still deciphers bytes 2..L-1 when L lies within the bytes in use, as
// the sender's stream ran over them. A codec that was never keyed answers ST_INVALID_PARAM.
// The keyed state both directions share: a MARC4 key stream and the checksum key.
class CMsgCipherState;

class CEncoder : public IMsgEncoder {
public:
    CEncoder();
    ~CEncoder() override;
    CEncoder(const CEncoder&) = delete;
    CEncoder& operator=(const CEncoder&) = delete;

    // ST_NO_MEMORY when the cipher state cannot be had.
    Status SetKeys(const std::uint8_t cipherKey[KV2Protocol::CIPHER_KEY_SIZE],
                   const std::uint8_t checksumKey[KV2Protocol::CHECKSUM_KEY_SIZE]);

    Status Encode(CMsgBuffer& message) override;

private:
    std::unique_ptr<CMsgCipherState> m_state;
};

// Deciphers, then checks the digest: ST_AUTH_FAILED on a mismatch. The key stream has then
// advanced over the message as the sender's did, so the next message still decodes.
class CDecoder : public IMsgDecoder {
public:
    CDecoder();
    ~CDecoder() override;
    CDecoder(const CDecoder&) = delete;
    CDecoder& operator=(const CDecoder&) = delete;

    Status SetKeys(const std::uint8_t cipherKey[KV2Protocol::CIPHER_KEY_SIZE],
                   const std::uint8_t checksumKey[KV2Protocol::CHECKSUM_KEY_SIZE]);

    Status Decode(CMsgBuffer& message) override;

private:
    std::unique_ptr<CMsgCipherState> m_state;
};
