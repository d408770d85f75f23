#include "transport/ant/AntSessionManager.h"

#include "infra/Dispatcher.h"
#include "infra/Singleton.h"
#include "infra/TCPSocket.h"
#include "transport/ant/AntBackendHandler.h"
#include "transport/ant/wire/AntHandshakeBodies.h"
#include "transport/ant/wire/AntHeader.h"
#include "transport/ant/AntNetworkHandler.h"
#include "transport/ant/AntSession.h"
#include "transport/ant/AntSocketMap.h"
#include "transport/ant/AntTransportPort.h"

#include <new>

CAntSessionManager* CAntSessionManager::Instance()
{
    return sti::CSingleton<CAntSessionManager>::Instance();
}

CAntSessionManager::~CAntSessionManager()
{
    DestroyAllSessions();
    m_doomed.clear();
}

CAntSessionManager::CEntryGuard::~CEntryGuard()
{
    if (--m_manager.m_depth == 0)
        m_manager.Reap();
}

void CAntSessionManager::Reap()
{
    // Deleting may not re-enter, but keep the list stable while it is cleared.
    std::vector<std::unique_ptr<CAntSession>> doomed;
    doomed.swap(m_doomed);
    doomed.clear();
}

std::uint64_t CAntSessionManager::PeerKey(const CIPEndpoint& address)
{
    return (std::uint64_t(address.GetAddress().Get()) << 16) | address.GetPort();
}

std::uint16_t CAntSessionManager::TakeId()
{
    // Ids in use are skipped once the counter has wrapped; 0 is never given.
    for (std::uint32_t tries = 0; tries < 0x10000; ++tries) {
        const std::uint16_t id = m_nextId;
        m_nextId = std::uint16_t(m_nextId == 0xFFFF ? 1 : m_nextId + 1);
        if (id != 0 && !FindById(id))
            return id;
    }
    return 0;
}

CAntSession* CAntSessionManager::FindById(std::uint16_t id) const
{
    STI_OWNING_THREAD(m_owner);
    const auto& index = m_sessions.get<ById>();
    const auto it = index.find(id);
    return it == index.end() ? nullptr : it->Session;
}

CAntSession* CAntSessionManager::FindByKey(std::uint64_t key) const
{
    STI_OWNING_THREAD(m_owner);
    const auto& index = m_sessions.get<ByKey>();
    const auto range = index.equal_range(key);
    CAntSession* found = nullptr;
    for (auto it = range.first; it != range.second; ++it) {
        // Prefer a session still in its handshake or open over one that is ending.
        if (!found || (it->Session->NetworkState != ANT_NETWORK_ENDED && found->NetworkState == ANT_NETWORK_ENDED))
            found = it->Session;
    }
    return found;
}

Status CAntSessionManager::CreateSession(STI_OS::SocketHandle descriptor, std::uint32_t serial, std::uint32_t peerId,
                                         std::uint32_t keyLow, std::uint32_t keyHigh, CAntSession*& session)
{
    STI_OWNING_THREAD(m_owner);
    session = CreateSession(descriptor, peerId, keyLow, keyHigh, serial);
    return session ? ST_SUCCESS : ST_NO_MEMORY;
}

CAntSession* CAntSessionManager::CreateSession(STI_OS::SocketHandle descriptor, std::uint32_t peerId,
                                               std::uint32_t keyLow, std::uint32_t keyHigh, std::uint32_t serial)
{
    STI_OWNING_THREAD(m_owner);
    const std::uint16_t id = TakeId();
    if (id == 0)
        return nullptr;
    std::unique_ptr<CAntSession> session(new (std::nothrow) CAntSession());
    if (!session)
        return nullptr;
    session->Descriptor = descriptor;
    session->Serial = serial;
    session->PeerId = peerId;
    session->Key = (std::uint64_t(keyHigh) << 32) | keyLow;
    session->OwnId = id;
    try {
        m_sessions.get<BySendOrder>().push_back(SEntry{session.get(), id, session->Key, PeerKey(session->PeerPublic)});
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    // A session its descriptor does not lead to could never be closed by its user.
    CAntSocketMap* map = CAntSocketMap::Instance();
    if (map && map->Insert(descriptor, session.get()) != ST_SUCCESS) {
        m_sessions.get<ById>().erase(id);
        return nullptr;
    }
    return session.release();
}

Status CAntSessionManager::StartSession(CAntSession* session)
{
    STI_OWNING_THREAD(m_owner);
    if (!session)
        return ST_INVALID_PARAM;
    CEntryGuard guard(*this);
    session->Network.reset(new (std::nothrow) CAntNetworkHandler(*this, *session));
    if (!session->Network) {
        // Through the owner of the descriptor: it may have closed it already, and its number
        // may belong to a newer socket by now.
        // The missing memory is the failure to report.
        if (m_port)
            (void)m_port->CloseUserSocket(session->Descriptor, session->Serial);
        DestroySession(*session);
        return ST_NO_MEMORY;
    }
    session->BackendState = ANT_BACKEND_NONE;
    session->SessionState = ANT_SESSION_CONNECTING;
    session->NetworkState = ANT_NETWORK_CONNECTING;
    // A failed first request is sent again by the state's timer.
    (void)session->Network->Connect();
    return ST_SUCCESS;
}

void CAntSessionManager::SetPeerPublic(CAntSession& session, const CIPEndpoint& address)
{
    STI_OWNING_THREAD(m_owner);
    session.PeerPublic = address;
    auto& index = m_sessions.get<ById>();
    const auto it = index.find(session.OwnId);
    if (it != index.end() && it->Session == &session)
        index.modify(it, [&address](SEntry& entry) { entry.Peer = PeerKey(address); });
}

void CAntSessionManager::DestroySession(CAntSession& session)
{
    STI_OWNING_THREAD(m_owner);
    auto& index = m_sessions.get<ById>();
    const auto it = index.find(session.OwnId);
    if (it == index.end() || it->Session != &session)
        return; // already on its way
    index.erase(it);
    if (CAntSocketMap* map = CAntSocketMap::Instance())
        map->Erase(session.Descriptor, &session);
    if (session.Network)
        session.Network->CancelAllTimers();
    if (session.Backend) {
        session.Backend->ForgetSession();
        if (session.BackendSocket && m_port && m_port->GetDispatcher())
            m_port->GetDispatcher()->Close(session.BackendSocket, true);
        session.Backend = nullptr;
        session.BackendSocket = nullptr;
    }
    std::unique_ptr<CAntSession> owned(&session);
    if (m_depth > 0) {
        try {
            m_doomed.push_back(std::move(owned));
        } catch (const std::bad_alloc&) {
            // Deleted at once; nothing of it runs after this call anyway.
        }
    }
}

void CAntSessionManager::OnBackendGone(CAntSession& session)
{
    STI_OWNING_THREAD(m_owner);
    CEntryGuard guard(*this);
    if (session.NetworkState == ANT_NETWORK_ENDED) {
        DestroySession(session);
        return;
    }
    if (session.Network)
        session.Network->OnBackendGone();
}

Status CAntSessionManager::OnDatagram(SAntPacket& packet, const CIPEndpoint& source)
{
    STI_OWNING_THREAD(m_owner);
    return OnDatagram(CPacketRef(&packet), source);
}

Status CAntSessionManager::OnDatagram(const CPacketRef& packet, const CIPEndpoint& source)
{
    STI_OWNING_THREAD(m_owner);
    if (!packet)
        return ST_INVALID_PARAM;
    if (packet->Length > ANT_MAX_DATAGRAM)
        return ST_OUT_OF_BOUNDS;
    CEntryGuard guard(*this);
    CAntPacketReader reader(*packet);
    SAntHeader header;
    Status status = ReadAntHeader(reader, header);
    if (status != ST_SUCCESS)
        return status;
    CAntSession* session = nullptr;
    const int type = header.GetType();
    if (type == AntConnectRelay || type == AntHello) {
        // Peek at the key without consuming the body.
        CAntPacketReader peek(*packet, reader.GetPosition());
        if (type == AntConnectRelay) {
            SAntConnectRelayBody relay;
            if (ReadAntBody(peek, relay) != ST_SUCCESS)
                return ST_INVALID_MESSAGE;
            session = FindByKey(relay.Key);
        } else {
            SAntHelloBody hello;
            if (ReadAntBody(peek, hello) != ST_SUCCESS)
                return ST_INVALID_MESSAGE;
            // 0 means "unknown": a peer cannot be addressed by it.
            if (hello.SessionId == 0)
                return ST_INVALID_MESSAGE;
            session = FindByKey(hello.Key);
        }
        if (!session)
            return ST_INVALID_MESSAGE;
    } else {
        session = FindById(header.Destination);
        if (!session)
            return ST_INVALID_MESSAGE;
        if (source != session->PeerPublic)
            return ST_INVALID_MESSAGE;
    }
    if (!session->Network)
        return ST_INVALID_MESSAGE;
    session->LastSource = source;
    return session->Network->OnPacket(header, reader, packet);
}

Status CAntSessionManager::OnUnreachable(const CIPEndpoint& address)
{
    STI_OWNING_THREAD(m_owner);
    CEntryGuard guard(*this);
    std::vector<CAntSession*> hits;
    const auto& index = m_sessions.get<ByPeer>();
    const auto range = index.equal_range(PeerKey(address));
    for (auto it = range.first; it != range.second; ++it)
        hits.push_back(it->Session);
    if (hits.empty())
        return ST_NOT_FOUND;
    for (CAntSession* session : hits) {
        if (FindById(session->OwnId) == session && session->Network)
            session->Network->OnUnreachable();
    }
    return ST_SUCCESS;
}

void CAntSessionManager::AddToSendList(CAntSession& session)
{
    STI_OWNING_THREAD(m_owner);
    auto& byId = m_sessions.get<ById>();
    const auto it = byId.find(session.OwnId);
    if (it == byId.end() || it->Session != &session)
        return;
    session.OnSendList = true;
    auto& list = m_sessions.get<BySendOrder>();
    list.relocate(list.end(), m_sessions.project<BySendOrder>(it));
    // Without a socket nothing can be sent; the sessions' timers end them.
    if (m_port)
        (void)m_port->RequestWrite();
}

void CAntSessionManager::RemoveFromSendList(CAntSession& session)
{
    STI_OWNING_THREAD(m_owner);
    session.OnSendList = false;
}

Status CAntSessionManager::OnWritable()
{
    STI_OWNING_THREAD(m_owner);
    CEntryGuard guard(*this);
    // The list of this turn lives in a buffer kept between turns, so a flush of the UDP socket
    // allocates nothing. A nested turn would find it empty and make its own.
    std::vector<std::uint16_t> turn;
    turn.swap(m_turn);
    turn.clear();
    for (const SEntry& entry : m_sessions.get<BySendOrder>()) {
        if (entry.Session->OnSendList)
            turn.push_back(entry.Id);
    }
    bool anyLeft = false;
    for (std::uint16_t id : turn) {
        CAntSession* session = FindById(id);
        if (!session || !session->OnSendList || !session->Network)
            continue;
        bool wantsMore = false;
        // Always ST_SUCCESS; wantsMore says the rest.
        if (session->Network->GetState() == ANT_STATE_ESTABLISHED)
            (void)session->Network->SendBurst(wantsMore);
        if (FindById(id) != session)
            continue;
        if (wantsMore) {
            // To the back of the line, so every session gets its turn.
            AddToSendList(*session);
            anyLeft = true;
        } else {
            session->OnSendList = false;
        }
    }
    turn.clear();
    m_turn.swap(turn);
    return anyLeft ? ST_MORE_DATA : ST_NO_MORE_DATA;
}

Status CAntSessionManager::ScheduleSessionTimer(std::uint32_t timerKey, std::uint32_t milliseconds, int& timerId)
{
    STI_OWNING_THREAD(m_owner);
    timerId = -1;
    sti::CDispatcher* dispatcher = m_port ? m_port->GetDispatcher() : nullptr;
    if (!dispatcher)
        return ST_NOT_CONNECTED;
    const sti::CTimeValue due = sti::CTimeValue::Now() + sti::CTimeSpan(std::int32_t(milliseconds));
    return dispatcher->ScheduleTimer(due, this, reinterpret_cast<void*>(std::uintptr_t(timerKey)), timerId);
}

Status CAntSessionManager::RescheduleSessionTimer(int timerId, std::uint32_t timerKey, std::uint32_t milliseconds)
{
    STI_OWNING_THREAD(m_owner);
    sti::CDispatcher* dispatcher = m_port ? m_port->GetDispatcher() : nullptr;
    if (!dispatcher || timerId < 0)
        return ST_NOT_FOUND;
    const sti::CTimeValue due = sti::CTimeValue::Now() + sti::CTimeSpan(std::int32_t(milliseconds));
    return dispatcher->GetTimerQueue().RescheduleOwned(timerId, this, reinterpret_cast<void*>(std::uintptr_t(timerKey)),
                                                       due);
}

void CAntSessionManager::CancelSessionTimer(int timerId)
{
    STI_OWNING_THREAD(m_owner);
    sti::CDispatcher* dispatcher = m_port ? m_port->GetDispatcher() : nullptr;
    // A timer that fired meanwhile is gone already.
    if (dispatcher && timerId >= 0)
        (void)dispatcher->GetTimerQueue().CancelOwned(timerId, this);
}

Status CAntSessionManager::OnTimer(int timerId, const sti::CTimeValue&, void* parameter)
{
    STI_OWNING_THREAD(m_owner);
    return FireSessionTimer(timerId, std::uint32_t(reinterpret_cast<std::uintptr_t>(parameter)));
}

Status CAntSessionManager::OnSessionTimer(std::uint16_t sessionId, std::uint16_t kind)
{
    STI_OWNING_THREAD(m_owner);
    // Session timers run on the dispatcher's timer queue; a keyed timer of the UDP socket
    // (none is armed by the sessions) is served all the same.
    CEntryGuard guard(*this);
    CAntSession* session = FindById(sessionId);
    if (!session || !session->Network || kind == 0 || kind >= ANT_TIMER_KINDS)
        return ST_NOT_FOUND;
    return session->Network->OnTimer(kind);
}

Status CAntSessionManager::FireSessionTimer(int timerId, std::uint32_t id)
{
    STI_OWNING_THREAD(m_owner);
    CEntryGuard guard(*this);
    const int kind = int(id >> 16);
    CAntSession* session = FindById(std::uint16_t(id & 0xFFFF));
    if (!session || !session->Network)
        return ST_NOT_FOUND;
    if (kind <= 0 || kind >= ANT_TIMER_KINDS || !session->Network->HasTimer(kind, timerId))
        return ST_NOT_FOUND; // a timer that was replaced or cancelled meanwhile
    session->Network->ForgetTimer(kind);
    return session->Network->OnTimer(kind);
}

void CAntSessionManager::CloseAllBackends()
{
    STI_OWNING_THREAD(m_owner);
    CEntryGuard guard(*this);
    sti::CDispatcher* dispatcher = m_port ? m_port->GetDispatcher() : nullptr;
    for (const SEntry& entry : m_sessions.get<BySendOrder>()) {
        CAntSession* session = entry.Session;
        if (session->BackendSocket && dispatcher)
            dispatcher->Close(session->BackendSocket, true);
    }
}

void CAntSessionManager::DestroyAllSessions()
{
    STI_OWNING_THREAD(m_owner);
    CEntryGuard guard(*this);
    std::vector<CAntSession*> all;
    for (const SEntry& entry : m_sessions.get<BySendOrder>())
        all.push_back(entry.Session);
    for (CAntSession* session : all)
        DestroySession(*session);
}
