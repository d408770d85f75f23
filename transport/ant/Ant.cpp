#include "transport/ant/Ant.h"

#include "infra/Singleton.h"
#include "infra/SocketWait.h"
#include "infra/TimeValue.h"
#include "infra/os/Clock.h"
#include "transport/ant/AntSocketMap.h"
#include "transport/ant/AntThread.h"

#include <new>
#include <utility>

namespace {

// How often a waiting AntStart looks whether the Ant thread still runs.
constexpr std::uint32_t START_CHECK_MS = 100;
// Pause between looks at a descriptor that polls writable before it is connected.
constexpr std::uint32_t CONNECT_CHECK_MS = 10;

} // namespace

CAnt* CAnt::Instance()
{
    return sti::CSingleton<CAnt>::Instance();
}

CAnt::CAnt() : CAnt(CAntThread::Instance()) {}

CAnt::CAnt(CAntThread* thread) : m_thread(thread)
{
    if (m_thread == nullptr) {
        return;
    }
    std::unique_ptr<CAntMessageQueue> producer;
    std::unique_ptr<CAntMessageQueue> consumer;
    // Without a queue no thread is started; later posts go nowhere and fail.
    if (CAntMessageQueue::CreatePair(producer, consumer) != ST_SUCCESS) {
        return;
    }
    m_thread->Attach(std::move(consumer), this);
    if (m_thread->Start() != ST_SUCCESS) {
        m_thread->Attach(nullptr, nullptr);
        return;
    }
    m_queue = std::move(producer);
}

CAnt::~CAnt()
{
    if (m_thread != nullptr) {
        m_thread->RequestStop();
        // Waiting forever ends only when the thread has.
        (void)m_thread->Wait(sti::WAIT_INFINITE);
        m_thread->Attach(nullptr, nullptr);
    }
    m_queue.reset();
}

Status CAnt::Post(const SAntInternalMsg& message)
{
    if (!m_queue) {
        return ST_NOT_CONNECTED;
    }
    return m_queue->Write(message);
}

bool CAnt::IsThreadRunning() const
{
    return m_thread != nullptr && m_thread->IsRunning();
}

Status CAnt::AntStart(const char* host, std::uint16_t serverPort, std::uint16_t localPort, bool advertiseLocalAddress)
{
    if (Post(SAntInternalMsg::MakeStart(host, serverPort, localPort, advertiseLocalAddress)) != ST_SUCCESS) {
        return ST_FAIL;
    }
    std::uint8_t result = 0;
    for (;;) {
        if (m_started.Wait(START_CHECK_MS, result)) {
            break;
        }
        // A thread that ended (or was ended) without answering will never answer.
        if (!IsThreadRunning()) {
            if (!m_started.Wait(0, result)) {
                return ST_FAIL;
            }
            break;
        }
    }
    return result == CAntStartEvent::RESULT_STARTED ? ST_SUCCESS : ST_FAIL;
}

STI_OS::SocketHandle CAnt::AntCreateSocket()
{
    STI_OS::SocketHandle descriptor = STI_OS::INVALID_SOCKET_HANDLE;
    if (STI_OS::CreateTCPSocket(descriptor) != ST_SUCCESS) {
        return STI_OS::INVALID_SOCKET_HANDLE;
    }
    // Entries left by an earlier socket of the same number lead to sessions not its own.
    if (CAntSocketMap* map = CAntSocketMap::Instance()) {
        map->EraseAll(descriptor);
    }
    sti::CScopedLock guard(m_lock);
    try {
        m_sockets[descriptor] = m_nextSerial;
    } catch (const std::bad_alloc&) {
        // The missing memory is the failure to report; the close leaves nothing to undo.
        (void)STI_OS::CloseSocket(descriptor);
        return STI_OS::INVALID_SOCKET_HANDLE;
    }
    if (++m_nextSerial == 0) {
        m_nextSerial = 1;
    }
    return descriptor;
}

Status CAnt::GetSerial(STI_OS::SocketHandle descriptor, std::uint32_t& serial) const
{
    sti::CScopedLock guard(m_lock);
    auto found = m_sockets.find(descriptor);
    if (found == m_sockets.end()) {
        return ST_NOT_FOUND;
    }
    serial = found->second;
    return ST_SUCCESS;
}

int CAnt::AntConnectAsync(STI_OS::SocketHandle descriptor, std::uint32_t peerId, std::uint32_t keyLow,
                          std::uint32_t keyHigh)
{
    std::uint32_t serial = 0;
    if (GetSerial(descriptor, serial) != ST_SUCCESS) {
        return -1;
    }
    const Status status = Post(SAntInternalMsg::MakeConnect(descriptor, serial, peerId, keyLow, keyHigh));
    return status == ST_SUCCESS ? 0 : -1;
}

int CAnt::AntConnect(STI_OS::SocketHandle descriptor, std::uint32_t peerId, std::uint32_t keyLow, std::uint32_t keyHigh)
{
    if (AntConnectAsync(descriptor, peerId, keyLow, keyHigh) != 0) {
        return -1;
    }
    if (STI_OS::SetNonBlocking(descriptor, true) != ST_SUCCESS) {
        return -1;
    }
    std::uint32_t wait = 0;
    {
        sti::CScopedLock guard(m_lock);
        wait = m_connectWait;
    }
    return WaitUntilConnected(descriptor, wait) ? 0 : -1;
}

// Writable alone is not enough: some platforms report a stream socket writable before anyone
// has connected it, so the peer's name decides.
bool CAnt::WaitUntilConnected(STI_OS::SocketHandle descriptor, std::uint32_t milliseconds) const
{
    const sti::CTimeValue deadline = sti::CTimeValue::Now() + sti::CTimeSpan(std::int32_t(milliseconds));
    for (;;) {
        const std::int32_t left = (deadline - sti::CTimeValue::Now()).GetMilliseconds();
        if (left <= 0) {
            return false;
        }
        Status status = sti::WaitUntilWritable(descriptor, std::uint32_t(left));
        if (status == ST_TIMEOUT) {
            continue;
        }
        if (status != ST_SUCCESS) {
            return false;
        }
        status = STI_OS::GetSocketError(descriptor);
        if (status != ST_SUCCESS && status != ST_TRY_LATER) {
            return false;
        }
        std::uint32_t address = 0;
        std::uint16_t port = 0;
        if (STI_OS::GetPeerName(descriptor, address, port) == ST_SUCCESS) {
            return true;
        }
        STI_OS::Sleep(std::uint32_t(left) < CONNECT_CHECK_MS ? std::uint32_t(left) : CONNECT_CHECK_MS);
    }
}

int CAnt::AntSetSocketLevel(STI_OS::SocketHandle descriptor, int level)
{
    return Post(SAntInternalMsg::MakeLevel(descriptor, level)) == ST_SUCCESS ? 0 : -1;
}

Status CAnt::AntCloseSocket(STI_OS::SocketHandle descriptor)
{
    return CloseOwnSocket(descriptor, false, 0);
}

Status CAnt::AntCloseSocket(STI_OS::SocketHandle descriptor, std::uint32_t serial)
{
    return CloseOwnSocket(descriptor, true, serial);
}

Status CAnt::CloseOwnSocket(STI_OS::SocketHandle descriptor, bool checkSerial, std::uint32_t serial)
{
    sti::CScopedLock guard(m_lock);
    auto found = m_sockets.find(descriptor);
    if (found == m_sockets.end() || (checkSerial && found->second != serial)) {
        return ST_NOT_FOUND;
    }
    m_sockets.erase(found);
    // Still under the lock: a connect of the Ant thread either came before or never comes.
    return STI_OS::CloseSocket(descriptor);
}

Status CAnt::ConnectUserSocket(STI_OS::SocketHandle descriptor, std::uint32_t serial, const CIPEndpoint& listener)
{
    sti::CScopedLock guard(m_lock);
    auto found = m_sockets.find(descriptor);
    if (found == m_sockets.end() || found->second != serial) {
        return ST_CONNECTION_CLOSED;
    }
    return STI_OS::Connect(descriptor, listener.GetAddress().Get(), listener.GetPort());
}

std::uint16_t CAnt::GetLocalPort() const
{
    sti::CScopedLock guard(m_lock);
    return m_localPort;
}

void CAnt::SetLocalPort(std::uint16_t port)
{
    sti::CScopedLock guard(m_lock);
    m_localPort = port;
}

void CAnt::SignalStart(std::uint8_t result)
{
    m_started.Signal(result);
}

void CAnt::SetConnectWait(std::uint32_t milliseconds)
{
    sti::CScopedLock guard(m_lock);
    m_connectWait = milliseconds;
}
