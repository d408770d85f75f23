#pragma once
// The Ant sessions of the process, indexed four ways (own session id, connection key, peer
// public address, send-list order), and the entry points the Ant thread calls: a datagram
// arrived, an ICMP unreachable report, the UDP socket is writable, a session timer fired.
// Sessions that end inside one of these calls are taken out of the indexes at once and
// deleted when the outermost call returns, so no handler runs on a deleted session.
// Ant thread only (checked in debug builds: the thread named by SetAntThread owns it, and
// without one the first caller does, as in tests).

#include "infra/IPAddress.h"
#include "infra/Longevity.h"
#include "infra/Status.h"
#include "infra/ThreadOwner.h"
#include "infra/TimeEventHandler.h"
#include "infra/os/Socket.h"
#include "transport/ant/AntTransportPort.h"
#include "transport/ant/PacketPool.h"

class CAntThread;
class CAntUDPSockHandler;

#include <boost/multi_index/hashed_index.hpp>
#include <boost/multi_index/member.hpp>
#include <boost/multi_index/ordered_index.hpp>
#include <boost/multi_index/sequenced_index.hpp>
#include <boost/multi_index_container.hpp>

#include <cstdint>
#include <memory>
#include <vector>

class CAntSession;

class CAntSessionManager : public sti::ITimeEventHandler {
public:
    static constexpr std::uint32_t LONGEVITY = sti::longevity::ANT_SESSION_MANAGER;

    // The process's manager (null only if it cannot be created).
    static CAntSessionManager* Instance();

    CAntSessionManager() = default;
    ~CAntSessionManager() override;

    // The UDP side used for sending and timers (tests); null goes back to the thread's.
    void SetPort(IAntTransportPort* port) { m_port = port ? port : &m_threadPort; }
    IAntTransportPort* GetPort() const { return m_port; }

    // The Ant thread and its UDP handler (null when they go). The Ant thread calls it on
    // its start and end, handing the manager to itself and back.
    void SetAntThread(CAntThread* thread)
    {
        m_threadPort.SetThread(thread);
        thread != nullptr ? m_owner.Bind() : m_owner.Release();
    }
    void SetUDPHandler(CAntUDPSockHandler* handler) { m_threadPort.SetHandler(handler); }
    void SetAdvertiseLocalAddress(bool on) { m_advertiseLocal = on; }
    bool GetAdvertiseLocalAddress() const { return m_advertiseLocal; }
    Status CreateSession(STI_OS::SocketHandle descriptor, std::uint32_t serial, std::uint32_t peerId,
                         std::uint32_t keyLow, std::uint32_t keyHigh, CAntSession*& session);
    Status OnDatagram(SAntPacket& packet, const CIPEndpoint& source);
    Status OnSessionTimer(std::uint16_t sessionId, std::uint16_t kind);

    // A new session with the next free id, entered in the indexes and in CAntSocketMap.
    // Null when memory is out.
    CAntSession* CreateSession(STI_OS::SocketHandle descriptor, std::uint32_t peerId, std::uint32_t keyLow,
                               std::uint32_t keyHigh, std::uint32_t serial = 0);
    // Creates the network handler and runs its connect. ST_NO_MEMORY (descriptor closed, session
    // destroyed) when the handler cannot be made.
    Status StartSession(CAntSession* session);

    // The datagram router. Its result concerns this datagram only.
    Status OnDatagram(const CPacketRef& packet, const CIPEndpoint& source);
    // ST_NOT_FOUND when no session talks to that address.
    Status OnUnreachable(const CIPEndpoint& address);
    // The send flush: ST_NO_MORE_DATA when no session is left wanting to send, else
    // ST_MORE_DATA.
    Status OnWritable();
    // The dispatcher timer timerId with key (kind << 16) | session id fired. ST_NOT_FOUND for
    // an unknown session or a timer replaced meanwhile.
    Status FireSessionTimer(int timerId, std::uint32_t key);

    // Shutdown of the Ant thread.
    void CloseAllBackends();
    void DestroyAllSessions();

    // Send list (reliable delivery).
    void AddToSendList(CAntSession& session);
    void RemoveFromSendList(CAntSession& session);

    // Re-keys the peer-address index.
    void SetPeerPublic(CAntSession& session, const CIPEndpoint& address);
    // Takes the session out of every index now; deletes it when the outermost entry returns.
    void DestroySession(CAntSession& session);
    // The backend of a session was removed by the dispatcher.
    void OnBackendGone(CAntSession& session);

    CAntSession* FindById(std::uint16_t id) const;
    CAntSession* FindByKey(std::uint64_t key) const;
    std::size_t GetSessionCount() const { return m_sessions.size(); }
    std::uint16_t GetNextId() const { return m_nextId; }
    void SetNextId(std::uint16_t id) { m_nextId = id == 0 ? 1 : id; }

    // Timer plumbing for the network handlers.
    Status ScheduleSessionTimer(std::uint32_t timerKey, std::uint32_t milliseconds, int& timerId);
    // Moves a timer scheduled above to milliseconds from now; ST_NOT_FOUND when the id no
    // longer names it.
    Status RescheduleSessionTimer(int timerId, std::uint32_t timerKey, std::uint32_t milliseconds);
    void CancelSessionTimer(int timerId);

    // sti::ITimeEventHandler: the parameter carries the 32-bit timer key.
    Status OnTimer(int timerId, const sti::CTimeValue& now, void* parameter) override;

    // Keeps sessions alive across one entry point; the outermost guard deletes the doomed.
    class CEntryGuard {
    public:
        explicit CEntryGuard(CAntSessionManager& manager) : m_manager(manager) { ++m_manager.m_depth; }
        ~CEntryGuard();
        CEntryGuard(const CEntryGuard&) = delete;
        CEntryGuard& operator=(const CEntryGuard&) = delete;

    private:
        CAntSessionManager& m_manager;
    };

private:
    struct SEntry {
        CAntSession* Session;
        std::uint16_t Id;
        std::uint64_t Key;
        std::uint64_t Peer; // address << 16 | port of the peer public address
    };
    struct ById {};
    struct ByKey {};
    struct ByPeer {};
    struct BySendOrder {};

    using Table = boost::multi_index_container<
        SEntry,
        boost::multi_index::indexed_by<
            boost::multi_index::hashed_unique<boost::multi_index::tag<ById>,
                                              boost::multi_index::member<SEntry, std::uint16_t, &SEntry::Id>>,
            boost::multi_index::hashed_non_unique<boost::multi_index::tag<ByKey>,
                                                  boost::multi_index::member<SEntry, std::uint64_t, &SEntry::Key>>,
            boost::multi_index::ordered_non_unique<boost::multi_index::tag<ByPeer>,
                                                   boost::multi_index::member<SEntry, std::uint64_t, &SEntry::Peer>>,
            boost::multi_index::sequenced<boost::multi_index::tag<BySendOrder>>>>;

    static std::uint64_t PeerKey(const CIPEndpoint& address);
    std::uint16_t TakeId();
    void Reap();

    Table m_sessions;
    std::vector<std::unique_ptr<CAntSession>> m_doomed;
    std::vector<std::uint16_t> m_turn; // OnWritable's buffer, empty between turns
    CAntThreadPort m_threadPort;
    IAntTransportPort* m_port = &m_threadPort; // not owned
    std::uint16_t m_nextId = 1;
    bool m_advertiseLocal = false;
    int m_depth = 0;
    sti::CThreadOwner m_owner; // the Ant thread's; checked on every entry in debug builds
};
