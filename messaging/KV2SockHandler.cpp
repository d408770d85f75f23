#include "messaging/KV2SockHandler.h"

#include <utility>

namespace KV2Service {

CKV2SockHandler::CKV2SockHandler(IConnectionClosedSink& service, CCommunicator& communicator,
                                 std::unique_ptr<IMessageVerifier> verifier)
    : CMsgSockHandler(communicator, std::move(verifier)), m_service(service)
{}

Status CKV2SockHandler::OnDetach(sti::IRWPollableObject* object, int reason)
{
    m_service.OnConnectionEnding(*this);
    return CMsgSockHandler::OnDetach(object, reason);
}

Status CKV2SockHandler::OnError(sti::IRWPollableObject* object, Status code)
{
    const Status status = CMsgSockHandler::OnError(object, code);
    m_service.OnConnectionClosed();
    return status;
}

} // namespace KV2Service
