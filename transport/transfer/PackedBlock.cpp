#include "transport/transfer/PackedBlock.h"

#include "transport/transfer/Bzip2.h"
#include "transport/transfer/Checksum.h"

#include <algorithm>

void PackBlock(SPackedBlock& block)
{
    // Always ST_SUCCESS.
    (void)CChecksum().Compute(block.Chunk, block.Length, block.Checksum);
    block.Compression = BLOCK_RAW;
    block.PackedLength = block.Length;
    std::uint32_t packed = 0;
    if (block.TryCompression &&
        Bzip2Compress(block.Chunk, block.Length, block.Stream, sizeof(block.Stream), packed) == ST_SUCCESS &&
        packed < block.Length) {
        block.Compression = BLOCK_BZIP2;
        block.PackedLength = packed;
    }
    block.Packed.store(true, std::memory_order_release);
}

SDataBlock DataBlockOf(const SPackedBlock& block)
{
    SDataBlock body;
    body.Offset = block.Offset;
    std::copy(block.Checksum, block.Checksum + 4, body.Checksum);
    body.Compression = block.Compression;
    body.Payload = block.Compression == BLOCK_BZIP2 ? block.Stream : block.Chunk;
    body.Length = block.PackedLength;
    return body;
}
