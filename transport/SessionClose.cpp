#include "transport/SessionClose.h"

#include "transport/CloseReason.h"
#include "transport/TransportCallback.h"
#include "transport/TransportManagerHandler.h"
#include "transport/TransportSession.h"

void CloseTransportSession(CTransportSession* session, std::uint32_t reason)
{
    if (session == nullptr) {
        return;
    }
    if (CTransportManagerHandler* handler = session->GetHandler()) {
        handler->Close(reason, CLOSED_HERE);
        return;
    }
    // No connection yet: the record still learns why its session ended, as it does with one.
    session->SetStatus(SESSION_STATUS_WAITING);
    if (ITransportCallback* callback = session->GetCallback()) {
        callback->OnClosed(CLOSED_HERE, reason);
    }
    CTransportSession::Destroy(session);
}
