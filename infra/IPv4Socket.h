#pragma once
// Base of the TCP and UDP sockets: holds one socket handle, closed on destruction.

#include "infra/PollableObject.h"

namespace sti {

class CIPv4Socket : public IRWPollableObject {
public:
    CIPv4Socket() = default;
    ~CIPv4Socket() override;

    STI_OS::SocketHandle GetHandle() const override { return m_handle; }
    bool SetNonBlocking() override;
    bool IsNonBlocking() const override { return m_nonBlocking; }
    // Closes the handle, if any; state back to not connected.
    void Close() override;
    Status GetSocketError() override;

    // Takes over an accepted or created handle (a held one is closed first).
    virtual void AttachHandle(STI_OS::SocketHandle handle);
    // Forgets the handle without closing it; flags and state cleared.
    virtual void Reset();

protected:
    void CloseHandle();

    STI_OS::SocketHandle m_handle = STI_OS::INVALID_SOCKET_HANDLE;
    bool m_nonBlocking = false;
};

} // namespace sti
