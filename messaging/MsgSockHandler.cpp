#include "messaging/MsgSockHandler.h"

#include <utility>

#include "messaging/Communicator.h"
#include "messaging/MsgSockHandlerImpl.h"

CMsgSockHandler::CMsgSockHandler(CCommunicator& communicator, std::unique_ptr<IMessageVerifier> verifier,
                                 std::unique_ptr<IMsgDecoder> decoder, std::unique_ptr<IMsgEncoder> encoder,
                                 std::unique_ptr<IMsgBufferQueue> queue)
    : m_impl(new CMsgSockHandlerImpl(*this, communicator, std::move(verifier), std::move(decoder), std::move(encoder),
                                     std::move(queue)))
{}

CMsgSockHandler::~CMsgSockHandler() = default;

Status CMsgSockHandler::SendMessage(CMsgBuffer* buffer, int mode)
{
    return m_impl->SendMessage(m_object, buffer, mode);
}

void CMsgSockHandler::SetEncoder(std::unique_ptr<IMsgEncoder> encoder)
{
    m_impl->SetEncoder(std::move(encoder));
}

void CMsgSockHandler::SetDecoder(std::unique_ptr<IMsgDecoder> decoder)
{
    m_impl->SetDecoder(std::move(decoder));
}

const SMsgConnectionContext& CMsgSockHandler::GetContext() const
{
    return m_impl->Context();
}

sti::CDispatcher* CMsgSockHandler::GetDispatcher() const
{
    return m_impl->Dispatcher();
}

bool CMsgSockHandler::IsConnected() const
{
    return m_impl->IsConnected();
}

void CMsgSockHandler::SetIdleInterval(std::int32_t milliseconds)
{
    m_impl->SetIdleInterval(milliseconds);
}

int CMsgSockHandler::GetTimerId() const
{
    return m_impl->TimerId();
}

void CMsgSockHandler::CancelTimer()
{
    m_impl->CancelTimer();
}

bool CMsgSockHandler::HasPendingOutput() const
{
    return m_impl->HasPendingOutput();
}

std::uint64_t CMsgSockHandler::GetSentCount() const
{
    return m_impl->SentCount();
}

std::uint64_t CMsgSockHandler::GetWrittenCount() const
{
    return m_impl->WrittenCount();
}

void CMsgSockHandler::HoldOutput(bool hold)
{
    m_impl->HoldOutput(m_object, hold);
}

Status CMsgSockHandler::OnAttach(sti::IRWPollableObject* object)
{
    m_impl->Attach(sti::CDispatcher::Existing());
    return CSocketAttachedEventHandler::OnAttach(object);
}

Status CMsgSockHandler::OnConnected(sti::IRWPollableObject*)
{
    return m_impl->Connected();
}

Status CMsgSockHandler::OnDetach(sti::IRWPollableObject* object, int reason)
{
    m_impl->Detached();
    return CSocketAttachedEventHandler::OnDetach(object, reason);
}

Status CMsgSockHandler::OnWrite(sti::IRWPollableObject* object)
{
    return m_impl->Write(object);
}

Status CMsgSockHandler::OnRead(sti::IRWPollableObject* object)
{
    return m_impl->Read(object);
}

Status CMsgSockHandler::OnError(sti::IRWPollableObject* object, Status code)
{
    m_impl->CancelTimer();
    return CSocketAttachedEventHandler::OnError(object, code);
}
