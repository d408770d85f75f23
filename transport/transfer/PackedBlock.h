#pragma once
// One file block on its way into a DataBlock message: the chunk as read, its checksum and,
// when compression was tried and made it smaller, its bzip2 stream.

#include "transport/transfer/DataMessages.h"

#include <atomic>
#include <cstdint>

struct SPackedBlock {
    // Filled before packing.
    std::uint64_t Offset = 0;
    std::uint32_t Length = 0; // file bytes in Chunk
    bool TryCompression = true;
    const void* Owner = nullptr; // who queued it (the compression pool's bookkeeping)

    // Filled by PackBlock.
    std::uint32_t Compression = BLOCK_RAW;
    std::uint32_t PackedLength = 0;
    std::uint8_t Checksum[4] = {};
    std::atomic<bool> Packed{false};

    std::uint8_t Chunk[MAX_CHUNK_SIZE];
    std::uint8_t Stream[MAX_DATA_BLOCK_PAYLOAD];
};

// Checksum over the chunk, then bzip2 when tried: the block goes compressed only when that
// makes it smaller and fits the message, raw otherwise (every receiver reads both forms).
// Any thread; sets Packed last.
void PackBlock(SPackedBlock& block);

// Whether compression was tried and paid.
inline bool Shrank(const SPackedBlock& block)
{
    return block.Compression == BLOCK_BZIP2;
}

// The DataBlock body over a packed block (pointing into it).
SDataBlock DataBlockOf(const SPackedBlock& block);
