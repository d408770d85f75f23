#pragma once

#include <memory>

#include "infra/PollableObject.h"
#include "infra/Status.h"
#include "messaging/MessageVerifier.h"
#include "messaging/MsgSockHandler.h"

class CCommunicator;

namespace KV2Service {

// The part of the messaging service that hears of its connection's end.
class IConnectionClosedSink {
public:
    virtual ~IConnectionClosedSink() = default;
    // The connection failed and the dispatcher is closing it; called on the service thread.
    virtual void OnConnectionClosed() = 0;
    // The handler leaves its connection, however it ends (failed, closed by the service, or at
    // shutdown); what it has not written by now never leaves. Service thread.
    virtual void OnConnectionEnding(const CMsgSockHandler& /*handler*/) {}
};

// The service's handler of its connection to the server: a message socket handler that, once
// its connection has failed, tells the service (a connection the service closes itself is not
// reported as failed), and tells it of every end before its unwritten messages go.
class CKV2SockHandler : public CMsgSockHandler {
public:
    CKV2SockHandler(IConnectionClosedSink& service, CCommunicator& communicator,
                    std::unique_ptr<IMessageVerifier> verifier);

    using CMsgSockHandler::OnDetach;
    using CMsgSockHandler::OnError;
    Status OnDetach(sti::IRWPollableObject* object, int reason) override;
    Status OnError(sti::IRWPollableObject* object, Status code) override;

private:
    IConnectionClosedSink& m_service;
};

} // namespace KV2Service
