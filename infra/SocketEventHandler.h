#pragma once
// Typed adapters over IBaseSockEventHandler. CSocketEventHandler<T> casts each object to T
// and forwards to a typed slot with a sensible default; a handler then only writes the slots
// it cares about (OnRead and OnWrite always). By default one handler serves one object and
// deletes itself when the object is removed. CSocketAttachedEventHandler<T> also remembers
// its one attached object.

#include "infra/BaseSockEventHandler.h"
#include "infra/PollableObject.h"
#include "infra/Status.h"
#include "infra/TimeValue.h"

namespace sti {

template <class T>
class CSocketEventHandler : public IBaseSockEventHandler {
public:
    using ObjectType = T;

    // Base slots, forwarded to the typed ones below.
    Status OnError(IPollableObject* object, Status code) override { return OnError(Cast(object), code); }
    Status OnRead(IPollableObject* object) override { return OnRead(Cast(object)); }
    Status OnWrite(IPollableObject* object) override { return OnWrite(Cast(object)); }
    Status OnTimer(IPollableObject* object, const CTimeValue& now, int key) override
    {
        return OnTimer(Cast(object), now, key);
    }
    Status OnDetach(IPollableObject* object, int reason) override { return OnDetach(Cast(object), reason); }
    Status OnRemoved(IPollableObject* object) override { return OnRemoved(Cast(object)); }
    Status OnConnected(IPollableObject* object) override { return OnConnected(Cast(object)); }
    Status OnConnectFailed(IPollableObject* object, Status code) override
    {
        return OnConnectFailed(Cast(object), code);
    }
    Status OnConnectTimeout(IPollableObject* object) override { return OnConnectTimeout(Cast(object)); }
    Status OnConnecting(IPollableObject* object) override { return OnConnecting(Cast(object)); }
    IPollableObject* GetObject() override { return GetTypedObject(); }
    Status OnAttach(IPollableObject* object) override { return OnAttach(Cast(object)); }
    Status OnConnectAborted(IPollableObject* object) override { return OnConnectAborted(Cast(object)); }

    // Typed slots.
    virtual T* GetTypedObject() { return nullptr; }
    virtual Status OnAttach(T*) { return ST_SUCCESS; }
    virtual Status OnConnected(T*) { return ST_SUCCESS; }
    virtual Status OnConnecting(T*) { return ST_SUCCESS; }
    virtual Status OnDetach(T*, int) { return ST_SUCCESS; }
    // The object is about to be deleted: so is this handler, unless a subclass says otherwise.
    virtual Status OnRemoved(T*)
    {
        delete this;
        return ST_SUCCESS;
    }
    virtual Status OnWrite(T* object) = 0;
    virtual Status OnRead(T* object) = 0;
    virtual Status OnTimer(T*, const CTimeValue&, int) { return ST_SUCCESS; }
    virtual Status OnConnectAborted(T*) { return ST_SUCCESS; }
    virtual Status OnError(T*, Status code) { return code; }
    virtual Status OnConnectFailed(T* object, Status code) { return OnError(object, code); }
    virtual Status OnConnectTimeout(T* object) { return OnConnectFailed(object, ST_TIMEOUT); }

protected:
    // Every object bound to this handler is a T, so the cast is the caller's promise.
    static T* Cast(IPollableObject* object) { return static_cast<T*>(object); }
};

template <class T>
class CSocketAttachedEventHandler : public CSocketEventHandler<T> {
public:
    using CSocketEventHandler<T>::OnAttach;
    using CSocketEventHandler<T>::OnDetach;

    T* GetTypedObject() override { return m_object; }
    Status OnAttach(T* object) override
    {
        m_object = object;
        return ST_SUCCESS;
    }
    Status OnDetach(T*, int) override
    {
        m_object = nullptr;
        return ST_SUCCESS;
    }

protected:
    T* m_object = nullptr; // owned by the dispatcher
};

} // namespace sti
