#include "transport/transfer/DownloadsManager.h"

#include "infra/Dispatcher.h"
#include "transport/transfer/CloseReason.h"
#include "transport/transfer/DownloadHandler.h"
#include "transport/transfer/SessionClose.h"
#include "transport/transfer/TransportCallback.h"
#include "transport/transfer/TransportManagerOutlet.h"

#include <cstring>
#include <memory>
#include <new>

CDownloadsManager::CDownloadsManager(ITransportManagerOutlet* outlet, CAnt* ant)
    : m_outlet(outlet), m_connects(ant), m_uploads(ant)
{}

CDownloadsManager::~CDownloadsManager()
{
    while (!m_byFileId.empty()) {
        CTransportSession* session = m_byFileId.begin()->second;
        // Taken from the table just above.
        (void)RemoveSession(session);
        delete session;
    }
}

CDownloadsManager::FileKey CDownloadsManager::FileKeyOf(const std::uint8_t fileId[TRANSFER_ID_SIZE])
{
    FileKey key;
    std::memcpy(key.data(), fileId, TRANSFER_ID_SIZE);
    return key;
}

Status CDownloadsManager::StartDownload(const std::uint8_t fileId[TRANSFER_ID_SIZE],
                                        const std::uint8_t peerId[TRANSFER_ID_SIZE], IDownloadCallback* callback)
{
    if (callback == nullptr || fileId == nullptr) {
        return ST_INVALID_PARAM;
    }
    // Not yet in a table: deleting it releases the callback and nothing else.
    std::unique_ptr<CTransportSession> session(new (std::nothrow) CTransportSession(this, callback, fileId, peerId));
    if (!session) {
        return ST_NO_MEMORY;
    }
    const FileKey key = FileKeyOf(fileId);
    if (m_byFileId.count(key) != 0) {
        // A second session would ask for the same file next to the first, unreachable by
        // any close.
        return ST_ALREADY_EXISTS;
    }
    try {
        m_byFileId.emplace(key, session.get());
    } catch (const std::bad_alloc&) {
        return ST_NO_MEMORY;
    }
    const Status status = StartSession(session.get());
    if (status != ST_SUCCESS) {
        m_byFileId.erase(key);
        return status;
    }
    session.release();
    return ST_SUCCESS;
}

Status CDownloadsManager::CloseDownload(const std::uint8_t fileId[TRANSFER_ID_SIZE], std::uint32_t reason)
{
    CTransportSession* session = FindByFileId(fileId);
    if (session == nullptr) {
        return ST_NOT_FOUND;
    }
    CloseTransportSession(session, reason);
    return ST_SUCCESS;
}

Status CDownloadsManager::OnSessionAnswer(const std::uint8_t fileId[TRANSFER_ID_SIZE], std::uint32_t ticket)
{
    CTransportSession* session = FindByFileId(fileId);
    // A session that is connected already has no timer to re-arm: a late answer is stale.
    if (session == nullptr || session->GetHandle() < 0) {
        return ST_NOT_FOUND;
    }
    if (ticket == 0) {
        session->GetDownloadCallback()->OnNotice(1);
        return ST_SUCCESS;
    }
    session->SetTicket(ticket);
    session->SetRetries(m_timings.ConnectTries);
    session->SetStatus(SESSION_STATUS_INITIATING);
    Status status = Rearm(session, m_timings.FirstConnectRetryMs);
    SendConnectRequest(session);
    return status;
}

Status CDownloadsManager::OnIncomingConnection(std::uint32_t handle, std::uint32_t ticket, std::uint32_t keyLow,
                                               std::uint32_t keyHigh)
{
    if (handle >= std::uint32_t(sti::CDispatcher::TIMER_LIMIT)) {
        return ST_NOT_FOUND;
    }
    // A session back to locating still takes its uploader's late connection.
    CTransportSession* session = FindByHandle(static_cast<int>(handle));
    if (session == nullptr || ticket == 0 || session->GetTicket() != ticket) {
        return ST_NOT_FOUND;
    }
    // The session keeps its timer until the connect is under way: on any failure here it
    // goes on asking the uploader.
    CDownloadHandler* handler = new (std::nothrow) CDownloadHandler(session);
    if (handler == nullptr) {
        return ST_NO_MEMORY;
    }
    const Status status = m_connects.Connect(session, handler, CAntAddress(ticket, keyLow, keyHigh));
    if (status != ST_SUCCESS) {
        delete handler;
        return status;
    }
    StopTimer(session);
    session->SetStatus(SESSION_STATUS_CONNECTED);
    return ST_SUCCESS;
}

Status CDownloadsManager::OnSessionNotice(std::uint32_t handle, std::uint32_t value)
{
    if (handle >= std::uint32_t(sti::CDispatcher::TIMER_LIMIT)) {
        return ST_NOT_FOUND;
    }
    CTransportSession* session = FindByHandle(static_cast<int>(handle));
    if (session == nullptr) {
        return ST_NOT_FOUND;
    }
    session->GetDownloadCallback()->OnNotice(static_cast<int>(value));
    return ST_SUCCESS;
}

void CDownloadsManager::CloseAll(std::uint32_t reason)
{
    // Every close takes its session out of the tables; nothing is allocated on the way, so
    // a shutdown always gets through.
    while (!m_byFileId.empty()) {
        const std::size_t before = m_byFileId.size();
        CloseTransportSession(m_byFileId.begin()->second, reason);
        if (m_byFileId.size() >= before) {
            break;
        }
    }
}

CTransportSession* CDownloadsManager::FindByHandle(int handle) const
{
    auto found = m_byHandle.find(handle);
    return found != m_byHandle.end() ? found->second : nullptr;
}

CTransportSession* CDownloadsManager::FindByFileId(const std::uint8_t fileId[TRANSFER_ID_SIZE]) const
{
    if (fileId == nullptr) {
        return nullptr;
    }
    auto found = m_byFileId.find(FileKeyOf(fileId));
    return found != m_byFileId.end() ? found->second : nullptr;
}

Status CDownloadsManager::OnTimer(int timerId, const sti::CTimeValue& now, void* parameter)
{
    (void)parameter;
    CTransportSession* session = FindByHandle(timerId);
    if (session == nullptr) {
        return ST_NOT_FOUND;
    }
    switch (session->GetStatus()) {
    case SESSION_STATUS_CONNECTING:
        session->SetLastRequestTime(now);
        SendSessionRequest(session);
        return Rearm(session, LocateDelay(session, now));
    case SESSION_STATUS_INITIATING: {
        const int retries = session->GetRetries() - 1;
        session->SetRetries(retries);
        if (retries <= 0) {
            session->SetStatus(SESSION_STATUS_CONNECTING);
            return Rearm(session, LocateDelay(session, now));
        }
        SendConnectRequest(session);
        return Rearm(session, m_timings.ConnectRetryMs);
    }
    default:
        return ST_INTERNAL_ERROR;
    }
}

Status CDownloadsManager::OnTimerRemoved(int timerId, void* parameter)
{
    (void)parameter;
    // A timer that ended without this manager cancelling it (a dispatcher shutting down, or
    // one that fired in a state without a next step): the session has no timer any more.
    auto found = m_byHandle.find(timerId);
    if (found != m_byHandle.end()) {
        found->second->SetHandle(-1);
        m_byHandle.erase(found);
    }
    return ST_SUCCESS;
}

Status CDownloadsManager::RemoveSession(CTransportSession* session)
{
    if (session == nullptr) {
        return ST_NOT_FOUND;
    }
    StopTimer(session);
    m_connects.Drop(session);
    auto found = m_byFileId.find(FileKeyOf(session->GetFileId()));
    if (found == m_byFileId.end() || found->second != session) {
        return ST_NOT_FOUND;
    }
    m_byFileId.erase(found);
    return ST_SUCCESS;
}

Status CDownloadsManager::RestartSession(CTransportSession* session)
{
    if (session == nullptr) {
        return ST_NOT_FOUND;
    }
    const Status status = StartSession(session);
    if (status != ST_SUCCESS && status != ST_ALREADY_CONNECTED) {
        // Without a timer nothing would ever move the session again.
        CloseTransportSession(session, CLOSE_REASON_NETWORK_ERROR);
    }
    return status;
}

Status CDownloadsManager::StartSession(CTransportSession* session)
{
    if (session->GetHandle() >= 0) {
        return ST_ALREADY_CONNECTED;
    }
    sti::CDispatcher* dispatcher = sti::CDispatcher::Instance();
    if (dispatcher == nullptr) {
        return ST_NO_MEMORY;
    }
    const sti::CTimeValue now = sti::CTimeValue::Now();
    int timerId = -1;
    Status status = dispatcher->ScheduleTimer(now + sti::CTimeSpan(LocateDelay(session, now)), this, nullptr, timerId);
    if (status != ST_SUCCESS) {
        return status;
    }
    try {
        m_byHandle.emplace(timerId, session);
    } catch (const std::bad_alloc&) {
        // Scheduled just above; cancelling it cannot fail.
        (void)dispatcher->CancelTimer(timerId);
        return ST_NO_MEMORY;
    }
    session->SetHandle(timerId);
    session->SetStatus(SESSION_STATUS_CONNECTING);
    return ST_SUCCESS;
}

std::int32_t CDownloadsManager::LocateDelay(const CTransportSession* session, const sti::CTimeValue& now) const
{
    // A session that never asked has no last request time.
    const sti::CTimeValue& last = session->GetLastRequestTime();
    if (last != sti::CTimeValue() && (now - last).GetMilliseconds() < m_timings.LocateMs) {
        return m_timings.LocateMs;
    }
    return m_timings.FirstLocateMs;
}

Status CDownloadsManager::Rearm(CTransportSession* session, std::int32_t milliseconds)
{
    sti::CDispatcher* dispatcher = sti::CDispatcher::Instance();
    if (dispatcher == nullptr || session->GetHandle() < 0) {
        return ST_INTERNAL_ERROR;
    }
    return dispatcher->RescheduleTimer(session->GetHandle(), milliseconds);
}

void CDownloadsManager::StopTimer(CTransportSession* session)
{
    const int handle = session->GetHandle();
    if (handle < 0) {
        return;
    }
    session->SetHandle(-1);
    auto found = m_byHandle.find(handle);
    if (found != m_byHandle.end() && found->second == session) {
        m_byHandle.erase(found);
    }
    if (sti::CDispatcher* dispatcher = sti::CDispatcher::Existing()) {
        // A timer that fired meanwhile is gone already.
        (void)dispatcher->GetTimerQueue().CancelOwned(handle, this);
    }
}

void CDownloadsManager::SendSessionRequest(const CTransportSession* session)
{
    if (m_outlet != nullptr) {
        m_outlet->SendSessionRequest(session->GetPeerId(), session->GetFileId());
    }
}

void CDownloadsManager::SendConnectRequest(const CTransportSession* session)
{
    if (m_outlet != nullptr) {
        m_outlet->SendConnectRequest(session->GetTicket(), static_cast<std::uint32_t>(session->GetHandle()));
    }
}
