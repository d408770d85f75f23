#pragma once

#include "infra/Status.h"

#include <mutex>

namespace sti {

namespace implementation {

// Abstract lock, held through the base by the singleton templates and the condition variable.
class CLockObject {
public:
    CLockObject() = default;
    CLockObject(const CLockObject&) = delete;
    CLockObject& operator=(const CLockObject&) = delete;
    virtual ~CLockObject() = default;

    virtual Status Lock() = 0;
    virtual Status Unlock() = 0;
};

} // namespace implementation

// Critical section; the owning thread may lock it again and must unlock as often.
class CMutex : public implementation::CLockObject {
public:
    Status Lock() override;
    Status Unlock() override;

private:
    std::recursive_mutex m_section;
};

// Same behaviour as CMutex; the name documents that nesting is relied upon.
class CRecursiveMutex : public implementation::CLockObject {
public:
    Status Lock() override;
    Status Unlock() override;

private:
    std::recursive_mutex m_section;
};

// For structures touched by one thread only.
class CNullMutex : public implementation::CLockObject {
public:
    Status Lock() override { return ST_SUCCESS; }
    Status Unlock() override { return ST_SUCCESS; }
};

// Locks on construction, unlocks on destruction: every path out of a locked section unlocks.
class CScopedLock {
public:
    // The library's locks are std mutexes (or none), which cannot fail.
    explicit CScopedLock(implementation::CLockObject& lock) : m_lock(lock) { (void)m_lock.Lock(); }
    ~CScopedLock() { (void)m_lock.Unlock(); }

    CScopedLock(const CScopedLock&) = delete;
    CScopedLock& operator=(const CScopedLock&) = delete;

private:
    implementation::CLockObject& m_lock;
};

} // namespace sti
