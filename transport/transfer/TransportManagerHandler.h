#pragma once
// Common base of the two data-message handlers: the message framing over one connected
// stream socket plus the link to the transfer session the connection serves. The session
// and the handler point at each other; whichever goes first unlinks the other.
//
// Lifetime: once its socket is registered with the dispatcher the handler dies with the
// socket (OnRemoved). Without a socket (a connect still pending or failed) Close and a
// failed connect delete it.

#include "infra/MessageSocketHandler.h"
#include "infra/PollableObject.h"
#include "infra/Status.h"
#include "transport/transfer/DataMessageHeader.h"

#include <cstdint>

class CTransportSession;

using TransportSocket = sti::IRWPollableObject;

class CTransportManagerHandler : public sti::CMessageSocketHandler<TransportSocket, CTNDataMessageHeader> {
public:
    using Base = sti::CMessageSocketHandler<TransportSocket, CTNDataMessageHeader>;
    using Base::OnConnectAborted;
    using Base::OnConnectFailed;
    using Base::OnDetach;

    // Links itself to the session.
    explicit CTransportManagerHandler(CTransportSession* session);
    ~CTransportManagerHandler() override;

    // Ends the session (the program's own closes pass by = CLOSED_HERE): status WAITING,
    // a Close message to the peer unless the reason is the shutdown one, OnClosed, release
    // of the session. Then the connection closes once its queued messages are written, or,
    // without a connection, the handler deletes itself. No session: nothing happens.
    Status Close(std::uint32_t reason, int by);

    CTransportSession* GetSession() const { return m_session; }
    // The session is being deleted without the handler: the connection is closed (or the
    // handler deleted, when there is none).
    void ForgetSession();

    // The connection dropped (closed, failed or shut down): the subclass decides what becomes
    // of the session.
    Status OnDetach(TransportSocket* object, int reason) override;
    // A connect that never came up counts as a dropped connection; no socket will ever
    // remove this handler, so it deletes itself.
    Status OnConnectFailed(TransportSocket* object, Status code) override;
    Status OnConnectAborted(TransportSocket* object) override;

    // Once the session has ended, the rest of a read burst is left unread.
    Status DeliverMessage(const CTNDataMessageHeader& header, sti::CMessageReader& reader) override;

protected:
    // Called with the session still linked and the connection already gone.
    virtual void OnConnectionLost() = 0;

    // Takes ownership of a finished message and sends it without blocking.
    Status Send(DataMessageBlock* message);
    // Unlinks the session and deletes it (out of its manager, callback released).
    void EndSession();
    // Closes the connection once the queued messages are written.
    void CloseConnection();

    CTransportSession* m_session; // not owned; null once detached
};
