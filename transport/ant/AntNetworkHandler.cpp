#include "transport/ant/AntNetworkHandler.h"

#include "infra/os/Clock.h"
#include "transport/ant/wire/AntAckBodies.h"
#include "transport/ant/AntBackendHandler.h"
#include "transport/ant/AntClock.h"
#include "transport/ant/wire/AntDataBody.h"
#include "transport/ant/AntLoopbackBackend.h"
#include "transport/ant/wire/AntNak.h"
#include "transport/ant/AntNiceFlowControl.h"
#include "transport/ant/wire/AntSequence.h"
#include "transport/ant/AntSession.h"
#include "transport/ant/AntSessionManager.h"
#include "transport/ant/AntTransportPort.h"
#include "transport/SpeedSwitches.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {

bool IsSendable(const CIPEndpoint& to)
{
    return to.GetPort() != 0 && to.GetAddress().Get() != 0;
}

std::uint32_t TimerKey(int kind, std::uint16_t id)
{
    return (std::uint32_t(kind) << 16) | id;
}

} // namespace

CAntNetworkHandler::CAntNetworkHandler(CAntSessionManager& manager, CAntSession& session)
    : m_manager(manager), m_session(session)
{
    for (int& id : m_timerIds)
        id = -1;
}

CAntNetworkHandler::~CAntNetworkHandler()
{
    CancelAllTimers();
}

std::uint64_t CAntNetworkHandler::NowMs()
{
    return STI_OS::GetClock();
}

std::uint32_t CAntNetworkHandler::Interval() const
{
    return m_strategy ? m_strategy->GetInterval() : 1000;
}

void CAntNetworkHandler::ArmTimer(int kind, std::uint32_t milliseconds)
{
    // A timer still armed moves to its new time: the acknowledgement and retransmission
    // timers are re-armed for nearly every packet, and a cancel and a new timer each time
    // cost several times a move.
    const std::uint32_t key = TimerKey(kind, m_session.OwnId);
    if (m_timerIds[kind] >= 0 && m_manager.RescheduleSessionTimer(m_timerIds[kind], key, milliseconds) == ST_SUCCESS)
        return;
    CancelTimer(kind);
    int id = -1;
    if (m_manager.ScheduleSessionTimer(key, milliseconds, id) == ST_SUCCESS)
        m_timerIds[kind] = id;
}

void CAntNetworkHandler::CancelTimer(int kind)
{
    if (m_timerIds[kind] >= 0)
        m_manager.CancelSessionTimer(m_timerIds[kind]);
    m_timerIds[kind] = -1;
}

void CAntNetworkHandler::CancelAllTimers()
{
    for (int kind = 0; kind < ANT_TIMER_KINDS; ++kind)
        CancelTimer(kind);
}

// ---- state machine ----

Status CAntNetworkHandler::Connect()
{
    const std::uint32_t t = std::uint32_t(STI_OS::GetClock());
    const std::uint32_t r1 = std::uint32_t(std::rand());
    const std::uint32_t r2 = std::uint32_t(std::rand());
    const std::uint32_t r3 = std::uint32_t(std::rand());
    m_isn = (t ^ (((r1 << 4) ^ r2) << 12) ^ (r3 >> 4)) & ANT_SEQUENCE_MASK;
    m_send.Reset(m_isn);
    ArmTimer(ANT_TIMER_CONNECT_LIMIT, ANT_CONNECT_LIMIT_MS);
    return SetState(ANT_STATE_REQUESTING);
}

Status CAntNetworkHandler::SetState(int state)
{
    m_state = state;
    CancelTimer(ANT_TIMER_STATE);
    if (state == ANT_STATE_IDLE) {
        m_retries = 0;
        return ST_SUCCESS;
    }
    std::uint32_t timeout = ANT_STATE_TIMEOUT_MS;
    m_retries = ANT_STATE_TRIES;
    if (state == ANT_STATE_ESTABLISHED) {
        timeout = ANT_SILENCE_LIMIT_MS;
        m_retries = 1;
    } else if (state == ANT_STATE_TIME_WAIT) {
        timeout = ANT_TIME_WAIT_MS;
        m_retries = 1;
    }
    ArmTimer(ANT_TIMER_STATE, timeout);
    return RunEntryAction();
}

Status CAntNetworkHandler::RunEntryAction()
{
    switch (m_state) {
    case ANT_STATE_REQUESTING:
        return SendRequest();
    case ANT_STATE_GREETING:
        return SendHellos();
    case ANT_STATE_CONFIRMING: {
        const Status status = SendHellos();
        const Status confirm = SendHelloConfirm();
        return status != ST_SUCCESS ? status : confirm;
    }
    case ANT_STATE_CLOSING:
    case ANT_STATE_LAST_CLOSE:
        return SendControl(AntClose, 0, m_session.PeerPublic);
    case ANT_STATE_PEER_CLOSING:
    case ANT_STATE_TIME_WAIT:
    case ANT_STATE_PEER_CLOSED:
        return SendControl(AntCloseAck, 0, m_session.PeerPublic);
    default:
        return ST_SUCCESS;
    }
}

Status CAntNetworkHandler::RetryStep()
{
    if (m_retries > 0)
        --m_retries;
    // The resend may fail (no route yet, server not resolved); the state still keeps its
    // time limit.
    const Status status = RunEntryAction();
    if (m_retries == 0)
        return GiveUp();
    std::uint32_t timeout = ANT_STATE_TIMEOUT_MS;
    if (m_state == ANT_STATE_ESTABLISHED)
        timeout = ANT_SILENCE_LIMIT_MS;
    else if (m_state == ANT_STATE_TIME_WAIT)
        timeout = ANT_TIME_WAIT_MS;
    if (m_state != ANT_STATE_IDLE)
        ArmTimer(ANT_TIMER_STATE, timeout);
    return status;
}

Status CAntNetworkHandler::GiveUp()
{
    switch (m_state) {
    case ANT_STATE_IDLE:
        return ST_SUCCESS;
    case ANT_STATE_REQUESTING:
    case ANT_STATE_CONFIRMING:
    case ANT_STATE_AWAITING_HELLO:
        CancelAllTimers();
        // Entering idle sends nothing and cannot fail.
        (void)SetState(ANT_STATE_IDLE);
        EndBackend();
        return ST_SUCCESS;
    case ANT_STATE_GREETING:
        return SetState(ANT_STATE_REQUESTING);
    default:
        CancelAllTimers();
        m_manager.RemoveFromSendList(m_session);
        // Entering idle sends nothing and cannot fail.
        (void)SetState(ANT_STATE_IDLE);
        EndBackend();
        return ST_CONNECTION_CLOSED;
    }
}

void CAntNetworkHandler::TakeInHello(const SAntHelloBody& hello)
{
    m_session.PeerSessionId = hello.SessionId;
    m_manager.SetPeerPublic(m_session, m_session.LastSource);
    m_hasDistinctLocal = false;
    m_receive.Reset(hello.InitialSequence);
    m_send.SetMaxWindow(hello.Window);
    m_send.SetCwnd(1);
    m_lastAckSent = hello.InitialSequence & ANT_SEQUENCE_MASK;
    m_highestEchoed = m_lastAckSent;
}

Status CAntNetworkHandler::Establish()
{
    m_manager.SetPeerPublic(m_session, m_session.LastSource);
    CancelTimer(ANT_TIMER_CONNECT_LIMIT);
    m_session.NetworkState = ANT_NETWORK_ESTABLISHED;
    if (CreateAntLoopbackBackend(m_manager, m_session) != ST_SUCCESS)
        m_session.SessionState = ANT_SESSION_CLOSING;
    else
        m_session.SessionState = ANT_SESSION_OPEN;
    m_strategy.reset(new (std::nothrow) CAntNiceFlowControl(m_send));
    if (!m_strategy) {
        // The missing memory is the failure to report.
        (void)GiveUp();
        return ST_NO_MEMORY;
    }
    // The flow control's notices cannot fail; it answers through its out-parameters.
    (void)m_strategy->Start();
    ArmTimer(ANT_TIMER_PROBE, ANT_PROBE_INTERVAL_MS);
    const std::uint32_t interval = Interval();
    ArmTimer(ANT_TIMER_NAK, interval < ANT_NAK_INTERVAL_MIN_MS ? ANT_NAK_INTERVAL_MIN_MS : interval);
    ArmTimer(ANT_TIMER_RETRANSMIT, m_backoff.GetTimeout(interval));
    ArmTimer(ANT_TIMER_ACK, ANT_ACK_INTERVAL_MS);
    m_unreachableDeadline = NowMs() + ANT_UNREACHABLE_GRACE_MS;
    m_lastLossReaction = NowMs();
    m_trace.Open(m_session.OwnId);
    return SetState(ANT_STATE_ESTABLISHED);
}

void CAntNetworkHandler::PeerClosed()
{
    for (int kind = ANT_TIMER_ACK; kind <= ANT_TIMER_NAK; ++kind)
        CancelTimer(kind);
    m_manager.RemoveFromSendList(m_session);
    // A failed entry send is sent again by the state's timer.
    (void)SetState(ANT_STATE_PEER_CLOSED);
    m_session.NetworkState = ANT_NETWORK_PEER_CLOSED;
    m_session.SessionState = ANT_SESSION_CLOSING;
    if (m_session.Backend && m_session.BackendState == ANT_BACKEND_OPEN) {
        m_session.BackendState = ANT_BACKEND_CLOSING;
        m_session.Backend->CloseAfterFlush();
    }
}

void CAntNetworkHandler::StartLocalClose()
{
    for (int kind = ANT_TIMER_ACK; kind <= ANT_TIMER_NAK; ++kind)
        CancelTimer(kind);
    m_manager.RemoveFromSendList(m_session);
    m_closeWhenDrained = false;
    // A failed entry send is sent again by the state's timer.
    (void)SetState(ANT_STATE_CLOSING);
    if (!IsTimerArmed(ANT_TIMER_LINGER))
        ArmTimer(ANT_TIMER_LINGER, ANT_LINGER_LIMIT_MS);
}

void CAntNetworkHandler::EndBackend()
{
    const bool userWaiting = m_session.SessionState == ANT_SESSION_CONNECTING;
    m_session.NetworkState = ANT_NETWORK_ENDED;
    if (userWaiting)
        (void)CreateAntLoopbackBackend(m_manager, m_session); // so the user's connect completes; best effort
    m_session.SessionState = ANT_SESSION_CLOSING;
    if (m_session.Backend) {
        if (m_session.BackendState == ANT_BACKEND_OPEN)
            m_session.BackendState = ANT_BACKEND_CLOSING;
        m_session.Backend->CloseAfterFlush();
    } else {
        // Nothing left to wait for: the session goes now, timers and all.
        m_manager.DestroySession(m_session);
    }
}

void CAntNetworkHandler::OnUserClosed()
{
    m_session.SessionState = ANT_SESSION_CLOSING;
    m_session.BackendState = ANT_BACKEND_CLOSED;
    if (m_session.Backend)
        m_session.Backend->CloseNow();
    if (m_session.NetworkState != ANT_NETWORK_ESTABLISHED && m_session.NetworkState != ANT_NETWORK_PEER_CLOSED)
        return;
    switch (m_state) {
    case ANT_STATE_REQUESTING:
    case ANT_STATE_GREETING:
        // Entering idle sends nothing and cannot fail.
        (void)SetState(ANT_STATE_IDLE);
        EndBackend();
        break;
    case ANT_STATE_CONFIRMING:
    case ANT_STATE_AWAITING_HELLO:
        StartLocalClose();
        break;
    case ANT_STATE_ESTABLISHED:
        ArmTimer(ANT_TIMER_LINGER, ANT_LINGER_LIMIT_MS);
        m_closeWhenDrained = true;
        CheckLocalCloseDone();
        break;
    case ANT_STATE_PEER_CLOSED:
        // A failed entry send is sent again by the state's timer.
        (void)SetState(ANT_STATE_LAST_CLOSE);
        break;
    default:
        break;
    }
}

void CAntNetworkHandler::CheckLocalCloseDone()
{
    if (m_state == ANT_STATE_ESTABLISHED && m_session.SessionState == ANT_SESSION_CLOSING && m_send.IsEmpty())
        StartLocalClose();
}

void CAntNetworkHandler::OnUserFailed(std::string remainder)
{
    if (m_session.SessionState == ANT_SESSION_CLOSING)
        return;
    m_userFailed = true;
    m_userRemainder = std::move(remainder);
    m_userRemainderTaken = 0;
}

void CAntNetworkHandler::OnBackendGone()
{
    // The user has everything the peer sent: finish the close from our side.
    if (m_state == ANT_STATE_PEER_CLOSED) {
        // A failed entry send is sent again by the state's timer.
        (void)SetState(ANT_STATE_LAST_CLOSE);
        return;
    }
    if (!m_userFailed)
        return;
    if (m_state == ANT_STATE_ESTABLISHED) {
        // The flush sends what the user wrote last, then closes for it.
        OnBackendReadable();
        return;
    }
    m_userFailed = false;
    m_userRemainder.clear();
    OnUserClosed();
}

void CAntNetworkHandler::OnUnreachable()
{
    if (m_state >= ANT_STATE_REQUESTING && m_state <= ANT_STATE_AWAITING_HELLO)
        return;
    if (m_unreachableTolerant) {
        if (NowMs() > m_unreachableDeadline)
            m_unreachableTolerant = false;
        return;
    }
    // An unreachable peer has no one to report to; the session ends.
    (void)GiveUp();
}

Status CAntNetworkHandler::OnTimer(int kind)
{
    switch (kind) {
    case ANT_TIMER_STATE:
        return RetryStep();
    case ANT_TIMER_CONNECT_LIMIT:
    case ANT_TIMER_LINGER:
        return GiveUp();
    case ANT_TIMER_ACK:
        return OnAckTimer();
    case ANT_TIMER_RETRANSMIT:
        return OnRetransmitTimeout();
    case ANT_TIMER_PROBE: {
        ArmTimer(ANT_TIMER_PROBE, ANT_PROBE_INTERVAL_MS);
        CPacketRef packet = CPacketRef::Allocate();
        if (!packet)
            return ST_NO_MEMORY;
        CAntPacketWriter writer(*packet);
        // A fresh packet has room for the header and the body.
        (void)WriteAntHeader(writer, SAntHeader::Control(AntProbe, 0, m_session.PeerSessionId));
        SAntProbeBody body;
        body.HighestSent = m_send.GetHighestSent();
        // A fresh packet has room for the header and the body.
        (void)WriteAntBody(writer, body);
        return SendPacket(*packet, m_session.PeerPublic);
    }
    case ANT_TIMER_NAK:
        return OnNakTimer();
    case ANT_TIMER_PACE:
        if (m_state == ANT_STATE_ESTABLISHED)
            m_manager.AddToSendList(m_session);
        return ST_SUCCESS;
    default:
        return ST_SUCCESS;
    }
}

Status CAntNetworkHandler::OnPacket(const SAntHeader& header, CAntPacketReader& reader, const CPacketRef& packet)
{
    const int type = header.GetType();
    switch (m_state) {
    case ANT_STATE_IDLE:
        return ST_SUCCESS;
    case ANT_STATE_REQUESTING:
        if (type == AntConnectRelay) {
            SAntConnectRelayBody relay;
            if (ReadAntBody(reader, relay) != ST_SUCCESS || relay.Key != m_session.Key)
                return ST_INVALID_MESSAGE;
            m_manager.SetPeerPublic(m_session, CIPEndpoint(CIPAddress(relay.Requester.Address), relay.Requester.Port));
            if (relay.LocalPort != 0 && !relay.LocalAddresses.empty())
                m_session.PeerLocal = CIPEndpoint(CIPAddress(relay.LocalAddresses.front()), relay.LocalPort);
            m_hasDistinctLocal = m_session.PeerLocal != m_session.PeerPublic;
            return SetState(ANT_STATE_GREETING);
        }
        if (type == AntHello) {
            SAntHelloBody hello;
            if (ReadAntBody(reader, hello) != ST_SUCCESS || hello.Key != m_session.Key)
                return ST_INVALID_MESSAGE;
            TakeInHello(hello);
            return SetState(ANT_STATE_CONFIRMING);
        }
        return RetryStep();
    case ANT_STATE_GREETING:
    case ANT_STATE_CONFIRMING:
    case ANT_STATE_AWAITING_HELLO:
        if (type == AntHello) {
            if (m_state == ANT_STATE_CONFIRMING)
                return ST_SUCCESS;
            SAntHelloBody hello;
            if (ReadAntBody(reader, hello) != ST_SUCCESS || hello.Key != m_session.Key)
                return ST_INVALID_MESSAGE;
            TakeInHello(hello);
            if (m_state == ANT_STATE_AWAITING_HELLO)
                return Establish();
            return SetState(ANT_STATE_CONFIRMING);
        }
        if (type == AntHelloConfirm && m_state != ANT_STATE_AWAITING_HELLO) {
            SAntHelloConfirmBody confirm;
            if (ReadAntBody(reader, confirm) != ST_SUCCESS || confirm.Key != m_session.Key)
                return ST_INVALID_MESSAGE;
            if (m_state == ANT_STATE_GREETING)
                return SetState(ANT_STATE_AWAITING_HELLO);
            return Establish();
        }
        if (m_state == ANT_STATE_CONFIRMING && type == AntClose) {
            PeerClosed();
            return ST_SUCCESS;
        }
        if (m_state == ANT_STATE_CONFIRMING && type == AntData) {
            const Status status = Establish();
            if (status != ST_SUCCESS || m_state != ANT_STATE_ESTABLISHED)
                return status;
            return OnEstablishedPacket(header, reader, packet);
        }
        return RetryStep();
    case ANT_STATE_ESTABLISHED:
        return OnEstablishedPacket(header, reader, packet);
    case ANT_STATE_CLOSING:
        if (type == AntClose)
            return SetState(ANT_STATE_PEER_CLOSING);
        if (type == AntCloseAck)
            return SetState(ANT_STATE_CLOSE_ACKED);
        return ST_SUCCESS;
    case ANT_STATE_CLOSE_ACKED:
        return type == AntClose ? SetState(ANT_STATE_TIME_WAIT) : ST_SUCCESS;
    case ANT_STATE_PEER_CLOSING:
        return type == AntCloseAck ? SetState(ANT_STATE_TIME_WAIT) : ST_SUCCESS;
    case ANT_STATE_TIME_WAIT:
    case ANT_STATE_PEER_CLOSED:
        return type == AntClose ? SendControl(AntCloseAck, 0, m_session.PeerPublic) : ST_SUCCESS;
    case ANT_STATE_LAST_CLOSE:
        if (type == AntClose)
            return SendControl(AntCloseAck, 0, m_session.PeerPublic);
        if (type == AntCloseAck) {
            CancelAllTimers();
            // Entering idle sends nothing and cannot fail.
            (void)SetState(ANT_STATE_IDLE);
            EndBackend();
            return ST_CONNECTION_CLOSED;
        }
        return ST_SUCCESS;
    default:
        return ST_INTERNAL_ERROR;
    }
}

// ---- established ----

Status CAntNetworkHandler::OnEstablishedPacket(const SAntHeader& header, CAntPacketReader& reader,
                                               const CPacketRef& packet)
{
    const int type = header.GetType();
    if (type != AntClose)
        ArmTimer(ANT_TIMER_STATE, ANT_SILENCE_LIMIT_MS);
    Status status = ST_SUCCESS;
    switch (type) {
    case AntProbe:
        status = OnProbe(reader);
        break;
    case AntHello: {
        SAntHelloBody hello;
        if (ReadAntBody(reader, hello) != ST_SUCCESS || hello.Key != m_session.Key)
            return ST_INVALID_MESSAGE;
        if (hello.SessionId != m_session.PeerSessionId)
            return ST_INVALID_MESSAGE;
        // Our confirm was lost: the peer still waits, and nothing we sent can have arrived.
        m_send.MarkAll();
        status = SendHelloConfirm();
        m_manager.AddToSendList(m_session);
        break;
    }
    case AntAck:
        status = OnAckPacket(header, reader);
        break;
    case AntAckEcho: {
        SAntAckEchoBody echo;
        if (ReadAntBody(reader, echo) != ST_SUCCESS)
            return ST_INVALID_MESSAGE;
        // The flow control's notices cannot fail; it answers through its out-parameters.
        if (m_strategy)
            (void)m_strategy->OnAckEcho(header, echo);
        if (AntSeqIsNewer(echo.Cumulative, m_highestEchoed) && !AntSeqIsNewer(echo.Cumulative, m_lastAckSent))
            m_highestEchoed = echo.Cumulative;
        break;
    }
    case AntNak:
        status = OnNakPacket(reader);
        break;
    case AntClose:
        PeerClosed();
        return ST_SUCCESS;
    case AntData:
        status = OnData(header, packet);
        break;
    default:
        break;
    }
    CheckLocalCloseDone();
    return status;
}

Status CAntNetworkHandler::OnProbe(CAntPacketReader& reader)
{
    SAntProbeBody probe;
    if (ReadAntBody(reader, probe) != ST_SUCCESS)
        return ST_INVALID_MESSAGE;
    if (!AntSeqIsNewer(probe.HighestSent, m_receive.GetHighestSeen()))
        return ST_SUCCESS;
    const std::uint32_t first = m_receive.GetNextAfterHighest();
    const std::uint32_t end = m_receive.ClampToWindow(AntSeqNext(probe.HighestSent));
    if (end == first)
        return ST_SUCCESS;
    const std::uint64_t now = NowMs();
    m_receive.Advance(AntSeqPrevious(end), now);
    m_receive.NoteNak(AntSeqPrevious(end), now);
    return SendNak(first, end);
}

Status CAntNetworkHandler::OnData(const SAntHeader& header, const CPacketRef& packet)
{
    const std::uint32_t s = header.GetSequence();
    ++m_received;
    bool gap = false;
    if (AntSeqIsNewer(s, m_receive.GetNextAfterHighest())) {
        gap = true;
        // The flow control's notices cannot fail; it answers through its out-parameters.
        if (m_strategy)
            (void)m_strategy->OnGap();
        const std::uint32_t first = m_receive.GetNextAfterHighest();
        const std::uint32_t end = m_receive.ClampToWindow(s);
        if (end != first) {
            m_receive.Advance(end == s ? s : AntSeqPrevious(end), NowMs());
            if (end != s)
                m_receive.NoteNak(AntSeqPrevious(end), NowMs());
            Trace("gapnak", first, end);
            // A lost NAK is sent again by the NAK timer.
            (void)SendNak(first, end);
        }
    }
    bool stored = false;
    bool duplicate = false;
    if (m_receive.Contains(s)) {
        duplicate = m_receive.IsStored(s);
        if (!duplicate)
            stored = m_receive.Store(s, packet);
    } else if (m_strategy) {
        // The flow control's notices cannot fail; it answers through its out-parameters.
        (void)m_strategy->OnDiscard();
    }
    Status status = ST_SUCCESS;
    if (stored && !gap) {
        bool stopped = false;
        status = Deliver(stopped);
    }
    bool acknowledge = true;
    // The flow control's notices cannot fail; it answers through its out-parameters.
    if (m_strategy)
        (void)m_strategy->ShouldAck(acknowledge);
    if (acknowledge) {
        std::uint8_t flags = ANT_ACK_ANSWERS_DATA;
        if (!stored || gap || (header.Flags & ANT_DATA_RETRANSMISSION))
            flags |= ANT_ACK_NOT_IN_ORDER;
        const Status ackStatus = SendAck(flags);
        if (status == ST_SUCCESS)
            status = ackStatus;
    }
    return status;
}

Status CAntNetworkHandler::Deliver(bool& stopped)
{
    stopped = false;
    while (m_receive.PeekBase()) {
        CAntBackendHandler* backend = m_session.BackendState == ANT_BACKEND_OPEN ? m_session.Backend : nullptr;
        if (backend && !backend->CanAccept()) {
            stopped = true; // resumed by OnBackendDrained
            return ST_SUCCESS;
        }
        CPacketRef packet;
        m_receive.TakeInOrder(packet);
        if (packet->Data[1] & ANT_FLAG_RESERVED)
            return ST_NOT_IMPLEMENTED;
        if (backend)
            (void)backend->Deliver(packet); // room was checked above, the one refusal it has
    }
    return ST_SUCCESS;
}

void CAntNetworkHandler::OnBackendDrained()
{
    if (m_state != ANT_STATE_ESTABLISHED)
        return;
    const std::uint32_t before = m_receive.GetBase();
    bool stopped = false;
    // A packet with reserved flags is dropped here as on arrival: no one to tell.
    (void)Deliver(stopped);
    // A lost acknowledgement is covered by the acknowledgement timer.
    if (m_receive.GetBase() != before)
        (void)SendAck(0);
}

Status CAntNetworkHandler::SendAck(std::uint8_t flags)
{
    CPacketRef packet = CPacketRef::Allocate();
    if (!packet)
        return ST_NO_MEMORY;
    const std::uint32_t base = m_receive.GetBase();
    SAntAckBody body;
    body.Cumulative = base;
    body.Arrivals = m_received - m_receivedAtAck;
    body.Distance = AntSeqDistance(m_lastAckSent, base);
    if (AntSeqIsNewer(base, m_lastAckSent)) {
        m_lastAckSent = base;
        m_receivedAtAck = m_received;
    } else if (flags & ANT_ACK_ANSWERS_DATA) {
        flags |= ANT_ACK_NOT_IN_ORDER;
    }
    std::uint32_t largest = 0;
    if (m_strategy)
        m_strategy->GetTimes(body.Srtt, body.RttVariation, body.SmallestRtt, largest);
    const std::uint16_t serial = m_ackSerial++;
    bool echo = false;
    // The flow control's notices cannot fail; it answers through its out-parameters.
    if (m_strategy)
        (void)m_strategy->OnAckSent(base, serial, (flags & ANT_ACK_NOT_IN_ORDER) != 0, echo);
    if (echo)
        flags |= ANT_ACK_ECHO_WANTED;
    CAntPacketWriter writer(*packet);
    // A fresh packet has room for the header and the body.
    (void)WriteAntHeader(writer, SAntHeader::Control(AntAck, serial, m_session.PeerSessionId, flags));
    (void)WriteAntBody(writer, body);
    return SendPacket(*packet, m_session.PeerPublic);
}

Status CAntNetworkHandler::OnAckTimer()
{
    ArmTimer(ANT_TIMER_ACK, ANT_ACK_INTERVAL_MS);
    // Keeps a stream going whose immediate acknowledgements were lost, or whose delivery
    // resumed without new data arriving.
    if (AntSeqIsNewer(m_receive.GetBase(), m_highestEchoed))
        return SendAck(0);
    return ST_SUCCESS;
}

Status CAntNetworkHandler::SendNak(std::uint32_t first, std::uint32_t end)
{
    CPacketRef packet = CPacketRef::Allocate();
    if (!packet)
        return ST_NO_MEMORY;
    CAntPacketWriter writer(*packet);
    // A fresh packet has room for the header and one gap.
    (void)WriteAntHeader(writer, SAntHeader::Control(AntNak, 0, m_session.PeerSessionId));
    CAntNakWriter nak(writer);
    // A fresh packet has room for the header and one gap.
    (void)nak.AddGap(first, end);
    ++m_naksSent;
    return SendPacket(*packet, m_session.PeerPublic);
}

Status CAntNetworkHandler::OnNakTimer()
{
    const std::uint32_t interval = Interval();
    ArmTimer(ANT_TIMER_NAK, interval < ANT_NAK_INTERVAL_MIN_MS ? ANT_NAK_INTERVAL_MIN_MS : interval);
    if (!m_receive.HasPending() || m_receive.PeekBase())
        return ST_SUCCESS;
    CPacketRef packet = CPacketRef::Allocate();
    if (!packet)
        return ST_NO_MEMORY;
    CAntPacketWriter writer(*packet);
    // A fresh packet has room for the header.
    (void)WriteAntHeader(writer, SAntHeader::Control(AntNak, 0, m_session.PeerSessionId));
    CAntNakWriter nak(writer);
    const std::uint64_t now = NowMs();
    const std::uint32_t end = m_receive.GetNextAfterHighest();
    std::uint32_t runStart = 0;
    bool inRun = false;
    bool full = false;
    for (std::uint32_t s = m_receive.GetBase(); s != end && !full; s = AntSeqNext(s)) {
        const bool due = !m_receive.IsStored(s) &&
                         now - m_receive.GetLastNak(s) > std::uint64_t(m_receive.GetNakCount(s)) * interval;
        if (due) {
            if (!inRun) {
                runStart = s;
                inRun = true;
            }
            continue;
        }
        if (inRun) {
            full = nak.AddGap(runStart, s) != ST_SUCCESS;
            if (!full) {
                for (std::uint32_t n = runStart; n != s; n = AntSeqNext(n)) {
                    m_receive.NoteNak(n, now);
                    m_receive.NoteNak(n, now);
                }
            }
            inRun = false;
        }
    }
    if (inRun && !full && nak.AddGap(runStart, end) == ST_SUCCESS) {
        for (std::uint32_t n = runStart; n != end; n = AntSeqNext(n)) {
            m_receive.NoteNak(n, now);
            m_receive.NoteNak(n, now);
        }
    }
    if (nak.GetEntryCount() == 0)
        return ST_SUCCESS;
    Trace("timernak", m_receive.GetBase(), std::uint32_t(nak.GetEntryCount()));
    ++m_naksSent;
    return SendPacket(*packet, m_session.PeerPublic);
}

Status CAntNetworkHandler::OnAckPacket(const SAntHeader& header, CAntPacketReader& reader)
{
    SAntAckBody ack;
    if (ReadAntBody(reader, ack) != ST_SUCCESS)
        return ST_INVALID_MESSAGE;
    if (header.Flags & ANT_ACK_ECHO_WANTED) {
        CPacketRef packet = CPacketRef::Allocate();
        if (packet) {
            SAntAckEchoBody echo;
            echo.Cumulative = ack.Cumulative;
            std::uint32_t largest = 0;
            if (m_strategy)
                m_strategy->GetTimes(echo.Srtt, echo.RttVariation, echo.SmallestRtt, largest);
            CAntPacketWriter writer(*packet);
            // A fresh packet has room for the header and the body.
            (void)WriteAntHeader(writer, SAntHeader::Control(AntAckEcho, header.GetValue(), m_session.PeerSessionId));
            (void)WriteAntBody(writer, echo);
            // An echo that fails to leave counts as lost; the peer asks again.
            (void)SendPacket(*packet, m_session.PeerPublic);
        }
    }
    // An acknowledgement of packets never sent is not believed.
    if (!m_send.Acknowledge(ack.Cumulative))
        return ST_INVALID_MESSAGE;
    // The flow control's notices cannot fail; it answers through its out-parameters.
    if (m_strategy)
        (void)m_strategy->OnAck(header, ack);
    Trace("ack", ack.Cumulative, header.Flags);
    if (m_send.GetPacketsInFlight() >= m_send.GetCwnd())
        PostponeRetransmitTimeout();
    OpenSendWindow();
    return ST_SUCCESS;
}

void CAntNetworkHandler::PostponeRetransmitTimeout()
{
    if (SpeedSwitches().PatientRetransmission && m_send.GetPacketsInFlight() > 0)
        ArmTimer(ANT_TIMER_RETRANSMIT, m_backoff.GetTimeout(Interval()));
}

void CAntNetworkHandler::OpenSendWindow()
{
    if (m_send.GetPacketsInFlight() >= m_send.GetCwnd())
        return;
    m_sendBlocked = false;
    m_manager.AddToSendList(m_session);
    m_backoff.Reset();
    ArmTimer(ANT_TIMER_RETRANSMIT, m_backoff.GetTimeout(Interval()));
    if (SpeedSwitches().FillOnAck && m_state == ANT_STATE_ESTABLISHED) {
        // What leaves here joins the read's answers; the flush still finds the session on
        // the send list and ends its turn when there is nothing more.
        bool wantsMore = false;
        (void)SendBurst(wantsMore);
    }
}

Status CAntNetworkHandler::OnNakPacket(CAntPacketReader& reader)
{
    std::vector<SAntNakRange> ranges;
    const Status status = ReadAntNak(reader, ranges);
    ++m_naksReceived;
    const std::uint64_t now = NowMs();
    if (m_strategy && now - m_lastLossReaction > Interval() && IsNewLoss(ranges)) {
        const std::uint32_t before = m_send.GetCwnd();
        // The flow control's notices cannot fail; it answers through its out-parameters.
        (void)m_strategy->OnLoss();
        m_lastLossReaction = now;
        m_lossAnswered = true;
        m_lossAnsweredUpTo = m_send.GetHighestSent();
        Trace("loss", before, m_send.GetCwnd());
    }
    // Ranges are clamped to the queue; numbers beyond it cannot be missing.
    for (const SAntNakRange& range : ranges) {
        Trace("nak", range.First, range.End);
        m_send.MarkRange(range.First, range.End);
    }
    PostponeRetransmitTimeout();
    m_manager.AddToSendList(m_session);
    return status;
}

// A round trip with one random loss often names further packets of the same flight a moment
// later, and the timer repeats a NAK whose retransmission is still under way; answering each
// would halve the window again for a loss it has already answered.
bool CAntNetworkHandler::IsNewLoss(const std::vector<SAntNakRange>& ranges) const
{
    if (!SpeedSwitches().LossEvents || !m_lossAnswered)
        return true;
    for (const SAntNakRange& range : ranges) {
        const std::uint32_t last = AntSeqPrevious(range.End & ANT_SEQUENCE_MASK);
        if (AntSeqIsNewer(last, m_lossAnsweredUpTo))
            return true;
    }
    return false;
}

Status CAntNetworkHandler::OnRetransmitTimeout()
{
    // An idle pause is no loss: only packets in flight can time out.
    if (m_send.GetPacketsInFlight() == 0) {
        m_backoff.Reset();
        ArmTimer(ANT_TIMER_RETRANSMIT, m_backoff.GetTimeout(Interval()));
        return ST_SUCCESS;
    }
    m_backoff.OnTimeout();
    Trace("rto", m_backoff.GetMultiplier(), Interval());
    ArmTimer(ANT_TIMER_RETRANSMIT, m_backoff.GetTimeout(Interval()));
    m_send.MarkAll();
    // The flow control's notices cannot fail; it answers through its out-parameters.
    if (m_strategy)
        (void)m_strategy->OnTimeout();
    m_manager.AddToSendList(m_session);
    return ST_SUCCESS;
}

// ---- sending data ----

void CAntNetworkHandler::OnBackendReadable()
{
    if (m_state != ANT_STATE_ESTABLISHED)
        return;
    if (AntWindowHasRoom(m_send))
        m_manager.AddToSendList(m_session);
    else
        m_sendBlocked = true;
}

Status CAntNetworkHandler::FillFromBackend(bool& ended)
{
    ended = false;
    if (!m_userFailed && (m_session.BackendState != ANT_BACKEND_OPEN || !m_session.Backend))
        return ST_NO_MORE_DATA;
    if (m_send.IsFull())
        return ST_QUEUE_FULL;
    CPacketRef packet = CPacketRef::Allocate();
    if (!packet)
        return ST_NO_MEMORY;
    std::uint32_t count = 0;
    const Status status = m_userFailed
                              ? TakeUserRemainder(packet->Data + ANT_HEADER_SIZE, ANT_MAX_PAYLOAD, count)
                              : m_session.Backend->Read(packet->Data + ANT_HEADER_SIZE, ANT_MAX_PAYLOAD, count);
    if (status == ST_SUCCESS && count > 0) {
        CAntPacketWriter writer(*packet);
        // A fresh packet has room for the header.
        (void)WriteAntHeader(writer, SAntHeader::Data(m_send.GetNextSequence(), m_session.PeerSessionId));
        packet->Length = ANT_HEADER_SIZE + count;
        m_send.Queue(packet);
        return ST_SUCCESS;
    }
    if (status == ST_TRY_LATER)
        return ST_TRY_LATER;
    // The user closed its end (or the socket failed): what is queued still goes out.
    ended = true;
    return ST_NO_MORE_DATA;
}

// ST_CONNECTION_CLOSED once everything is taken, as a read of the user's end of stream.
Status CAntNetworkHandler::TakeUserRemainder(void* buffer, std::uint32_t size, std::uint32_t& count)
{
    const std::size_t left = m_userRemainder.size() - m_userRemainderTaken;
    count = std::uint32_t(left < size ? left : size);
    if (count == 0) {
        m_userFailed = false;
        std::string().swap(m_userRemainder);
        m_userRemainderTaken = 0;
        return ST_CONNECTION_CLOSED;
    }
    std::memcpy(buffer, m_userRemainder.data() + m_userRemainderTaken, count);
    m_userRemainderTaken += count;
    return ST_SUCCESS;
}

Status CAntNetworkHandler::SendBurst(bool& wantsMore)
{
    wantsMore = false;
    if (m_state != ANT_STATE_ESTABLISHED)
        return ST_SUCCESS;
    for (int sent = 0; sent < ANT_SEND_BURST; ++sent) {
        if (!AntWindowHasRoom(m_send)) {
            m_sendBlocked = true;
            Trace("stop", ANT_TRACE_STOP_CWND);
            return ST_SUCCESS;
        }
        CPacketRef packet;
        std::uint32_t sequence = 0;
        bool retransmission = false;
        if (m_send.GetMarked() == 0 && !PaceAllows()) {
            Trace("stop", ANT_TRACE_STOP_PACE);
            return ST_SUCCESS;
        }
        if (!m_send.TakeNext(packet, sequence, retransmission)) {
            bool ended = false;
            const Status fill = FillFromBackend(ended);
            if (ended) {
                OnUserClosed();
                return ST_SUCCESS;
            }
            if (fill != ST_SUCCESS) {
                Trace("stop", fill == ST_QUEUE_FULL ? ANT_TRACE_STOP_FULL : ANT_TRACE_STOP_NO_DATA);
                return ST_SUCCESS;
            }
            if (!m_send.TakeNext(packet, sequence, retransmission))
                return ST_SUCCESS;
        }
        bool flag = true;
        // The flow control's notices cannot fail; it answers through its out-parameters.
        if (m_strategy)
            (void)m_strategy->OnSend(retransmission, sequence, flag);
        packet->Data[1] = std::uint8_t((flag ? ANT_DATA_FLAG : 0) | (retransmission ? ANT_DATA_RETRANSMISSION : 0));
        ++m_sent;
        Trace("send", sequence, retransmission ? 1 : 0);
        // A packet that fails to leave counts as lost; retransmission covers it.
        (void)SendPacket(*packet, m_session.PeerPublic);
    }
    wantsMore = true;
    return ST_SUCCESS;
}

// The whole window sent back to back builds a queue at the path's narrowest point; the round
// trips then measure that queue, and the delay rule reads the own burst as congestion and
// holds the window well below the path's room. Spread over the smoothed round trip, the
// samples measure the path. Retransmissions are not held back. On a path of a millisecond or
// two the timer could not keep up, and a burst there queues for no time worth counting.
bool CAntNetworkHandler::PaceAllows()
{
    constexpr std::uint32_t SHORTEST_PACED_RTT_US = 4000;
    constexpr double MIN_BURST = 4;
    if (!SpeedSwitches().Pacing || !m_strategy)
        return true;
    std::uint32_t srtt = 0, variation = 0, smallest = 0, largest = 0;
    m_strategy->GetTimes(srtt, variation, smallest, largest);
    const double cwnd = double(m_send.GetCwnd());
    // At exactly cwnd per round trip the pace timer's lateness adds up and keeps the window
    // from ever filling; ahead of it, the acknowledgements set the rate.
    const double rate = SpeedSwitches().PaceHeadroom ? cwnd * 1.25 : cwnd;
    const std::uint64_t now = AntNowMicroseconds();
    const double burst = cwnd / 8 > MIN_BURST ? cwnd / 8 : MIN_BURST;
    if (srtt < SHORTEST_PACED_RTT_US || m_paceAt == 0) {
        m_paceAt = now;
        m_paceCredit = burst;
        if (srtt < SHORTEST_PACED_RTT_US)
            return true;
    }
    m_paceCredit += double(now - m_paceAt) * rate / double(srtt);
    m_paceAt = now;
    if (m_paceCredit > burst)
        m_paceCredit = burst;
    if (m_paceCredit >= 1) {
        m_paceCredit -= 1;
        return true;
    }
    if (!IsTimerArmed(ANT_TIMER_PACE)) {
        const double waitUs = (1 - m_paceCredit) * double(srtt) / rate;
        ArmTimer(ANT_TIMER_PACE, std::uint32_t(waitUs / 1000) + 1);
        Trace("pacewait", std::uint32_t(waitUs / 1000) + 1);
    }
    return false;
}

void CAntNetworkHandler::WriteTrace(const char* event, std::uint32_t a, std::uint32_t b)
{
    SAntTraceState state;
    state.Cwnd = m_send.GetCwnd();
    state.InFlight = m_send.GetPacketsInFlight();
    state.Queued = m_send.GetQueued();
    state.Marked = m_send.GetMarked();
    state.Base = m_send.GetBase();
    if (m_strategy) {
        std::uint32_t variation = 0, largest = 0;
        m_strategy->GetTimes(state.Srtt, variation, state.SmallestRtt, largest);
    }
    m_trace.Write(event, a, b, state);
}

// ---- control packets ----

Status CAntNetworkHandler::SendPacket(const SAntPacket& packet, const CIPEndpoint& to)
{
    IAntTransportPort* port = m_manager.GetPort();
    if (!port)
        return ST_NOT_CONNECTED;
    if (!IsSendable(to))
        return ST_BAD_ADDRESS;
    return port->SendDatagram(packet, to);
}

Status CAntNetworkHandler::SendControl(int type, std::uint16_t value, const CIPEndpoint& to)
{
    CPacketRef packet = CPacketRef::Allocate();
    if (!packet)
        return ST_NO_MEMORY;
    CAntPacketWriter writer(*packet);
    // A fresh packet has room for the header.
    (void)WriteAntHeader(writer, SAntHeader::Control(type, value, m_session.PeerSessionId));
    return SendPacket(*packet, to);
}

Status CAntNetworkHandler::SendRequest()
{
    IAntTransportPort* port = m_manager.GetPort();
    if (!port)
        return ST_NOT_CONNECTED;
    CIPEndpoint server;
    const Status resolved = port->GetRendezvousAddress(server);
    if (resolved != ST_SUCCESS)
        return resolved;
    CPacketRef packet = CPacketRef::Allocate();
    if (!packet)
        return ST_NO_MEMORY;
    SAntConnectRequestBody body;
    body.OwnId = port->GetOwnClientId();
    body.PeerId = m_session.PeerId;
    body.Key = m_session.Key;
    if (m_manager.GetAdvertiseLocalAddress()) {
        const CIPEndpoint local = port->GetLocalAddress();
        body.LocalPort = local.GetPort();
        body.LocalAddresses.push_back(local.GetAddress().Get());
    }
    CAntPacketWriter writer(*packet);
    // GetStatus below covers both.
    (void)WriteAntHeader(writer, SAntHeader::Control(AntConnectRequest, m_controlCounter++, 0));
    (void)WriteAntBody(writer, body);
    if (writer.GetStatus() != ST_SUCCESS)
        return writer.GetStatus();
    return SendPacket(*packet, server);
}

Status CAntNetworkHandler::SendHello(const CIPEndpoint& to)
{
    IAntTransportPort* port = m_manager.GetPort();
    if (!port)
        return ST_NOT_CONNECTED;
    CPacketRef packet = CPacketRef::Allocate();
    if (!packet)
        return ST_NO_MEMORY;
    SAntHelloBody body;
    body.Key = m_session.Key;
    body.SessionId = m_session.OwnId;
    body.InitialSequence = m_isn;
    body.Window = ANT_RECEIVE_WINDOW;
    body.SenderId = port->GetOwnClientId();
    body.ReceiverId = m_session.PeerId;
    CAntPacketWriter writer(*packet);
    // A fresh packet has room for the header and the body.
    (void)WriteAntHeader(writer, SAntHeader::Control(AntHello, m_controlCounter++, m_session.PeerSessionId));
    (void)WriteAntBody(writer, body);
    return SendPacket(*packet, to);
}

Status CAntNetworkHandler::SendHellos()
{
    Status result = ST_BAD_ADDRESS;
    auto keep = [&result](Status status) {
        if (result != ST_SUCCESS)
            result = status;
    };
    if (m_hasDistinctLocal && IsSendable(m_session.PeerLocal))
        keep(SendHello(m_session.PeerLocal));
    if (IsSendable(m_session.PeerPublic)) {
        keep(SendHello(m_session.PeerPublic));
        if (m_hasDistinctLocal) {
            const std::uint16_t next = std::uint16_t((std::uint32_t(m_session.PeerPublic.GetPort()) + 1) % 65535);
            if (next != 0)
                keep(SendHello(CIPEndpoint(m_session.PeerPublic.GetAddress(), next)));
        }
    }
    return result;
}

Status CAntNetworkHandler::SendHelloConfirm()
{
    IAntTransportPort* port = m_manager.GetPort();
    if (!port)
        return ST_NOT_CONNECTED;
    CPacketRef packet = CPacketRef::Allocate();
    if (!packet)
        return ST_NO_MEMORY;
    SAntHelloConfirmBody body;
    body.Key = m_session.Key;
    body.SenderId = port->GetOwnClientId();
    body.ReceiverId = m_session.PeerId;
    CAntPacketWriter writer(*packet);
    // A fresh packet has room for the header and the body.
    (void)WriteAntHeader(writer, SAntHeader::Control(AntHelloConfirm, m_controlCounter++, m_session.PeerSessionId));
    (void)WriteAntBody(writer, body);
    return SendPacket(*packet, m_session.PeerPublic);
}
