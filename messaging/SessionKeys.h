#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "infra/Status.h"
#include "messaging/MsgCodec.h"
#include "messaging/Protocol.h"

// The keys of one keyed connection, named from the client's side: the decoder keys protect
// server-to-client messages, the encoder keys client-to-server ones.
struct SSessionKeys {
    std::uint8_t DecoderCipherKey[KV2Protocol::CIPHER_KEY_SIZE] = {};
    std::uint8_t EncoderCipherKey[KV2Protocol::CIPHER_KEY_SIZE] = {};
    std::uint8_t DecoderChecksumKey[KV2Protocol::CHECKSUM_KEY_SIZE] = {};
    std::uint8_t EncoderChecksumKey[KV2Protocol::CHECKSUM_KEY_SIZE] = {};
};

// Keys from the key block of a log-in reply (unmasked with KV2Protocol::KEY_MASK).
// A block of another length than KEY_BLOCK_SIZE is ST_INVALID_MESSAGE.
Status DeriveSessionKeys(const std::uint8_t* block, std::size_t length, SSessionKeys& keys);

// The same keys as the server uses them: its encoder is the client's decoder and back.
SSessionKeys ServerView(const SSessionKeys& keys);

// A new encoder and decoder keyed for the side whose view the keys are in.
Status MakeCodecs(const SSessionKeys& keys, std::unique_ptr<CEncoder>& encoder, std::unique_ptr<CDecoder>& decoder);
