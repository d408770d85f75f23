#include "transport/transfer/TransportManagerHandler.h"

#include "infra/Dispatcher.h"
#include "transport/transfer/CloseReason.h"
#include "transport/transfer/TransportCallback.h"
#include "transport/transfer/TransportSession.h"

CTransportManagerHandler::CTransportManagerHandler(CTransportSession* session) : m_session(session)
{
    if (m_session != nullptr) {
        m_session->SetHandler(this);
    }
}

CTransportManagerHandler::~CTransportManagerHandler()
{
    if (m_session != nullptr) {
        m_session->SetHandler(nullptr);
    }
}

Status CTransportManagerHandler::Close(std::uint32_t reason, int by)
{
    if (m_session == nullptr) {
        return ST_SUCCESS;
    }
    m_session->SetStatus(SESSION_STATUS_WAITING);
    SetOutputWanted(false);
    if (m_object != nullptr && reason != CLOSE_REASON_SHUTDOWN) {
        // A failed send still ends the session; the peer then sees the connection drop.
        (void)SendCode(reason);
    }
    m_session->GetCallback()->OnClosed(by, reason);
    EndSession();
    if (m_object != nullptr) {
        CloseConnection();
    } else {
        delete this;
    }
    return ST_SUCCESS;
}

void CTransportManagerHandler::ForgetSession()
{
    m_session = nullptr;
    SetOutputWanted(false);
    if (m_object != nullptr) {
        CloseConnection();
    } else {
        delete this;
    }
}

Status CTransportManagerHandler::OnDetach(TransportSocket* object, int reason)
{
    Status status = Base::OnDetach(object, reason);
    if (reason != sti::DETACH_HANDED_ON && m_session != nullptr) {
        OnConnectionLost();
    }
    return status;
}

Status CTransportManagerHandler::OnConnectFailed(TransportSocket* object, Status code)
{
    (void)object;
    if (m_session != nullptr) {
        OnConnectionLost();
    }
    delete this;
    return code;
}

Status CTransportManagerHandler::OnConnectAborted(TransportSocket* object)
{
    (void)object;
    if (m_session != nullptr) {
        OnConnectionLost();
    }
    delete this;
    return ST_SUCCESS;
}

Status CTransportManagerHandler::DeliverMessage(const CTNDataMessageHeader& header, sti::CMessageReader& reader)
{
    // ST_MORE_DATA ends the framing's read loop without an error; the connection is closing
    // by then, so nothing more is read from it.
    if (m_session == nullptr) {
        return ST_MORE_DATA;
    }
    Status status = OnMessage(header, reader);
    if (status == ST_SUCCESS && m_session == nullptr) {
        return ST_MORE_DATA;
    }
    return status;
}

Status CTransportManagerHandler::Send(DataMessageBlock* message)
{
    return SendMessage(message, sti::SEND_NON_BLOCKING);
}

void CTransportManagerHandler::EndSession()
{
    CTransportSession* session = m_session;
    m_session = nullptr;
    if (session != nullptr) {
        session->SetHandler(nullptr);
        CTransportSession::Destroy(session);
    }
}

void CTransportManagerHandler::CloseConnection()
{
    sti::CDispatcher* dispatcher = sti::CDispatcher::Instance();
    if (dispatcher != nullptr && m_object != nullptr) {
        // Fails only for a null object.
        (void)dispatcher->CloseAfterWrite(m_object);
    }
}
