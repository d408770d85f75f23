#include "infra/NetworkThread.h"

#include "infra/ConditionVariable.h"
#include "infra/Dispatcher.h"
#include "infra/SocketWait.h"
#include "infra/ThreadManager.h"

#include <new>
#include <utility>

namespace sti {

namespace {

// Longest single wait for room when the pipe is full and the writing end does not block.
constexpr std::uint32_t FULL_PIPE_WAIT_MS = 20;

bool WouldBlock(Status status)
{
    return status == ST_TIMEOUT || status == ST_TRY_LATER || status == ST_WOULD_BLOCK;
}

std::uint32_t LengthField(const IPCMessageBlock& message)
{
    return std::uint32_t(message.Data[0]) | (std::uint32_t(message.Data[1]) << 8) |
           (std::uint32_t(message.Data[2]) << 16) | (std::uint32_t(message.Data[3]) << 24);
}

} // namespace

CNetworkThread::CNetworkThread(const char* name) : CThread(name) {}

CNetworkThread::~CNetworkThread()
{
    // The loop below uses this class's part, so it must end before that part goes; on the
    // thread itself there is nothing to wait for (and waiting would never end).
    threadman::CThreadManager* manager = threadman::CThreadManager::Instance();
    if (manager == nullptr || manager->GetCurrentThread() != this) {
        RequestStop();
        // Waiting forever ends only when the thread has.
        (void)Wait(WAIT_INFINITE);
    }
    if (!m_readEndRegistered) {
        delete m_readEnd;
    }
    m_readEnd = nullptr;
    m_timerOwners.clear();
    m_ownerTimers.clear();
}

Status CNetworkThread::CreateMessageQueue()
{
    std::unique_ptr<CPipe> first;
    std::unique_ptr<CPipe> second;
    Status status = CPipe::CreatePair(first, second);
    if (status != ST_SUCCESS) {
        return status;
    }
    CScopedLock guard(m_postLock);
    if (!m_readEndRegistered) {
        delete m_readEnd;
    }
    m_writeEnd = std::move(first);
    m_readEnd = second.release();
    m_readEndRegistered = false;
    return ST_SUCCESS;
}

Status CNetworkThread::PostMessage(const IPCMessageBlock& message)
{
    const std::uint32_t length = LengthField(message);
    if (length < IPCMessageHeader::SIZE || length > IPCMessageBlock::CAPACITY) {
        return ST_INVALID_PARAM;
    }
    CScopedLock guard(m_postLock);
    if (!m_writeEnd) {
        return ST_NOT_CONNECTED;
    }
    std::uint32_t sent = 0;
    while (sent < length) {
        std::uint32_t count = 0;
        Status status = m_writeEnd->Write(length - sent, message.Data + sent, count);
        if (WouldBlock(status)) {
            status = WaitUntilWritable(m_writeEnd->GetHandle(), FULL_PIPE_WAIT_MS);
            if (status != ST_SUCCESS && status != ST_TIMEOUT) {
                return status;
            }
            continue;
        }
        if (status != ST_SUCCESS) {
            return status;
        }
        sent += count < length - sent ? count : length - sent;
    }
    return ST_SUCCESS;
}

std::uint32_t CNetworkThread::Run()
{
    CDispatcher* dispatcher = CDispatcher::Instance();
    while (!IsStopRequested()) {
        if (dispatcher != nullptr) {
            // The dispatcher handles its own errors and sleeps the round on a broken poller.
            (void)dispatcher->Run(ROUND_MS);
        } else {
            STI_OS::Sleep(ROUND_MS);
        }
        OnIdle();
    }
    return 0;
}

void CNetworkThread::OnStart()
{
    m_timerHandler.reset(new (std::nothrow) CThreadTimerHandler(*this));
    CDispatcher* dispatcher = CDispatcher::Instance();
    if (m_readEnd != nullptr && dispatcher != nullptr) {
        CThreadMessageQueueHandler* handler = new (std::nothrow) CThreadMessageQueueHandler(*this);
        if (handler != nullptr) {
            if (dispatcher->Register(m_readEnd, handler, INTEREST_READ) == ST_SUCCESS) {
                m_readEndRegistered = true;
            } else {
                delete handler;
            }
        }
    }
    OnInit();
}

void CNetworkThread::OnExit()
{
    OnCleanup();
    CDispatcher* dispatcher = CDispatcher::Existing();
    // Copy: each cancel reaches OnTimerRemoved, which edits the table.
    const std::map<int, ITimeEventHandler*> timers = m_timerOwners;
    for (const auto& timer : timers) {
        if (dispatcher != nullptr) {
            // A timer that fired meanwhile is gone already.
            (void)dispatcher->CancelTimer(timer.first);
        }
    }
    m_timerOwners.clear();
    m_ownerTimers.clear();
    if (m_readEnd != nullptr) {
        if (m_readEndRegistered) {
            // The dispatcher deletes the end, and with it its handler, when it next purges.
            if (dispatcher != nullptr) {
                dispatcher->Close(m_readEnd, true);
            }
        } else {
            delete m_readEnd;
        }
        m_readEnd = nullptr;
        m_readEndRegistered = false;
    }
    m_timerHandler.reset();
}

Status CNetworkThread::HandleMessage(std::uint32_t type, CMessageReader& reader)
{
    (void)type;
    (void)reader;
    return ST_NOT_IMPLEMENTED;
}

Status CNetworkThread::ScheduleThreadTimer(std::int32_t milliseconds, ITimeEventHandler* owner, int& timerId)
{
    timerId = -1;
    CDispatcher* dispatcher = CDispatcher::Instance();
    if (owner == nullptr || !m_timerHandler || dispatcher == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    Status status =
        dispatcher->ScheduleTimer(CTimeValue::Now() + CTimeSpan(milliseconds), m_timerHandler.get(), nullptr, timerId);
    if (status != ST_SUCCESS) {
        return status;
    }
    try {
        m_timerOwners[timerId] = owner;
        m_ownerTimers.emplace(owner, timerId);
    } catch (const std::bad_alloc&) {
        // Added just above; undoing it cannot fail.
        (void)dispatcher->CancelTimer(timerId);
        timerId = -1;
        return ST_NO_MEMORY;
    }
    return ST_SUCCESS;
}

Status CNetworkThread::CancelThreadTimer(int timerId)
{
    if (m_timerOwners.find(timerId) == m_timerOwners.end()) {
        return ST_NOT_FOUND;
    }
    CDispatcher* dispatcher = CDispatcher::Existing();
    return dispatcher != nullptr ? dispatcher->CancelTimer(timerId) : ST_INTERNAL_ERROR;
}

Status CNetworkThread::OnThreadTimer(int timerId, const CTimeValue& now)
{
    auto found = m_timerOwners.find(timerId);
    if (found == m_timerOwners.end()) {
        return ST_NOT_FOUND;
    }
    return found->second->OnTimer(timerId, now, nullptr);
}

void CNetworkThread::ForgetThreadTimer(int timerId)
{
    auto found = m_timerOwners.find(timerId);
    if (found == m_timerOwners.end()) {
        return;
    }
    auto range = m_ownerTimers.equal_range(found->second);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second == timerId) {
            m_ownerTimers.erase(it);
            break;
        }
    }
    m_timerOwners.erase(found);
}

Status CNetworkThread::CThreadTimerHandler::OnTimer(int timerId, const CTimeValue& now, void* parameter)
{
    (void)parameter;
    return m_thread.OnThreadTimer(timerId, now);
}

Status CNetworkThread::CThreadTimerHandler::OnTimerRemoved(int timerId, void* parameter)
{
    (void)parameter;
    // Ids are reused once a timer is gone, so the table must forget it now.
    m_thread.ForgetThreadTimer(timerId);
    return ST_SUCCESS;
}

Status CNetworkThread::CThreadMessageQueueHandler::OnMessage(const IPCMessageHeader& header, CMessageReader& reader)
{
    // Only framing and read errors may close the thread's one inbound queue.
    // The handler reports its own failures; only framing errors close the queue.
    (void)m_thread.HandleMessage(header.Type, reader);
    return ST_SUCCESS;
}

} // namespace sti
