#pragma once
// Whether the next block of a file is worth compressing. Most large files people send
// (video, photos, archives) do not shrink under bzip2, and compressing them first only slows
// the send; so once a block did not shrink, the following ones go raw, and one block in
// RETRY_EVERY is tried again, so that a file whose content changes is compressed where it
// can be. Owned by one upload handler (transport-manager thread).

#include <cstdint>

class CCompressionGate {
public:
    static constexpr std::uint32_t RETRY_EVERY = 16;

    // enabled false: every block is tried (the plain behaviour).
    explicit CCompressionGate(bool enabled) : m_enabled(enabled) {}

    // Asked once per block, in file order.
    bool ShouldTry();
    // What a tried block gave, in the order the blocks were tried.
    void Report(bool shrank);

private:
    bool m_enabled;
    std::uint32_t m_skip = 0;
};
