#pragma once
// Exit order of the process singletons: at exit they die in ascending longevity, ties in
// reverse order of creation. Each value is chosen so that a singleton outlives every
// singleton that still uses it while being destroyed (threads stop first, the sockets
// library stops last). Per-thread values die with their thread, lowest first.

#include <cstdint>

namespace STI_OS {
namespace internal {
class _CInitSockets;
} // namespace internal
} // namespace STI_OS

namespace sti {

namespace longevity {
constexpr std::uint32_t THREAD_MANAGER = 0;
constexpr std::uint32_t DISPATCHER_SHUTDOWN_HELPER = 1; // per thread
constexpr std::uint32_t DISPATCHER_SHUTDOWN_HELPER_HOLDER = 2;
constexpr std::uint32_t TRANSPORT_MANAGER_THREAD = 100;
constexpr std::uint32_t ANT_SESSION_MANAGER = 100;
constexpr std::uint32_t MAIN_MANAGER = 150;
constexpr std::uint32_t UI_MANAGER = 160;
constexpr std::uint32_t TRANSFER_MANAGER = 170;
constexpr std::uint32_t KV2_SERVICE = 180;
constexpr std::uint32_t SETTINGS_MANAGER = 190;
constexpr std::uint32_t ANT_SOCKET_MAP = 200;
constexpr std::uint32_t COMMUNICATOR = 200;
constexpr std::uint32_t CLIENT_BUFFER_ALLOCATOR = 300;
constexpr std::uint32_t ANT = 1100;
constexpr std::uint32_t ANT_THREAD = 1110;
constexpr std::uint32_t PACKET_POOL = 1120;
constexpr std::uint32_t DISPATCHER = 1880; // per thread
constexpr std::uint32_t DISPATCHER_HOLDER = 1881;
constexpr std::uint32_t POLLER = 1900;
constexpr std::uint32_t SOCKETS_LIBRARY = 2000;
} // namespace longevity

// Longevity of a process singleton class: T::LONGEVITY unless specialised below.
template <class T>
struct LongevityOf {
    static constexpr std::uint32_t value = T::LONGEVITY;
};

// Longevities of a per-thread singleton class: its holder's and each thread's value's.
template <class T>
struct TSSLongevityOf {
    static constexpr std::uint32_t holder = T::HOLDER_LONGEVITY;
    static constexpr std::uint32_t thread = T::THREAD_LONGEVITY;
};

template <>
struct LongevityOf<STI_OS::internal::_CInitSockets> {
    static constexpr std::uint32_t value = longevity::SOCKETS_LIBRARY;
};

} // namespace sti
