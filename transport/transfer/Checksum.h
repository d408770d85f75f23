#pragma once

#include <cstddef>
#include <cstdint>

#include "infra/Status.h"

// Keyed Adler-32: the digest is taken over a 4-byte key followed by the data. File blocks use the
// zero key; the messaging codec uses a key agreed at log-in.
//
// The digest is the big-endian form of the Adler-32 value (second sum first), which is the order
// the hash emits it; where it travels as a u32 the four bytes are copied as they stand.
class CChecksum {
public:
    static constexpr std::size_t KEY_SIZE = 4;
    static constexpr std::size_t DIGEST_SIZE = 4;

    CChecksum();

    // Copies KEY_SIZE bytes from key; a null key means the zero key.
    Status SetKey(const std::uint8_t* key);

    Status Compute(const void* data, std::size_t length, std::uint8_t digest[DIGEST_SIZE]) const;

    // ST_SUCCESS when the digest matches, ST_AUTH_FAILED otherwise.
    Status Verify(const void* data, std::size_t length, const std::uint8_t digest[DIGEST_SIZE]) const;

private:
    std::uint8_t m_key[KEY_SIZE];
};
