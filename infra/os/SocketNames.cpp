#include "infra/os/SocketNames.h"

namespace STI_OS {

namespace {

// A failed lookup leaves the presets the header promises.
Status ReadName(SocketHandle handle, bool peer, std::uint32_t& address, std::uint16_t& port)
{
    std::uint32_t readAddress = 0;
    std::uint16_t readPort = 0;
    const Status status = internal::ReadSocketName(handle, peer, readAddress, readPort);
    if (status == ST_SUCCESS) {
        address = readAddress;
        port = readPort;
    }
    return status;
}

} // namespace

Status GetPeerName(SocketHandle handle, std::uint32_t& address, std::uint16_t& port)
{
    address = 0;
    port = 0xFFFF;
    return ReadName(handle, true, address, port);
}

Status GetSockName(SocketHandle handle, std::uint32_t& address, std::uint16_t& port)
{
    address = 0xFFFFFFFF;
    port = 0xFFFF;
    return ReadName(handle, false, address, port);
}

} // namespace STI_OS
