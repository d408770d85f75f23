#pragma once
// One-call bzip2 over whole buffers (block size 9), as the file blocks travel. Each thread
// keeps bzip2's work arrays between calls, so a block costs no allocation after the first;
// the bytes are those of BZ2_bzBuffToBuffCompress.

#include "infra/Status.h"

#include <cstdint>

// Compresses length bytes into at most capacity bytes; compressedLength is the size of the
// stream. ST_OUT_OF_BOUNDS when the stream does not fit, ST_NO_MEMORY when bzip2 has no
// memory, ST_INTERNAL_ERROR for anything else.
Status Bzip2Compress(const std::uint8_t* data, std::uint32_t length, std::uint8_t* out, std::uint32_t capacity,
                     std::uint32_t& compressedLength);

// Decompresses one whole stream into at most capacity bytes. ST_OUT_OF_BOUNDS when the
// output would not fit or the stream is damaged, truncated or empty.
Status Bzip2Decompress(const std::uint8_t* data, std::uint32_t length, std::uint8_t* out, std::uint32_t capacity,
                       std::uint32_t& decompressedLength);

// Work arrays this thread has allocated so far (they are kept until the thread ends).
std::uint64_t Bzip2ThreadAllocations();
