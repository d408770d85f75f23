#include "transport/transfer/SessionClose.h"

#include "transport/transfer/CloseReason.h"
#include "transport/transfer/TransportCallback.h"
#include "transport/transfer/TransportManagerHandler.h"
#include "transport/transfer/TransportSession.h"

void CloseTransportSession(CTransportSession* session, std::uint32_t reason)
{
    if (session == nullptr) {
        return;
    }
    if (CTransportManagerHandler* handler = session->GetHandler()) {
        // Always ST_SUCCESS.
        (void)handler->Close(reason, CLOSED_HERE);
        return;
    }
    // No connection yet: the record still learns why its session ended, as it does with one.
    session->SetStatus(SESSION_STATUS_WAITING);
    if (ITransportCallback* callback = session->GetCallback()) {
        callback->OnClosed(CLOSED_HERE, reason);
    }
    CTransportSession::Destroy(session);
}
