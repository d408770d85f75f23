#pragma once
// Completes a dispatcher's non-blocking TCP connects: while a connect is in progress the
// socket is bound to this handler with write interest; once it is writable the socket is
// handed to the requesting handler, or the requester hears of the failure, the time-out or
// the abort. Owned by its dispatcher.

#include "infra/BaseSockEventHandler.h"
#include "infra/TimeEventHandler.h"
#include "infra/os/Socket.h"

#include <map>

namespace sti {

class CDispatcher;

class CConnectHandler : public ITimeEventHandler, public IBaseSockEventHandler {
public:
    explicit CConnectHandler(CDispatcher& dispatcher);
    // Every connect still pending fails with ST_CONNECTION_CLOSED and its socket is closed.
    ~CConnectHandler() override;

    // ST_DUPLICATE when the handle has a record already.
    Status AddRecord(IBaseSockEventHandler* requester, IPollableObject* object, int timerId);
    // Cancels the time-out, erases the record and takes the object off the requester's
    // pending list. ST_NOT_FOUND when the object has no record.
    Status DropRecord(IPollableObject* object, IBaseSockEventHandler** requester = nullptr);
    // Erases the record only (the time-out and the requester's list stay as they are).
    void EraseRecord(const IPollableObject* object);
    bool HasRecord(const IPollableObject* object) const;

    // The connect time-out ran out.
    Status OnTimer(int timerId, const CTimeValue& now, void* parameter) override;

    Status OnError(IPollableObject* object, Status code) override
    {
        (void)object;
        return code;
    }
    Status OnRead(IPollableObject*) override { return ST_SUCCESS; }
    // The connect finished.
    Status OnWrite(IPollableObject* object) override;
    Status OnTimer(IPollableObject*, const CTimeValue&, int) override { return ST_INTERNAL_ERROR; }
    Status OnDetach(IPollableObject* object, int reason) override;
    Status OnRemoved(IPollableObject* object) override;
    Status OnConnected(IPollableObject*) override { return ST_INTERNAL_ERROR; }
    Status OnConnectFailed(IPollableObject*, Status) override { return ST_INTERNAL_ERROR; }
    Status OnConnectTimeout(IPollableObject*) override { return ST_INTERNAL_ERROR; }
    Status OnConnecting(IPollableObject*) override { return ST_INTERNAL_ERROR; }
    IPollableObject* GetObject() override { return nullptr; }
    Status OnAttach(IPollableObject*) override { return ST_SUCCESS; }
    Status OnConnectAborted(IPollableObject*) override { return ST_INTERNAL_ERROR; }

private:
    struct Record {
        IBaseSockEventHandler* requester; // not owned
        IPollableObject* object;          // owned by the dispatcher
        int timerId;
    };

    using RecordMap = std::map<STI_OS::SocketHandle, Record>;

    // By the object itself, not by its handle: a handle may have been closed meanwhile and the
    // timer's object may be gone, so the object is never dereferenced for the lookup.
    RecordMap::iterator FindByObject(const IPollableObject* object);
    RecordMap::const_iterator FindByObject(const IPollableObject* object) const;

    CDispatcher& m_dispatcher;
    RecordMap m_records; // by socket handle value at registration
};

} // namespace sti
