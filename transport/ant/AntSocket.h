#pragma once
// A TCP socket whose connection the Ant transport makes: its descriptor comes from
// AntCreateSocket and the Ant thread connects it once the session with the peer stands.
// Apart from connecting and closing it is an ordinary sti::CTCPSocket. Closing goes through
// CAnt, so the transport never connects a descriptor whose owner has let it go.

#include "infra/TCPSocket.h"
#include "transport/ant/AntAddress.h"

class CAnt;

class CAntSocket : public sti::CTCPSocket {
public:
    // Uses the given transport (it outlives the socket), or the process's when null.
    explicit CAntSocket(CAnt* ant = nullptr) : m_ant(ant) {}
    ~CAntSocket() override;

    // Non-blocking: ST_IN_PROGRESS once asked (state 1). Blocking: ST_SUCCESS once connected
    // (state 2). ST_TOO_MANY_SOCKETS when no descriptor can be had; ST_SOCKET_ERROR when the
    // connection fails (the descriptor is then closed); ST_IN_USE while a handle is held.
    Status Connect(const CAntAddress& address, bool nonBlocking);
    // The bandwidth level chosen for this connection. ST_COMMUNICATION_ERROR when it cannot
    // be passed on.
    Status SetLevel(int level);

    void Close() override;
    // A held transport descriptor is closed through the transport first.
    void AttachHandle(STI_OS::SocketHandle handle) override;
    void Reset() override;

private:
    CAnt* Transport();

    CAnt* m_ant;                  // not owned
    bool m_fromTransport = false; // the handle came from AntCreateSocket
};
