#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "infra/Status.h"

namespace TarnixServer {

// Unpredictable bytes for key blocks and session keys, from the operating system's generator.
class CServerRandom {
public:
    CServerRandom();
    ~CServerRandom();
    CServerRandom(const CServerRandom&) = delete;
    CServerRandom& operator=(const CServerRandom&) = delete;

    // ST_INTERNAL_ERROR when the system offers no generator.
    Status Open();

    // Only after a successful Open.
    void Fill(std::uint8_t* bytes, std::size_t count);
    std::uint32_t NextU32();

private:
    struct Pool;
    std::unique_ptr<Pool> m_pool;
};

} // namespace TarnixServer
