// Compression workers end with their pool, and each takes bzip2's kept work arrays with it.
// Threads that packed blocks and ended crashed the process on MinGW while the arrays lived in
// a thread_local object; the fault showed in a small program like this one, not inside the
// larger test programs, so it has a program of its own. Exit code 0: every block round-tripped.

#include "transport/transfer/Bzip2.h"

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

int main()
{
    std::vector<std::uint8_t> chunk(65536);
    for (std::size_t i = 0; i < chunk.size(); ++i)
        chunk[i] = static_cast<std::uint8_t>("a file of text that packs well. "[i % 32]);
    std::atomic<int> bad{0};
    for (int round = 0; round < 50; ++round) {
        std::vector<std::thread> workers;
        for (int i = 0; i < 8; ++i) {
            workers.emplace_back([&] {
                std::vector<std::uint8_t> packed(66540);
                std::vector<std::uint8_t> back(65536);
                std::uint32_t packedLength = 0;
                std::uint32_t backLength = 0;
                if (Bzip2Compress(chunk.data(), 65536, packed.data(), 66540, packedLength) != ST_SUCCESS ||
                    Bzip2Decompress(packed.data(), packedLength, back.data(), 65536, backLength) != ST_SUCCESS ||
                    back != chunk)
                    ++bad;
            });
        }
        for (std::thread& worker : workers)
            worker.join();
    }
    std::printf("%d bad blocks\n", bad.load());
    return bad.load() == 0 ? 0 : 1;
}
