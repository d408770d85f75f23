#pragma once

#include "infra/IPAddress.h"
#include "infra/Status.h"

#include <cstdint>
#include <string>
#include <vector>

// Thin IPv4 socket layer. Addresses and ports are in host byte order; every call reports a
// Status (platform errors are translated, see ErrorTranslation.h). No wrapper retries.
namespace STI_OS {

// The platform socket value (a file descriptor on Linux, a SOCKET on Windows).
using SocketHandle = std::intptr_t;
constexpr SocketHandle INVALID_SOCKET_HANDLE = -1;

// Handle -1 succeeds without a call.
Status CloseSocket(SocketHandle handle);
Status CreateTCPSocket(SocketHandle& handle);
Status CreateUDPSocket(SocketHandle& handle);

Status Bind(SocketHandle handle, std::uint32_t address, std::uint16_t port);
Status Listen(SocketHandle handle, int backlog);
// A non-blocking connect that has started gives ST_IN_PROGRESS.
Status Connect(SocketHandle handle, std::uint32_t address, std::uint16_t port);
// Address and port are written only on success.
Status Accept(SocketHandle handle, SocketHandle& newHandle, std::uint32_t& address, std::uint16_t& port);
Status Accept(SocketHandle handle, SocketHandle& newHandle);

// Peeks at one byte: ST_CONNECTION_CLOSED after an orderly close by the peer,
// ST_TRY_LATER when nothing is there yet on a non-blocking socket.
Status CheckConnection(SocketHandle handle);

// count is 0 unless bytes moved. Recv of 0 bytes from the peer is ST_CONNECTION_CLOSED;
// size/length 0 succeeds without a call. Send may send fewer bytes than length.
Status Recv(SocketHandle handle, void* buffer, std::uint32_t size, std::uint32_t& count);
Status Send(SocketHandle handle, const void* data, std::uint32_t length, std::uint32_t& count);
// Ends the sending direction: the peer reads what was sent, then an orderly close.
Status ShutdownSend(SocketHandle handle);

// One datagram each. A datagram sent short gives ST_MORE_DATA. RecvFrom gives ST_CONN_RESET
// for an earlier send that was reported unreachable (ICMP port unreachable); address and port
// then name where that datagram went, where the platform tells it, and are left alone where
// it does not.
Status RecvFrom(SocketHandle handle, void* buffer, std::uint32_t size, std::uint32_t& count, std::uint32_t& address,
                std::uint16_t& port);
Status SendTo(SocketHandle handle, const void* data, std::uint32_t length, std::uint32_t address, std::uint16_t port);

// Most datagrams one batched call takes; larger batches are served in part.
constexpr std::uint32_t MAX_DATAGRAM_BATCH = 64;

// One datagram of a batched receive: Buffer and Size from the caller, the rest filled in.
// Result is ST_SUCCESS, ST_CONN_RESET (as RecvFrom: Address and Port name the unreachable
// destination where the platform tells it, and keep their presets where it does not), or the
// datagram's own failure; one longer than Size is lost with the "message too long" status.
struct SDatagramIn {
    void* Buffer = nullptr;
    std::uint32_t Size = 0;
    std::uint32_t Count = 0;
    std::uint32_t Address = 0;
    std::uint16_t Port = 0;
    Status Result = ST_SUCCESS;
};

// Reads waiting datagrams into slots[0..received) in arrival order, stopping early when none
// is left or after a slot whose Result is a failure. ST_SUCCESS when received > 0, otherwise
// the would-block status. One recvmmsg on Linux; on Windows, which has no batched receive, one
// recvfrom per datagram plus the one that finds nothing.
Status RecvFromBatch(SocketHandle handle, SDatagramIn* slots, std::uint32_t count, std::uint32_t& received);

struct SDatagramOut {
    const void* Data = nullptr;
    std::uint32_t Length = 0;
    std::uint32_t Address = 0;
    std::uint16_t Port = 0;
};

// Sends the datagrams in order. handled counts those sent or lost to a failure of their own
// (an unreachable destination, say), which does not stop the others. Stops at the first that
// would block and answers the would-block status; ST_SUCCESS once all are handled. One
// sendmmsg on Linux unless a datagram fails; on Windows one sendto each.
Status SendToBatch(SocketHandle handle, const SDatagramOut* datagrams, std::uint32_t count, std::uint32_t& handled);
// True where RecvFromBatch and SendToBatch move many datagrams in one call (Linux). Where they
// are loops of single calls (Windows), a caller does better to take and answer datagrams one at
// a time: holding answers back saves no call, and while they wait the queue fills, so there are
// more rounds, each ending in a receive that finds nothing (measured under Wine).
bool HasBatchedDatagramCalls();

Status SetNonBlocking(SocketHandle handle, bool on);

// Preset to address 0, port 0xFFFF before the call.
Status GetPeerName(SocketHandle handle, std::uint32_t& address, std::uint16_t& port);
// Preset to address 0xFFFFFFFF, port 0xFFFF before the call.
Status GetSockName(SocketHandle handle, std::uint32_t& address, std::uint16_t& port);

// 4-byte options; level and option are the platform's values.
Status SetSockOpt(SocketHandle handle, int level, int option, std::int32_t value);
Status GetSockOpt(SocketHandle handle, int level, int option, std::int32_t& value);
Status SetBoolOption(SocketHandle handle, int level, int option, bool flag);
Status SetReuseAddress(SocketHandle handle, bool flag);
Status SetReceiveBufferSize(SocketHandle handle, std::int32_t bytes);
Status SetSendBufferSize(SocketHandle handle, std::int32_t bytes);
// TCP_NODELAY: small writes leave at once instead of waiting for the peer's acknowledgement.
Status SetNoDelay(SocketHandle handle, bool flag);
Status GetNoDelay(SocketHandle handle, bool& flag);

// The socket's pending error, translated; ST_SUCCESS when there is none.
Status GetSocketError(SocketHandle handle);

// A connected pair of blocking TCP sockets on 127.0.0.1. The listener accepts only the
// connection that this call made. On failure every socket it created is closed and both
// outputs are INVALID_SOCKET_HANDLE.
Status CreateLoopbackPair(SocketHandle& first, SocketHandle& second);

// The machine's IPv4 addresses from a lookup of its host name, without 0 and 127.0.0.1.
Status GetLocalAddresses(std::vector<CIPAddress>& addresses);

// First IPv4 address of a host name, host order. On failure address is 0xFFFFFFFF and the
// status comes from the host-lookup table.
Status LookupHost(const char* hostName, std::uint32_t& address);

// "a.b.c.d", most significant byte first.
std::string AddressToString(std::uint32_t address);

std::uint16_t HostToNetwork16(std::uint16_t value);
std::uint16_t NetworkToHost16(std::uint16_t value);
std::uint32_t HostToNetwork32(std::uint32_t value);
std::uint32_t NetworkToHost32(std::uint32_t value);

namespace internal {

// Starts the sockets library (Windows Sockets 1.1) for the process and stops it on
// destruction. Held by a process singleton that dies last.
class _CInitSockets {
public:
    _CInitSockets();
    ~_CInitSockets();

    _CInitSockets(const _CInitSockets&) = delete;
    _CInitSockets& operator=(const _CInitSockets&) = delete;

    // ST_SUCCESS when the start-up succeeded.
    Status GetStatus() const { return m_status; }

private:
    Status m_status = ST_SUCCESS;
};

} // namespace internal

} // namespace STI_OS
