#include "server/ServerRandom.h"

#include <exception>

#include <crypto++/osrng.h>

namespace TarnixServer {

struct CServerRandom::Pool {
    CryptoPP::AutoSeededRandomPool Generator;
};

CServerRandom::CServerRandom() = default;

CServerRandom::~CServerRandom() = default;

Status CServerRandom::Open()
{
    // The library reports a missing system generator by throwing; it stops here.
    try {
        m_pool.reset(new Pool);
    } catch (const std::exception&) {
        return ST_INTERNAL_ERROR;
    }
    return ST_SUCCESS;
}

void CServerRandom::Fill(std::uint8_t* bytes, std::size_t count)
{
    m_pool->Generator.GenerateBlock(bytes, count);
}

std::uint32_t CServerRandom::NextU32()
{
    std::uint8_t bytes[4];
    Fill(bytes, sizeof(bytes));
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

} // namespace TarnixServer
