#pragma once
// One Ant connection: the user's descriptor, the peer and key it was made for, the addresses
// learnt on the way, and the three state values the session manager steers by. The network
// handler runs the protocol; the backend handler pumps the loopback socket whose other end
// is the user's descriptor. Owned by CAntSessionManager; Ant thread only.

#include "infra/IPAddress.h"
#include "infra/os/Socket.h"

#include <cstdint>
#include <memory>

namespace sti {
class CTCPSocket;
}
class CAntBackendHandler;
class CAntNetworkHandler;

enum AntBackendState : int {
    ANT_BACKEND_NOT_SET = -1,
    ANT_BACKEND_NONE = 0,
    ANT_BACKEND_OPEN = 1,
    ANT_BACKEND_CLOSING = 2,
    ANT_BACKEND_CLOSED = 3
};

enum AntNetworkState : int {
    ANT_NETWORK_NOT_SET = -1,
    ANT_NETWORK_CONNECTING = 1,
    ANT_NETWORK_ESTABLISHED = 2,
    ANT_NETWORK_PEER_CLOSED = 3,
    ANT_NETWORK_ENDED = 4
};

enum AntSessionState : int {
    ANT_SESSION_NOT_SET = -1,
    ANT_SESSION_CONNECTING = 1,
    ANT_SESSION_OPEN = 2,
    ANT_SESSION_CLOSING = 3
};

class CAntSession {
public:
    CAntSession() = default;
    ~CAntSession();
    CAntSession(const CAntSession&) = delete;
    CAntSession& operator=(const CAntSession&) = delete;

    STI_OS::SocketHandle Descriptor = STI_OS::INVALID_SOCKET_HANDLE; // the user's; not owned
    std::uint32_t Serial = 0; // tells the descriptor apart from a later one of that number
    std::uint32_t PeerId = 0;
    std::uint64_t Key = 0;

    int BackendState = ANT_BACKEND_NOT_SET;
    int NetworkState = ANT_NETWORK_NOT_SET;
    int SessionState = ANT_SESSION_NOT_SET;

    CIPEndpoint LastSource;
    CIPEndpoint PeerPublic;
    CIPEndpoint PeerLocal;

    std::uint16_t OwnId = 0;
    std::uint16_t PeerSessionId = 0;
    bool OnSendList = false;

    std::unique_ptr<CAntNetworkHandler> Network;
    // Both owned by the Ant thread's dispatcher; null when there is no backend.
    sti::CTCPSocket* BackendSocket = nullptr;
    CAntBackendHandler* Backend = nullptr;
};
