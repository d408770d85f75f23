#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace STI_OS {
namespace crash {

// True when every page of [address, address + size) is committed and readable (guard pages
// count as unreadable: touching one would move the stack's guard).
inline bool IsReadable(const void* address, std::size_t size)
{
    constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    std::uintptr_t at = reinterpret_cast<std::uintptr_t>(address);
    const std::uintptr_t end = at + size;
    if (end < at)
        return false;
    while (at < end) {
        MEMORY_BASIC_INFORMATION region;
        if (::VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof region) != sizeof region ||
            region.State != MEM_COMMIT || (region.Protect & PAGE_GUARD) != 0 || (region.Protect & kReadable) == 0)
            return false;
        const std::uintptr_t regionEnd = reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
        if (regionEnd <= at)
            return false;
        at = regionEnd;
    }
    return true;
}

// Copies memory that may be unmapped or protected. The compiler has no structured exception
// handling, so the reporter asks the kernel about the pages first and copies through it, which
// fails cleanly instead of faulting a second time.
inline bool ReadMemory(const void* address, void* out, std::size_t size)
{
    if (!IsReadable(address, size))
        return false;
    SIZE_T copied = 0;
    return ::ReadProcessMemory(::GetCurrentProcess(), address, out, size, &copied) != FALSE && copied == size;
}

} // namespace crash
} // namespace STI_OS
