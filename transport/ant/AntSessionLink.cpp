#include "transport/ant/AntSessionLink.h"

#include "transport/ant/AntSessionManager.h"

void CAntSessionLink::SetAntThread(CAntThread* thread)
{
    if (CAntSessionManager* manager = CAntSessionManager::Instance()) {
        manager->SetAntThread(thread);
    }
}

void CAntSessionLink::SetUDPHandler(CAntUDPSockHandler* handler)
{
    if (CAntSessionManager* manager = CAntSessionManager::Instance()) {
        manager->SetUDPHandler(handler);
    }
}

void CAntSessionLink::SetAdvertiseLocalAddress(bool advertise)
{
    if (CAntSessionManager* manager = CAntSessionManager::Instance()) {
        manager->SetAdvertiseLocalAddress(advertise);
    }
}

Status CAntSessionLink::CreateSession(STI_OS::SocketHandle descriptor, std::uint32_t serial, std::uint32_t peerId,
                                      std::uint32_t keyLow, std::uint32_t keyHigh, CAntSession*& session)
{
    session = nullptr;
    CAntSessionManager* manager = CAntSessionManager::Instance();
    if (manager == nullptr) {
        return ST_NO_MEMORY;
    }
    return manager->CreateSession(descriptor, serial, peerId, keyLow, keyHigh, session);
}

Status CAntSessionLink::StartSession(CAntSession* session)
{
    CAntSessionManager* manager = CAntSessionManager::Instance();
    return manager != nullptr ? manager->StartSession(session) : ST_INTERNAL_ERROR;
}

Status CAntSessionLink::OnDatagram(SAntPacket& packet, const CIPEndpoint& source)
{
    CAntSessionManager* manager = CAntSessionManager::Instance();
    return manager != nullptr ? manager->OnDatagram(packet, source) : ST_INVALID_MESSAGE;
}

Status CAntSessionLink::OnUnreachable(const CIPEndpoint& address)
{
    CAntSessionManager* manager = CAntSessionManager::Instance();
    return manager != nullptr ? manager->OnUnreachable(address) : ST_NOT_FOUND;
}

Status CAntSessionLink::OnWritable()
{
    CAntSessionManager* manager = CAntSessionManager::Instance();
    return manager != nullptr ? manager->OnWritable() : ST_NO_MORE_DATA;
}

Status CAntSessionLink::OnSessionTimer(std::uint16_t sessionId, std::uint16_t kind)
{
    CAntSessionManager* manager = CAntSessionManager::Instance();
    return manager != nullptr ? manager->OnSessionTimer(sessionId, kind) : ST_NOT_FOUND;
}

std::size_t CAntSessionLink::GetSessionCount() const
{
    CAntSessionManager* manager = CAntSessionManager::Instance();
    return manager != nullptr ? manager->GetSessionCount() : 0;
}

void CAntSessionLink::CloseAllBackends()
{
    if (CAntSessionManager* manager = CAntSessionManager::Instance()) {
        manager->CloseAllBackends();
    }
}

void CAntSessionLink::DestroyAllSessions()
{
    if (CAntSessionManager* manager = CAntSessionManager::Instance()) {
        manager->DestroyAllSessions();
    }
}
