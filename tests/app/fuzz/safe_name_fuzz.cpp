// Whatever a peer announces, the safe name is one plain, non-empty name within its room, never
// one a working file could have.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/portable/SafeFileName.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::size_t room = 1 + data[0] % 64;
    const std::string name(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string safe = MakeSafeFileName(name, room);
    if (safe.empty() || safe.size() > room || safe == "." || safe == ".." ||
        safe.find_first_of("\\/:<>\"|?*") != std::string::npos || safe.back() == '.' || safe.back() == ' ' ||
        IsWorkingFileName(safe))
        std::abort();
    for (unsigned char c : safe) {
        if (c < 0x20)
            std::abort();
    }
    return 0;
}
