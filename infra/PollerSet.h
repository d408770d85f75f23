#pragma once
// A dispatcher's poll handle plus the table that maps a socket handle value to the object
// registered under it. The table holds the objects; it does not own them.

#include "infra/PollableObject.h"
#include "infra/Status.h"
#include "infra/os/Poller.h"

#include <vector>

namespace sti {

class IPollerVisitor {
public:
    virtual ~IPollerVisitor() = default;
    virtual void Visit(STI_OS::SocketHandle handle, IPollableObject* object) = 0;
};

class CPollerSet {
public:
    CPollerSet() = default;
    ~CPollerSet(); // releases the poll handle

    CPollerSet(const CPollerSet&) = delete;
    CPollerSet& operator=(const CPollerSet&) = delete;

    Status Open();
    void CloseHandle();

    // ST_DUPLICATE when another object holds the handle value; makes the socket non-blocking
    // first. ST_INVALID_PARAM for an object without a handle.
    Status Register(IPollableObject* object, int pollFlags);
    // ST_INVALID_PARAM when this very object is not registered. A poller failure is returned
    // and the object stays in the table.
    Status Unregister(IPollableObject* object);
    // Unregisters and drops the object from the table even if the poller refuses (shutdown).
    void Forget(IPollableObject* object);
    Status AddInterest(IPollableObject* object, int pollFlags);
    Status RemoveInterest(IPollableObject* object, int pollFlags);
    Status SetInterest(IPollableObject* object, int pollFlags);
    Status GetInterest(IPollableObject* object, int& pollFlags);
    bool IsRegistered(const IPollableObject* object) const;

    // ST_SUCCESS, ST_TIMEOUT or the poller's failure.
    Status Wait(std::uint32_t milliseconds);
    // ST_NO_MORE_DATA when the ready set is exhausted. Ready handles without an object are
    // skipped.
    Status NextReady(IPollableObject*& object, int& flags);

    void Visit(IPollerVisitor& visitor) const;

private:
    IPollableObject* Slot(STI_OS::SocketHandle handle) const;
    // The slot that holds this very object. Found by its handle, or by a search when the
    // handle was closed under the dispatcher's feet.
    bool FindIndex(const IPollableObject* object, std::size_t& index) const;

    STI_OS::PollHandle m_poll;
    bool m_open = false;
    std::vector<IPollableObject*> m_table; // indexed by handle value; not owned
};

} // namespace sti
