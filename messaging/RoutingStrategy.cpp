#include "messaging/RoutingStrategy.h"

#include "infra/BaseSockEventHandler.h"
#include "infra/Dispatcher.h"
#include "messaging/MsgSockHandler.h"

Status CRoutingStrategy::OnHandlerClosed(CMsgSockHandler* handler)
{
    if (!handler)
        return ST_INVALID_PARAM;
    sti::IRWPollableObject* socket = handler->GetTypedObject();
    if (!socket)
        return ST_NOT_CONNECTED;
    handler->CancelTimer();
    sti::CDispatcher* dispatcher = handler->GetDispatcher();
    if (!dispatcher)
        return ST_INTERNAL_ERROR;
    // The steps the dispatcher takes for an object that failed: unbound and queued for deletion
    // first, so nothing the handler does in its error path reaches the socket again.
    dispatcher->Close(socket, false);
    sti::IBaseSockEventHandler& base = *handler;
    // Notices: the connection is closed whatever the handler answers.
    (void)base.OnDetach(socket, sti::DETACH_ERROR);
    (void)base.OnError(socket, ST_TIMEOUT);
    return ST_SUCCESS;
}

bool CRoutingStrategy::ShouldForward(const CMsgBuffer&, const SMsgConnectionContext&)
{
    return false;
}

Status CNoForwardRoutingStrategy::IsLocal(const CMsgBuffer&, const SMsgConnectionContext&, bool& local)
{
    local = true;
    return ST_SUCCESS;
}

Status CNoForwardRoutingStrategy::OnHandlerAdded(CMsgSockHandler*, std::uint32_t)
{
    return ST_SUCCESS;
}

Status CNoForwardRoutingStrategy::OnHandlerRemoved(CMsgSockHandler* handler)
{
    if (m_route == handler)
        m_route = nullptr;
    return ST_SUCCESS;
}

Status CNoForwardRoutingStrategy::GetRoute(std::uint32_t, CMsgSockHandler*& route)
{
    route = m_route;
    return route ? ST_SUCCESS : ST_NOT_FOUND;
}

Status CClientRoutingStrategy::OnHandlerRemoved(CMsgSockHandler*)
{
    m_route = nullptr;
    return ST_SUCCESS;
}
