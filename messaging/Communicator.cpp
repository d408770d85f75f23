#include "messaging/Communicator.h"

#include <utility>

#include "infra/Dispatcher.h"
#include "infra/Singleton.h"
#include "messaging/ClientBufferAllocator.h"
#include "messaging/MsgAddress.h"
#include "messaging/MsgFraming.h"
#include "messaging/MsgHeader.h"
#include "messaging/MsgSockHandler.h"

CCommunicator* CCommunicator::Instance()
{
    return sti::CSingleton<CCommunicator>::Instance();
}

CCommunicator::CCommunicator() : m_allocator(ClientBufferAllocator<MSG_MAX_LENGTH>::Instance()) {}

CCommunicator::~CCommunicator()
{
    for (std::size_t code = 0; code < m_commands.size(); ++code)
        DropEntry(code);
}

Status CCommunicator::Init(std::uint32_t ownAddress, bool gateSwitch, CMsgBufferAllocator* allocator,
                           std::unique_ptr<CRoutingStrategy> strategy)
{
    if (!allocator || !strategy)
        return ST_INVALID_PARAM;
    m_ownAddress = ownAddress;
    m_gateSwitch = gateSwitch;
    m_allocator = allocator;
    m_strategy = std::move(strategy);
    m_sendCounter = 0;
    return ST_SUCCESS;
}

void CCommunicator::DropEntry(std::size_t code)
{
    SCommandEntry& entry = m_commands[code];
    CCommandHandler* handler = entry.Handler;
    const bool owned = entry.Owned;
    entry = SCommandEntry();
    if (!handler || !owned)
        return;
    for (const SCommandEntry& other : m_commands) {
        if (other.Handler == handler && other.Owned)
            return;
    }
    delete handler;
}

Status CCommunicator::RegisterCommand(std::uint16_t code, CCommandHandler* handler, bool owned)
{
    if (code >= m_commands.size())
        return ST_INVALID_PARAM;
    if (m_commands[code].Handler == handler) {
        // The same handler again: only its ownership changes, and it must not be deleted.
        m_commands[code].Owned = handler && owned;
        return ST_SUCCESS;
    }
    DropEntry(code);
    m_commands[code].Handler = handler;
    m_commands[code].Owned = handler && owned;
    return ST_SUCCESS;
}

Status CCommunicator::AddHandler(sti::IRWPollableObject* connection, CMsgSockHandler* handler)
{
    sti::CDispatcher* dispatcher = sti::CDispatcher::Instance();
    if (!dispatcher)
        return ST_NO_MEMORY;
    const Status status = dispatcher->Register(connection, handler, sti::INTEREST_READ);
    if (status != ST_SUCCESS)
        return status;
    if (m_strategy)
        m_strategy->SetRoute(handler);
    return ST_SUCCESS;
}

Status CCommunicator::RemoveHandler(sti::IRWPollableObject* connection)
{
    if (!connection)
        return ST_INVALID_PARAM;
    sti::CDispatcher* dispatcher = sti::CDispatcher::Existing();
    if (!dispatcher)
        return ST_NOT_FOUND;
    dispatcher->Close(connection, true);
    return ST_SUCCESS;
}

Status CCommunicator::AllocMessage(CMsgStream& stream)
{
    CMsgBuffer* buffer = nullptr;
    const Status status = m_allocator ? m_allocator->Allocate(buffer) : ST_NO_MEMORY;
    if (status != ST_SUCCESS || !buffer)
        return status != ST_SUCCESS ? status : ST_NO_MEMORY;
    m_allocator->AddRef(buffer);
    stream.Open(buffer, CMsgStream::MODE_WRITE);
    return ST_SUCCESS;
}

void CCommunicator::FreeMessage(CMsgStream& stream)
{
    if (m_allocator && stream.Buffer())
        m_allocator->Release(stream.Buffer());
    stream.Open(nullptr, CMsgStream::MODE_WRITE);
}

bool CCommunicator::IsGated(std::uint32_t destination) const
{
    return m_gateSwitch && !m_gateOpen && CMsgAddress(destination).IsGatedService();
}

Status CCommunicator::Send(std::uint32_t destination, std::uint32_t sourceClient, std::uint16_t command,
                           CMsgBuffer* buffer, int mode)
{
    if (!buffer)
        return ST_INVALID_PARAM;
    if (IsGated(destination))
        return ST_SUCCESS;
    CMsgSockHandler* route = nullptr;
    if (!m_strategy || m_strategy->GetRoute(destination, route) != ST_SUCCESS || !route)
        return ST_SUCCESS;

    CMsgHeader header;
    header.MessageLength = OutgoingMessageLength(*buffer);
    header.Checksum = 0;
    header.SourceAddr = m_ownAddress;
    header.DestinationAddr = destination;
    header.Command = command;
    header.SeqNumber = m_sendCounter;
    header.SourceClient = sourceClient;
    const Status written = WriteMessageHeader(*buffer, header);
    if (written != ST_SUCCESS)
        return written;

    const Status status = route->SendMessage(buffer, mode);
    ++m_sendCounter;
    return status;
}

Status CCommunicator::Dispatch(CMsgBuffer& message, const SMsgConnectionContext& from)
{
    CMsgHeader header;
    Status status = ReadReceivedHeader(message, header);
    if (status != ST_SUCCESS)
        return status;

    bool local = true;
    if (m_strategy) {
        status = m_strategy->IsLocal(message, from, local);
        if (status != ST_SUCCESS)
            return status;
    }
    if (!local) {
        // Passed on as it stands; nowhere to pass it is no fault of the connection it came on.
        CMsgSockHandler* route = nullptr;
        if (m_strategy->GetRoute(header.DestinationAddr, route) != ST_SUCCESS || !route)
            return ST_SUCCESS;
        return route->SendMessage(&message, 0);
    }

    if (m_gateSwitch && CMsgAddress(header.DestinationAddr).Low() == KV2Protocol::ADDR_LOW_GATED_SERVICE)
        m_gateOpen = header.CommandFlag();

    const std::uint16_t code = header.CommandCode();
    if (code >= m_commands.size() || !m_commands[code].Handler)
        return ST_NOT_FOUND;
    return m_commands[code].Handler->Dispatch(message, from);
}

Status CCommunicator::OnTimer(int timerId, const sti::CTimeValue&, void* parameter)
{
    auto* handler = static_cast<CMsgSockHandler*>(parameter);
    // A handler's destructor cancels its timer, so a live timer names a live handler.
    if (!handler || handler->GetTimerId() != timerId)
        return ST_SUCCESS;
    handler->CancelTimer();
    return m_strategy ? m_strategy->OnHandlerClosed(handler) : ST_SUCCESS;
}

Status CCommunicator::OnTimerRemoved(int, void*)
{
    return ST_SUCCESS;
}
