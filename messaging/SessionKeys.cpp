#include "messaging/SessionKeys.h"

#include <cstring>
#include <new>
#include <utility>

namespace {

void Unmask(const std::uint8_t* block, std::size_t blockOffset, std::size_t maskOffset, std::uint8_t* key,
            std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        key[i] = block[blockOffset + i] ^ KV2Protocol::KEY_MASK[maskOffset + i];
}

} // namespace

Status DeriveSessionKeys(const std::uint8_t* block, std::size_t length, SSessionKeys& keys)
{
    using namespace KV2Protocol;
    if (!block || length != KEY_BLOCK_SIZE)
        return ST_INVALID_MESSAGE;
    Unmask(block, KEY_BLOCK_DECODER_CIPHER, KEY_MASK_DECODER_CIPHER, keys.DecoderCipherKey, CIPHER_KEY_SIZE);
    Unmask(block, KEY_BLOCK_ENCODER_CIPHER, KEY_MASK_ENCODER_CIPHER, keys.EncoderCipherKey, CIPHER_KEY_SIZE);
    Unmask(block, KEY_BLOCK_DECODER_CHECKSUM, KEY_MASK_DECODER_CHECKSUM, keys.DecoderChecksumKey, CHECKSUM_KEY_SIZE);
    Unmask(block, KEY_BLOCK_ENCODER_CHECKSUM, KEY_MASK_ENCODER_CHECKSUM, keys.EncoderChecksumKey, CHECKSUM_KEY_SIZE);
    return ST_SUCCESS;
}

SSessionKeys ServerView(const SSessionKeys& keys)
{
    SSessionKeys view;
    std::memcpy(view.DecoderCipherKey, keys.EncoderCipherKey, sizeof(view.DecoderCipherKey));
    std::memcpy(view.EncoderCipherKey, keys.DecoderCipherKey, sizeof(view.EncoderCipherKey));
    std::memcpy(view.DecoderChecksumKey, keys.EncoderChecksumKey, sizeof(view.DecoderChecksumKey));
    std::memcpy(view.EncoderChecksumKey, keys.DecoderChecksumKey, sizeof(view.EncoderChecksumKey));
    return view;
}

Status MakeCodecs(const SSessionKeys& keys, std::unique_ptr<CEncoder>& encoder, std::unique_ptr<CDecoder>& decoder)
{
    std::unique_ptr<CEncoder> newEncoder(new (std::nothrow) CEncoder);
    std::unique_ptr<CDecoder> newDecoder(new (std::nothrow) CDecoder);
    if (!newEncoder || !newDecoder)
        return ST_NO_MEMORY;
    Status status = newEncoder->SetKeys(keys.EncoderCipherKey, keys.EncoderChecksumKey);
    if (status == ST_SUCCESS)
        status = newDecoder->SetKeys(keys.DecoderCipherKey, keys.DecoderChecksumKey);
    if (status != ST_SUCCESS)
        return status;
    encoder = std::move(newEncoder);
    decoder = std::move(newDecoder);
    return ST_SUCCESS;
}
