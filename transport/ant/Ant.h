#pragma once
// The transport's call interface for the rest of the program, usable from any thread: start
// the transport, create an Ant socket descriptor, connect it to a peer, close it, and read
// the local UDP port. Calls become SAntInternalMsg records in the Ant thread's pipe queue;
// CAnt owns the writing end.
//
// An Ant connection reaches its user as an ordinary TCP socket on the loopback interface
// that the Ant thread connects once the session is established. CAnt keeps the descriptors
// it created until their owner closes them through AntCloseSocket, each with a serial, and
// the Ant thread connects a descriptor only through ConnectUserSocket, under the same lock:
// so a descriptor its owner closed is never connected, not even after its number has been
// given to another socket.

#include "infra/IPAddress.h"
#include "infra/Lock.h"
#include "infra/Longevity.h"
#include "infra/Status.h"
#include "infra/os/Socket.h"
#include "transport/ant/AntControlHandler.h"
#include "transport/ant/AntInternalMsg.h"
#include "transport/ant/AntStartEvent.h"

#include <cstdint>
#include <map>
#include <memory>

class CAntThread;

class CAnt {
public:
    static constexpr std::uint32_t LONGEVITY = sti::longevity::ANT;
    static constexpr std::uint32_t CONNECT_WAIT_MS = 600000;

    // The process's transport, created on first use together with its Ant thread (null only
    // if it cannot be created).
    static CAnt* Instance();

    // Runs on the process's Ant thread.
    CAnt();
    // Runs on the given thread, not yet started (it must outlive this object); null gives a
    // transport without a thread, whose every call fails.
    explicit CAnt(CAntThread* thread);
    // Stops the thread and waits for it without limit.
    ~CAnt();

    CAnt(const CAnt&) = delete;
    CAnt& operator=(const CAnt&) = delete;

    // Sets up the transport's UDP socket (on the wanted local port, else any) and returns once
    // the Ant thread has done so or found it cannot: ST_SUCCESS in both cases. ST_FAIL at once
    // when no Ant thread runs to take the request.
    Status AntStart(const char* host, std::uint16_t serverPort, std::uint16_t localPort, bool advertiseLocalAddress);
    // A new TCP descriptor for an Ant connection; INVALID_SOCKET_HANDLE when none can be had.
    STI_OS::SocketHandle AntCreateSocket();
    // Asks for the connection and waits (up to CONNECT_WAIT_MS) until the descriptor is
    // connected: 0, or -1 on failure or time-out. The descriptor is left non-blocking.
    int AntConnect(STI_OS::SocketHandle descriptor, std::uint32_t peerId, std::uint32_t keyLow, std::uint32_t keyHigh);
    // Asks for the connection and returns: 0, or -1 when it cannot even be asked.
    int AntConnectAsync(STI_OS::SocketHandle descriptor, std::uint32_t peerId, std::uint32_t keyLow,
                        std::uint32_t keyHigh);
    // Tells the descriptor's session the bandwidth level (0, 1 or 2): 0, or -1 when it
    // cannot be told.
    int AntSetSocketLevel(STI_OS::SocketHandle descriptor, int level);
    // Closes a descriptor made by AntCreateSocket. ST_NOT_FOUND (nothing closed) for any
    // other, or one closed already.
    Status AntCloseSocket(STI_OS::SocketHandle descriptor);
    // The same for the Ant thread, which knows the descriptor by number and serial: a
    // descriptor closed meanwhile (its number perhaps given to a newer socket) is left alone.
    Status AntCloseSocket(STI_OS::SocketHandle descriptor, std::uint32_t serial);
    // Any record, e.g. the own client id (SAntInternalMsg::MakeClientId). ST_NOT_CONNECTED
    // without a queue.
    Status Post(const SAntInternalMsg& message);
    // The bound UDP port; 0 before the start has completed.
    std::uint16_t GetLocalPort() const;

    // Production keeps CONNECT_WAIT_MS.
    void SetConnectWait(std::uint32_t milliseconds);

    // From the Ant thread.
    void SetLocalPort(std::uint16_t port);
    void SignalStart(std::uint8_t result);
    // Connects the descriptor to the listener if it is still the open Ant socket of that
    // serial: the connect's result (ST_SUCCESS or ST_IN_PROGRESS when it goes well), else
    // ST_CONNECTION_CLOSED.
    Status ConnectUserSocket(STI_OS::SocketHandle descriptor, std::uint32_t serial, const CIPEndpoint& listener);

private:
    // ST_NOT_FOUND when the descriptor is not an open Ant socket.
    Status GetSerial(STI_OS::SocketHandle descriptor, std::uint32_t& serial) const;
    Status CloseOwnSocket(STI_OS::SocketHandle descriptor, bool checkSerial, std::uint32_t serial);
    bool WaitUntilConnected(STI_OS::SocketHandle descriptor, std::uint32_t milliseconds) const;
    bool IsThreadRunning() const;

    CAntThread* m_thread;                      // not owned
    std::unique_ptr<CAntMessageQueue> m_queue; // writing end; null when no thread runs
    CAntStartEvent m_started;
    mutable sti::CMutex m_lock; // guards the fields below
    std::uint16_t m_localPort = 0;
    std::map<STI_OS::SocketHandle, std::uint32_t> m_sockets; // open Ant sockets -> serial
    std::uint32_t m_nextSerial = 1;
    std::uint32_t m_connectWait = CONNECT_WAIT_MS;
};
