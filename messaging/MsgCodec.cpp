#include "messaging/MsgCodec.h"

#include <cstring>
#include <new>

#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <crypto++/arc4.h>

#include "messaging/MsgFraming.h"

namespace {

constexpr std::uint32_t DIGEST_OFFSET = 2;
// Everything from the digest on is enciphered; the length field stays readable.
constexpr std::uint32_t CIPHER_OFFSET = 2;
constexpr std::uint32_t MIN_CODED_LENGTH = DIGEST_OFFSET + CChecksum::DIGEST_SIZE;

// Length to transform, or 0 when the message cannot be coded.
std::uint32_t CodedLength(const CMsgBuffer& message)
{
    const std::uint32_t length = PeekMessageLength(message);
    if (length < MIN_CODED_LENGTH || length > message.Used || length > MSG_MAX_LENGTH)
        return 0;
    return length;
}

// Length whose bytes from CIPHER_OFFSET on can be deciphered, or 0 when there are none.
std::uint32_t CipheredLength(const CMsgBuffer& message)
{
    const std::uint32_t length = PeekMessageLength(message);
    if (length <= CIPHER_OFFSET || length > message.Used || length > MSG_MAX_LENGTH)
        return 0;
    return length;
}

} // namespace

class CMsgCipherState {
public:
    // ST_NO_MEMORY when the state cannot be had.
    static Status Make(std::unique_ptr<CMsgCipherState>& state,
                       const std::uint8_t cipherKey[KV2Protocol::CIPHER_KEY_SIZE],
                       const std::uint8_t checksumKey[KV2Protocol::CHECKSUM_KEY_SIZE])
    {
        state.reset(new (std::nothrow) CMsgCipherState);
        if (!state)
            return ST_NO_MEMORY;
        state->Stream.SetKey(cipherKey, KV2Protocol::CIPHER_KEY_SIZE);
        return state->Checksum.SetKey(checksumKey);
    }

    CryptoPP::Weak::MARC4 Stream;
    CChecksum Checksum;
};

CEncoder::CEncoder() = default;
CEncoder::~CEncoder() = default;

Status CEncoder::SetKeys(const std::uint8_t cipherKey[KV2Protocol::CIPHER_KEY_SIZE],
                         const std::uint8_t checksumKey[KV2Protocol::CHECKSUM_KEY_SIZE])
{
    return CMsgCipherState::Make(m_state, cipherKey, checksumKey);
}

Status CEncoder::Encode(CMsgBuffer& message)
{
    if (!m_state)
        return ST_INVALID_PARAM;
    const std::uint32_t length = CodedLength(message);
    if (length == 0)
        return ST_OUT_OF_BOUNDS;

    std::uint8_t* bytes = message.Data;
    std::memset(bytes + DIGEST_OFFSET, 0, CChecksum::DIGEST_SIZE);
    std::uint8_t digest[CChecksum::DIGEST_SIZE];
    // Always ST_SUCCESS.
    (void)m_state->Checksum.Compute(bytes, length, digest);
    std::memcpy(bytes + DIGEST_OFFSET, digest, sizeof(digest));
    m_state->Stream.ProcessData(bytes + CIPHER_OFFSET, bytes + CIPHER_OFFSET, length - CIPHER_OFFSET);
    return ST_SUCCESS;
}

CDecoder::CDecoder() = default;
CDecoder::~CDecoder() = default;

Status CDecoder::SetKeys(const std::uint8_t cipherKey[KV2Protocol::CIPHER_KEY_SIZE],
                         const std::uint8_t checksumKey[KV2Protocol::CHECKSUM_KEY_SIZE])
{
    return CMsgCipherState::Make(m_state, cipherKey, checksumKey);
}

Status CDecoder::Decode(CMsgBuffer& message)
{
    if (!m_state)
        return ST_INVALID_PARAM;
    // Deciphered before any check: the sender's key stream ran over these bytes too, so even a
    // message too short for its digest must advance ours, or every later one fails.
    const std::uint32_t ciphered = CipheredLength(message);
    if (ciphered == 0)
        return ST_OUT_OF_BOUNDS;
    std::uint8_t* bytes = message.Data;
    m_state->Stream.ProcessData(bytes + CIPHER_OFFSET, bytes + CIPHER_OFFSET, ciphered - CIPHER_OFFSET);
    const std::uint32_t length = CodedLength(message);
    if (length == 0)
        return ST_OUT_OF_BOUNDS;

    // The digest was taken with its own field zero; it is put back for whoever reads the header.
    std::uint8_t stored[CChecksum::DIGEST_SIZE];
    std::memcpy(stored, bytes + DIGEST_OFFSET, sizeof(stored));
    std::memset(bytes + DIGEST_OFFSET, 0, sizeof(stored));
    const Status status = m_state->Checksum.Verify(bytes, length, stored);
    std::memcpy(bytes + DIGEST_OFFSET, stored, sizeof(stored));
    return status;
}
