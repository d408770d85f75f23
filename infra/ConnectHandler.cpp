#include "infra/ConnectHandler.h"

#include "infra/Dispatcher.h"
#include "infra/PollableObject.h"

#include <new>

namespace sti {

CConnectHandler::CConnectHandler(CDispatcher& dispatcher) : m_dispatcher(dispatcher) {}

CConnectHandler::~CConnectHandler()
{
    while (!m_records.empty()) {
        IPollableObject* object = m_records.begin()->second.object;
        IBaseSockEventHandler* requester = nullptr;
        // The record is there (taken from the map) and the requester is told next.
        (void)DropRecord(object, &requester);
        // A notice: the connect is over whatever the requester answers.
        (void)requester->OnConnectFailed(object, ST_CONNECTION_CLOSED);
        m_dispatcher.Close(object, false);
    }
}

CConnectHandler::RecordMap::iterator CConnectHandler::FindByObject(const IPollableObject* object)
{
    for (auto it = m_records.begin(); it != m_records.end(); ++it) {
        if (it->second.object == object) {
            return it;
        }
    }
    return m_records.end();
}

CConnectHandler::RecordMap::const_iterator CConnectHandler::FindByObject(const IPollableObject* object) const
{
    for (auto it = m_records.begin(); it != m_records.end(); ++it) {
        if (it->second.object == object) {
            return it;
        }
    }
    return m_records.end();
}

Status CConnectHandler::AddRecord(IBaseSockEventHandler* requester, IPollableObject* object, int timerId)
{
    if (FindByObject(object) != m_records.end()) {
        return ST_DUPLICATE;
    }
    try {
        if (!m_records.emplace(object->GetHandle(), Record{requester, object, timerId}).second) {
            return ST_DUPLICATE;
        }
    } catch (const std::bad_alloc&) {
        return ST_NO_MEMORY;
    }
    return ST_SUCCESS;
}

Status CConnectHandler::DropRecord(IPollableObject* object, IBaseSockEventHandler** requester)
{
    auto found = FindByObject(object);
    if (found == m_records.end()) {
        return ST_NOT_FOUND;
    }
    Record record = found->second;
    m_records.erase(found);
    if (record.timerId >= 0) {
        // The record's timer may have fired already; nothing else holds it.
        (void)m_dispatcher.GetTimerQueue().CancelOwned(record.timerId, this);
    }
    record.requester->RemoveConnecting(object);
    if (requester != nullptr) {
        *requester = record.requester;
    }
    return ST_SUCCESS;
}

void CConnectHandler::EraseRecord(const IPollableObject* object)
{
    auto found = FindByObject(object);
    if (found != m_records.end()) {
        m_records.erase(found);
    }
}

bool CConnectHandler::HasRecord(const IPollableObject* object) const
{
    return FindByObject(object) != m_records.end();
}

Status CConnectHandler::OnTimer(int timerId, const CTimeValue& now, void* parameter)
{
    (void)now;
    IPollableObject* object = static_cast<IPollableObject*>(parameter);
    auto found = FindByObject(object);
    if (found == m_records.end() || found->second.timerId != timerId) {
        return ST_INTERNAL_ERROR;
    }
    IBaseSockEventHandler* requester = nullptr;
    // Found just above.
    (void)DropRecord(object, &requester);
    // A notice: the object is closed whatever the requester answers.
    (void)requester->OnConnectTimeout(object);
    m_dispatcher.Close(object, false);
    return ST_SUCCESS;
}

Status CConnectHandler::OnWrite(IPollableObject* object)
{
    Status status = object->GetSocketError();
    if (status != ST_SUCCESS) {
        return status; // the dispatcher's error path tells the requester
    }
    if (!HasRecord(object)) {
        return ST_INTERNAL_ERROR;
    }
    object->SetState(STATE_CONNECTED);
    IBaseSockEventHandler* requester = nullptr;
    // Found just above.
    (void)DropRecord(object, &requester);
    status = m_dispatcher.SetInterest(object, INTEREST_READ);
    if (status != ST_SUCCESS) {
        return status;
    }
    status = m_dispatcher.SwitchHandler(object, requester);
    if (status != ST_SUCCESS) {
        return status;
    }
    return requester->OnConnected(object);
}

Status CConnectHandler::OnDetach(IPollableObject* object, int reason)
{
    if (reason == DETACH_HANDED_ON) {
        return ST_SUCCESS;
    }
    IBaseSockEventHandler* requester = nullptr;
    if (DropRecord(object, &requester) != ST_SUCCESS) {
        return ST_INTERNAL_ERROR;
    }
    switch (reason) {
    case DETACH_CLOSED:
    case DETACH_SHUTDOWN:
        return requester->OnConnectAborted(object);
    case DETACH_ERROR:
        return requester->OnConnectFailed(object, ST_SOCKET_ERROR);
    default:
        return ST_INTERNAL_ERROR;
    }
}

// A quiet close (no OnDetach) would otherwise leave a record, and a live time-out, for an
// object about to be deleted.
Status CConnectHandler::OnRemoved(IPollableObject* object)
{
    // Most objects have no record; those that have lose it here.
    (void)DropRecord(object);
    return ST_SUCCESS;
}

} // namespace sti
