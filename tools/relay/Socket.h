#pragma once

#include "tools/relay/Endpoint.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace TarnixRelay {

// Owns one file descriptor and closes it.
class CFd {
public:
    CFd() = default;
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() { Reset(); }
    CFd(CFd&& other) noexcept : m_fd(other.Release()) {}
    CFd& operator=(CFd&& other) noexcept;
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    int Release();
    void Reset();

private:
    int m_fd = -1;
};

// Non-blocking sockets; an invalid CFd and a reason in error on failure.
CFd OpenUdp(const SEndpoint& local, std::string& error);
CFd OpenTcpListener(const SEndpoint& local, std::string& error);
// Starts a connect from localAddress (any port) to remote; done when the socket turns writable.
CFd StartTcpConnect(std::uint32_t localAddress, const SEndpoint& remote, std::string& error);

SEndpoint LocalEndpoint(int fd);

// The one way the relay sends a datagram: it refuses any destination outside 127.0.0.0/8.
// False when refused or when the kernel would not take it.
bool SendDatagram(int fd, const SEndpoint& to, const std::uint8_t* data, std::size_t size);

} // namespace TarnixRelay
