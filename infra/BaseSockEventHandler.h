#pragma once
// Receiver of a dispatcher's callbacks for the pollable objects bound to it. The dispatcher
// keeps the two lists below up to date; the handler itself only reads them. All calls happen
// on the thread of the dispatcher that owns the objects.

#include "infra/Status.h"

#include <memory>
#include <vector>

namespace sti {

class IPollableObject;
class CTimeValue;

// Why OnDetach is called.
enum DetachReason : int {
    DETACH_CLOSED = 0,    // closed by request
    DETACH_HANDED_ON = 1, // bound to another handler
    DETACH_ERROR = 2,     // closed after an error
    DETACH_SHUTDOWN = 3   // the dispatcher shuts down
};

class IBaseSockEventHandler {
public:
    IBaseSockEventHandler() = default;
    // Closes (without notification) every object still attached and aborts every connect
    // still pending, through the calling thread's dispatcher; those objects forget this
    // handler, so their later removal never reaches it.
    virtual ~IBaseSockEventHandler();

    IBaseSockEventHandler(const IBaseSockEventHandler&) = delete;
    IBaseSockEventHandler& operator=(const IBaseSockEventHandler&) = delete;

    // The object failed with code; the dispatcher closes it right after.
    virtual Status OnError(IPollableObject* object, Status code) = 0;
    virtual Status OnRead(IPollableObject* object) = 0;
    // ST_MORE_DATA keeps write interest, ST_NO_MORE_DATA drops it, anything else non-zero
    // is an error that closes the object.
    virtual Status OnWrite(IPollableObject* object) = 0;
    // A keyed timer of the object fired.
    virtual Status OnTimer(IPollableObject* object, const CTimeValue& now, int key) = 0;
    virtual Status OnDetach(IPollableObject* object, int reason) = 0;
    // Last sight of the object before the dispatcher deletes it.
    virtual Status OnRemoved(IPollableObject* object) = 0;
    virtual Status OnConnected(IPollableObject* object) = 0;
    virtual Status OnConnectFailed(IPollableObject* object, Status code) = 0;
    virtual Status OnConnectTimeout(IPollableObject* object) = 0;
    // A connect is in progress and waits in the dispatcher.
    virtual Status OnConnecting(IPollableObject* object) = 0;
    // The attached object, for handlers that keep one; else null.
    virtual IPollableObject* GetObject() = 0;
    virtual bool ReservedQuery() { return false; }
    virtual Status OnAttach(IPollableObject* object) = 0;
    // A pending connect ended by a close or a shutdown.
    virtual Status OnConnectAborted(IPollableObject* object) = 0;

    // Objects registered with this handler (maintained by the dispatcher). Adding gives
    // ST_NO_MEMORY when the list cannot grow, ST_DUPLICATE when the object is there already.
    Status AddObject(IPollableObject* object);
    // False when the object was not in the list.
    bool RemoveObject(IPollableObject* object);
    bool HasObject(const IPollableObject* object) const;
    std::size_t GetObjectCount() const;

    // Objects whose connect this handler waits for (maintained by the dispatcher).
    Status AddConnecting(IPollableObject* object);
    bool RemoveConnecting(IPollableObject* object);
    bool IsConnecting(const IPollableObject* object) const;
    std::size_t GetConnectingCount() const;

private:
    using ObjectList = std::vector<IPollableObject*>;

    // Both created on first use.
    std::unique_ptr<ObjectList> m_attached;
    std::unique_ptr<ObjectList> m_connecting;
};

} // namespace sti
