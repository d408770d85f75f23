#include "transport/Bzip2.h"

#include <bzlib.h>

namespace {

constexpr int BLOCK_SIZE_100K = 9;
constexpr int VERBOSITY = 0;
constexpr int DEFAULT_WORK_FACTOR = 0;
constexpr int SMALL_MEMORY = 0;

// bzip2 refuses a null source even for an empty buffer; any readable byte will do.
char* Source(const std::uint8_t* data)
{
    static char empty = 0;
    return data != nullptr ? reinterpret_cast<char*>(const_cast<std::uint8_t*>(data)) : &empty;
}

} // namespace

Status Bzip2Compress(const std::uint8_t* data, std::uint32_t length, std::uint8_t* out, std::uint32_t capacity,
                     std::uint32_t& compressedLength)
{
    compressedLength = 0;
    unsigned int produced = capacity;
    const int result = BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(out), &produced, Source(data), length,
                                                BLOCK_SIZE_100K, VERBOSITY, DEFAULT_WORK_FACTOR);
    switch (result) {
    case BZ_OK:
        compressedLength = produced;
        return ST_SUCCESS;
    case BZ_OUTBUFF_FULL:
        return ST_OUT_OF_BOUNDS;
    case BZ_MEM_ERROR:
        return ST_NO_MEMORY;
    default:
        return ST_INTERNAL_ERROR;
    }
}

Status Bzip2Decompress(const std::uint8_t* data, std::uint32_t length, std::uint8_t* out, std::uint32_t capacity,
                       std::uint32_t& decompressedLength)
{
    decompressedLength = 0;
    if (length == 0) {
        return ST_OUT_OF_BOUNDS;   // not even a stream header
    }
    unsigned int produced = capacity;
    const int result = BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(out), &produced, Source(data), length,
                                                  SMALL_MEMORY, VERBOSITY);
    if (result == BZ_MEM_ERROR) {
        return ST_NO_MEMORY;
    }
    if (result != BZ_OK) {
        return ST_OUT_OF_BOUNDS;
    }
    decompressedLength = produced;
    return ST_SUCCESS;
}
