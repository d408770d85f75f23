#pragma once

#include <array>
#include <cstdint>

namespace TarnixServer {

// The 16-byte client id a user logs in with; users are known by it.
using ClientId = std::array<std::uint8_t, 16>;

} // namespace TarnixServer
