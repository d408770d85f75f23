#pragma once
// The protocol of one Ant session: the handshake through the rendezvous server, the close
// exchange, and, once established, reliable in-order delivery with acknowledgements, NAKs,
// probes and retransmission. Its timers run on the Ant thread's dispatcher under the id
// (kind << 16) | own session id and come back through CAntSessionManager::OnTimer.

#include "infra/IPAddress.h"
#include "infra/Status.h"
#include "transport/ant/AntFlowControl.h"
#include "transport/ant/wire/AntHandshakeBodies.h"
#include "transport/ant/wire/AntHeader.h"
#include "transport/ant/wire/AntNak.h"
#include "transport/ant/AntReceiveWindow.h"
#include "transport/ant/AntRtoBackoff.h"
#include "transport/ant/AntSendWindow.h"
#include "transport/ant/AntTrace.h"
#include "transport/ant/PacketPool.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CAntSession;
class CAntSessionManager;

enum AntProtocolState : int {
    ANT_STATE_IDLE = 1,
    ANT_STATE_REQUESTING = 2,
    ANT_STATE_GREETING = 3,
    ANT_STATE_CONFIRMING = 4,
    ANT_STATE_AWAITING_HELLO = 5,
    ANT_STATE_ESTABLISHED = 6,
    ANT_STATE_CLOSING = 7,
    ANT_STATE_CLOSE_ACKED = 8,
    ANT_STATE_PEER_CLOSING = 9,
    ANT_STATE_TIME_WAIT = 10,
    ANT_STATE_PEER_CLOSED = 11,
    ANT_STATE_LAST_CLOSE = 12
};

enum AntTimerKind : int {
    ANT_TIMER_STATE = 1,
    ANT_TIMER_CONNECT_LIMIT = 2,
    ANT_TIMER_PACE = 3, // new data waits for its pace (inside this copy only)
    ANT_TIMER_ACK = 4,
    ANT_TIMER_RETRANSMIT = 5,
    ANT_TIMER_PROBE = 6,
    ANT_TIMER_NAK = 7,
    ANT_TIMER_LINGER = 8,
    ANT_TIMER_KINDS = 9
};

constexpr std::uint32_t ANT_CONNECT_LIMIT_MS = 60000;
constexpr std::uint32_t ANT_STATE_TIMEOUT_MS = 5000;
constexpr std::uint32_t ANT_STATE_TRIES = 10;
constexpr std::uint32_t ANT_SILENCE_LIMIT_MS = 20000;
constexpr std::uint32_t ANT_TIME_WAIT_MS = 10000;
constexpr std::uint32_t ANT_PROBE_INTERVAL_MS = 5000;
constexpr std::uint32_t ANT_LINGER_LIMIT_MS = 5000;
constexpr std::uint32_t ANT_ACK_INTERVAL_MS = 200;
constexpr std::uint32_t ANT_NAK_INTERVAL_MIN_MS = 50;
constexpr std::uint32_t ANT_UNREACHABLE_GRACE_MS = 5000;
// Packets one session sends in a row before the next session on the send list gets a turn.
constexpr int ANT_SEND_BURST = 100;

class CAntNetworkHandler {
public:
    CAntNetworkHandler(CAntSessionManager& manager, CAntSession& session);
    // Cancels every timer of the session; releases every queued packet.
    ~CAntNetworkHandler();

    CAntNetworkHandler(const CAntNetworkHandler&) = delete;
    CAntNetworkHandler& operator=(const CAntNetworkHandler&) = delete;

    // Idle to Requesting: ISN, send window, connect limit, first request.
    Status Connect();
    // A datagram for this session; the reader stands behind the header.
    Status OnPacket(const SAntHeader& header, CAntPacketReader& reader, const CPacketRef& packet);
    // A timer of this session fired (the id is forgotten before this runs).
    Status OnTimer(int kind);
    // An ICMP unreachable report for the peer's address.
    void OnUnreachable();

    // One turn of the send flush: up to ANT_SEND_BURST packets. wantsMore is true when the
    // turn stopped at the cap with more to send.
    Status SendBurst(bool& wantsMore);

    // Backend events.
    void OnBackendReadable();
    void OnBackendDrained();
    void OnUserClosed();
    // The user's end failed before it was seen closing; remainder is what it had written
    // and the session had not yet read. It is sent once the backend is gone, then the
    // session closes as if the user had closed.
    void OnUserFailed(std::string remainder);
    void OnBackendGone();

    int GetState() const { return m_state; }
    bool IsTimerArmed(int kind) const { return m_timerIds[kind] >= 0; }
    bool HasTimer(int kind, int timerId) const { return m_timerIds[kind] == timerId; }
    void ForgetTimer(int kind) { m_timerIds[kind] = -1; }
    void CancelAllTimers();

    const CAntSendWindow& GetSendWindow() const { return m_send; }
    const CAntReceiveWindow& GetReceiveWindow() const { return m_receive; }
    IAntFlowControlStrategy* GetStrategy() const { return m_strategy.get(); }
    std::uint32_t GetRetriesLeft() const { return m_retries; }
    std::uint32_t GetBackoffMultiplier() const { return m_backoff.GetMultiplier(); }

private:
    // State machine.
    Status SetState(int state);
    Status RunEntryAction();
    Status RetryStep();
    Status GiveUp();
    Status Establish();
    void TakeInHello(const SAntHelloBody& hello);
    void PeerClosed();
    void StartLocalClose();
    void EndBackend();
    Status OnEstablishedPacket(const SAntHeader& header, CAntPacketReader& reader, const CPacketRef& packet);

    // Reliable delivery.
    Status OnData(const SAntHeader& header, const CPacketRef& packet);
    Status OnAckPacket(const SAntHeader& header, CAntPacketReader& reader);
    Status OnNakPacket(CAntPacketReader& reader);
    Status OnProbe(CAntPacketReader& reader);
    Status Deliver(bool& stopped);
    Status SendAck(std::uint8_t flags);
    Status SendNak(std::uint32_t first, std::uint32_t end);
    Status OnRetransmitTimeout();
    Status OnNakTimer();
    Status OnAckTimer();
    void OpenSendWindow();
    // The peer still answers (an acknowledgement that leaves the window full, or a NAK): the
    // retransmission time-out starts again instead of firing in the middle of the exchange.
    void PostponeRetransmitTimeout();
    // Whether new data may leave now at the pace of cwnd packets per smoothed round trip;
    // if not, the pace timer brings the session back to the send list.
    bool PaceAllows();
    // Whether a NAK names a packet sent after the window last answered a loss.
    bool IsNewLoss(const std::vector<SAntNakRange>& ranges) const;
    void CheckLocalCloseDone();
    // One line of the session's trace, when tracing is on.
    void Trace(const char* event, std::uint32_t a = 0, std::uint32_t b = 0)
    {
        if (m_trace.IsOn())
            WriteTrace(event, a, b);
    }
    void WriteTrace(const char* event, std::uint32_t a, std::uint32_t b);

    // Sending.
    Status SendControl(int type, std::uint16_t value, const CIPEndpoint& to);
    Status SendRequest();
    Status SendHellos();
    Status SendHello(const CIPEndpoint& to);
    Status SendHelloConfirm();
    Status SendPacket(const SAntPacket& packet, const CIPEndpoint& to);
    Status FillFromBackend(bool& ended);
    Status TakeUserRemainder(void* buffer, std::uint32_t size, std::uint32_t& count);

    void ArmTimer(int kind, std::uint32_t milliseconds);
    void CancelTimer(int kind);
    std::uint32_t Interval() const;
    static std::uint64_t NowMs();

    CAntSessionManager& m_manager;
    CAntSession& m_session;
    int m_state = ANT_STATE_IDLE;
    std::uint32_t m_retries = 0;
    CAntRtoBackoff m_backoff;
    bool m_hasDistinctLocal = false;
    bool m_sendBlocked = false;
    bool m_unreachableTolerant = true;
    std::uint64_t m_unreachableDeadline = 0;
    bool m_closeWhenDrained = false; // local close in state 6 waits for the send queue
    bool m_userFailed = false;       // the send flush takes m_userRemainder, then the user is closed
    std::string m_userRemainder;
    std::size_t m_userRemainderTaken = 0;
    CAntSendWindow m_send;
    CAntReceiveWindow m_receive;
    std::uint32_t m_isn = 0;
    std::uint32_t m_lastAckSent = 0;   // last cumulative acknowledgement sent
    std::uint32_t m_highestEchoed = 0; // own cumulative acknowledgement echoed by the peer
    std::uint16_t m_controlCounter = 0;
    std::uint16_t m_ackSerial = 0;
    std::uint32_t m_received = 0;
    std::uint32_t m_receivedAtAck = 0;
    std::uint32_t m_naksSent = 0;
    std::uint32_t m_naksReceived = 0;
    std::uint32_t m_sent = 0;
    std::uint64_t m_lastLossReaction = 0;
    // Highest sequence number sent when the window last answered a loss, once it has.
    bool m_lossAnswered = false;
    std::uint32_t m_lossAnsweredUpTo = 0;
    std::unique_ptr<IAntFlowControlStrategy> m_strategy;
    int m_timerIds[ANT_TIMER_KINDS];
    // Pacing: packets new data may still send now, and when that was worked out (us).
    double m_paceCredit = 0;
    std::uint64_t m_paceAt = 0;
    CAntTrace m_trace;
};
