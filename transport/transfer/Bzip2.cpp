#include "transport/transfer/Bzip2.h"

#include "infra/ThreadOwned.h"

#include <bzlib.h>

#include <cstdlib>
#include <cstring>

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

// bzip2 asks for about 7.5 MB of work arrays per compressed block and 3.6 MB per decompressed
// one (block size 9). Allocating them anew for every 64 KiB block costs more than the
// compression under a sanitizer and a good share of it anywhere, so each thread keeps the
// arrays it was given and hands them out again. A compressor asks for four, a decompressor
// for two, so a few slots cover one of each at a time. The decompressor's big array follows
// the stream's block size, so a peer's streams may ask for several sizes: when no kept array
// fits and no slot is empty, the smallest free one is given up for the new size (else arrays
// too small to use would hold every slot, and each larger block would go to the heap again).
// Only when every slot is taken does an array come from the heap alone.
class CWorkArrays {
public:
    CWorkArrays() = default;
    CWorkArrays(const CWorkArrays&) = delete;
    CWorkArrays& operator=(const CWorkArrays&) = delete;
    ~CWorkArrays()
    {
        for (Slot& slot : m_slots) {
            std::free(slot.memory);
        }
    }

    void* Take(std::size_t size)
    {
        // The smallest free array that is large enough, so the two big compressor arrays
        // (one slightly larger than the other) keep finding their own.
        Slot* best = nullptr;
        Slot* empty = nullptr;
        Slot* smallest = nullptr;
        for (Slot& slot : m_slots) {
            if (slot.memory == nullptr) {
                if (empty == nullptr) {
                    empty = &slot;
                }
            } else if (!slot.taken) {
                if (slot.size >= size && (best == nullptr || slot.size < best->size)) {
                    best = &slot;
                }
                if (smallest == nullptr || slot.size < smallest->size) {
                    smallest = &slot;
                }
            }
        }
        if (best == nullptr && empty == nullptr && smallest != nullptr) {
            std::free(smallest->memory);
            *smallest = Slot();
            empty = smallest;
        }
        if (best == nullptr && empty != nullptr) {
            empty->memory = std::malloc(size);
            if (empty->memory == nullptr) {
                return nullptr;
            }
            empty->size = size;
            ++m_allocations;
            best = empty;
        }
        if (best == nullptr) {
            ++m_allocations;
            return std::malloc(size);
        }
        best->taken = true;
        return best->memory;
    }

    void Give(void* memory)
    {
        for (Slot& slot : m_slots) {
            if (slot.memory == memory) {
                slot.taken = false;
                return;
            }
        }
        std::free(memory);
    }

    std::uint64_t Allocations() const { return m_allocations; }

private:
    struct Slot {
        void* memory = nullptr;
        std::size_t size = 0;
        bool taken = false;
    };
    static constexpr int SLOTS = 8;
    Slot m_slots[SLOTS];
    std::uint64_t m_allocations = 0;
};

// Null when the thread cannot have arrays of its own: bzip2 then allocates per block.
CWorkArrays* ThreadWorkArrays()
{
    return sti::ThreadOwned<CWorkArrays>();
}

void* TakeArray(void* opaque, int items, int size)
{
    if (items < 0 || size < 0) {
        return nullptr;
    }
    return static_cast<CWorkArrays*>(opaque)->Take(static_cast<std::size_t>(items) * static_cast<std::size_t>(size));
}

void GiveArray(void* opaque, void* memory)
{
    if (memory != nullptr) {
        static_cast<CWorkArrays*>(opaque)->Give(memory);
    }
}

// A stream over the thread's work arrays, from data into out.
bz_stream NewStream(const std::uint8_t* data, std::uint32_t length, std::uint8_t* out, std::uint32_t capacity)
{
    bz_stream stream;
    std::memset(&stream, 0, sizeof(stream));
    CWorkArrays* arrays = ThreadWorkArrays();
    if (arrays != nullptr) {
        stream.bzalloc = TakeArray;
        stream.bzfree = GiveArray;
        stream.opaque = arrays;
    }
    stream.next_in = Source(data);
    stream.avail_in = length;
    stream.next_out = reinterpret_cast<char*>(out);
    stream.avail_out = capacity;
    return stream;
}

Status InitFailure(int result)
{
    return result == BZ_MEM_ERROR ? ST_NO_MEMORY : ST_INTERNAL_ERROR;
}

} // namespace

Status Bzip2Compress(const std::uint8_t* data, std::uint32_t length, std::uint8_t* out, std::uint32_t capacity,
                     std::uint32_t& compressedLength)
{
    compressedLength = 0;
    bz_stream stream = NewStream(data, length, out, capacity);
    int result = BZ2_bzCompressInit(&stream, BLOCK_SIZE_100K, VERBOSITY, DEFAULT_WORK_FACTOR);
    if (result != BZ_OK) {
        return InitFailure(result);
    }
    result = BZ2_bzCompress(&stream, BZ_FINISH);
    const unsigned int left = stream.avail_out;
    BZ2_bzCompressEnd(&stream);
    switch (result) {
    case BZ_STREAM_END:
        compressedLength = capacity - left;
        return ST_SUCCESS;
    case BZ_FINISH_OK: // the output is full and the stream unfinished
        return ST_OUT_OF_BOUNDS;
    default:
        return ST_INTERNAL_ERROR;
    }
}

Status Bzip2Decompress(const std::uint8_t* data, std::uint32_t length, std::uint8_t* out, std::uint32_t capacity,
                       std::uint32_t& decompressedLength)
{
    decompressedLength = 0;
    if (length == 0) {
        return ST_OUT_OF_BOUNDS; // not even a stream header
    }
    bz_stream stream = NewStream(data, length, out, capacity);
    int result = BZ2_bzDecompressInit(&stream, VERBOSITY, SMALL_MEMORY);
    if (result != BZ_OK) {
        return InitFailure(result);
    }
    result = BZ2_bzDecompress(&stream);
    const unsigned int left = stream.avail_out;
    BZ2_bzDecompressEnd(&stream);
    // BZ_OK means the stream did not end: the output is full or the input truncated.
    if (result == BZ_MEM_ERROR) {
        return ST_NO_MEMORY;
    }
    if (result != BZ_STREAM_END) {
        return ST_OUT_OF_BOUNDS;
    }
    decompressedLength = capacity - left;
    return ST_SUCCESS;
}

std::uint64_t Bzip2ThreadAllocations()
{
    const CWorkArrays* arrays = ThreadWorkArrays();
    return arrays != nullptr ? arrays->Allocations() : 0;
}
