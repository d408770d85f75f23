// The bound of the transfer design: one core compressing the file's 64 KiB chunks with bzip2 at
// block size 9, as the upload handler does. Reads the file given on the command line (the
// same file the transfer benchmark sends) and prints "compress | MB/s" and "decompress |
// MB/s", each the median of several passes over at most 64 MiB of it.
#include "transport/transfer/Bzip2.h"
#include "transport/transfer/DataMessages.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_transfer_bzip2 FILE\n");
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    constexpr std::size_t CHUNK = 65536;
    std::vector<std::uint8_t> data(64u << 20);
    const std::size_t length = std::fread(data.data(), 1, data.size(), file);
    std::fclose(file);
    data.resize(length - length % CHUNK);
    if (data.empty()) {
        std::fprintf(stderr, "file shorter than one chunk\n");
        return 1;
    }

    std::vector<std::vector<std::uint8_t>> packed(data.size() / CHUNK);
    std::vector<double> compress, decompress;
    std::vector<std::uint8_t> out(MAX_DATA_BLOCK_PAYLOAD);
    std::vector<std::uint8_t> back(CHUNK);
    using Clock = std::chrono::steady_clock;
    for (int pass = 0; pass < 3; ++pass) {
        auto start = Clock::now();
        for (std::size_t i = 0; i < packed.size(); ++i) {
            std::uint32_t size = 0;
            // A chunk that does not shrink into one message goes raw; it still cost a try.
            if (Bzip2Compress(&data[i * CHUNK], CHUNK, out.data(), static_cast<std::uint32_t>(out.size()), size) ==
                ST_SUCCESS) {
                packed[i].assign(out.begin(), out.begin() + size);
            } else {
                packed[i].clear();
            }
        }
        double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        compress.push_back(static_cast<double>(data.size()) / 1e6 / seconds);
        start = Clock::now();
        for (const auto& p : packed) {
            std::uint32_t size = 0;
            if (!p.empty()) {
                // The blocks were packed just above; only the time is measured.
                (void)Bzip2Decompress(p.data(), static_cast<std::uint32_t>(p.size()), back.data(), CHUNK, size);
            }
        }
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        decompress.push_back(static_cast<double>(data.size()) / 1e6 / seconds);
    }
    std::sort(compress.begin(), compress.end());
    std::sort(decompress.begin(), decompress.end());
    std::printf("compress | %.2f | MB/s\n", compress[1]);
    std::printf("decompress | %.2f | MB/s\n", decompress[1]);
    return 0;
}
