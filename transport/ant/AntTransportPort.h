#pragma once
// What the sessions need from the Ant thread's UDP side: sending a datagram, the bound
// address, the rendezvous server, the own client id, write interest and the thread's
// dispatcher (for the session timers). The UDP handler of the Ant thread implements it and
// hands it to CAntSessionManager::SetPort; tests give their own.
//
// Errors of one datagram or one session never reach the dispatcher through the UDP handler:
// the handler keeps its socket open whatever the session manager answers.

#include "infra/IPAddress.h"
#include "infra/Status.h"
#include "infra/os/Socket.h"
#include "transport/ant/wire/AntPacket.h"

#include <cstdint>

namespace sti {
class CDispatcher;
}

class IAntTransportPort {
public:
    virtual ~IAntTransportPort() = default;

    // One sendto of the packet's Length bytes.
    virtual Status SendDatagram(const SAntPacket& packet, const CIPEndpoint& to) = 0;
    // The UDP socket's bound address (address 0 when bound to any address).
    virtual CIPEndpoint GetLocalAddress() const = 0;
    // The rendezvous server, resolved on first use; a failure when it cannot be.
    virtual Status GetRendezvousAddress(CIPEndpoint& server) = 0;
    virtual std::uint32_t GetOwnClientId() const = 0;
    // Asks for write interest on the UDP socket; the handler then calls
    // CAntSessionManager::OnWritable.
    virtual Status RequestWrite() = 0;
    // The Ant thread's dispatcher.
    virtual sti::CDispatcher* GetDispatcher() = 0;
    // Connects the user's descriptor (serial: which descriptor of that number) to the
    // session's loopback listener; the plain connect unless the owner knows better.
    virtual Status ConnectUserSocket(STI_OS::SocketHandle descriptor, std::uint32_t serial,
                                     const CIPEndpoint& listener);
    // Closes the user's descriptor (serial as above) for a session that could not start; the
    // plain close unless the owner knows better.
    virtual Status CloseUserSocket(STI_OS::SocketHandle descriptor, std::uint32_t serial);
};

// The port of the process's Ant thread and its UDP handler; either may be absent.
class CAntThread;
class CAntUDPSockHandler;

class CAntThreadPort : public IAntTransportPort {
public:
    void SetThread(CAntThread* thread) { m_thread = thread; }
    void SetHandler(CAntUDPSockHandler* handler) { m_handler = handler; }
    CAntThread* GetThread() const { return m_thread; }

    Status SendDatagram(const SAntPacket& packet, const CIPEndpoint& to) override;
    CIPEndpoint GetLocalAddress() const override;
    Status GetRendezvousAddress(CIPEndpoint& server) override;
    std::uint32_t GetOwnClientId() const override;
    Status RequestWrite() override;
    sti::CDispatcher* GetDispatcher() override;
    Status ConnectUserSocket(STI_OS::SocketHandle descriptor, std::uint32_t serial,
                             const CIPEndpoint& listener) override;
    Status CloseUserSocket(STI_OS::SocketHandle descriptor, std::uint32_t serial) override;

private:
    CAntThread* m_thread = nullptr;          // not owned
    CAntUDPSockHandler* m_handler = nullptr; // not owned
};
