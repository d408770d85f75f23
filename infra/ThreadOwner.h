#pragma once
// The debug check behind "used by its owning thread only". A member of the object; each entry
// reserved to the owner starts with STI_OWNING_THREAD(m_owner). The first checked call makes
// its thread the owner, so an object may be built on one thread and run by another; Bind hands
// the object to the calling thread (a worker on its start), Release lets the next checked call
// take it (the worker on its end). A call from any other thread prints the entry and aborts,
// so the test that made the call fails.
// Without NDEBUG only: in release builds every member does nothing.

#ifndef NDEBUG
#include <atomic>
#include <thread>
#endif

namespace sti {

class CThreadOwner {
public:
#ifndef NDEBUG
    void Check(const char* file, int line, const char* function) const;
    void Bind()
    {
        m_owner.store(std::this_thread::get_id());
    }
    void Release()
    {
        m_owner.store(std::thread::id());
    }
#else
    void Check(const char*, int, const char*) const {}
    void Bind() {}
    void Release() {}
#endif

private:
#ifndef NDEBUG
    mutable std::atomic<std::thread::id> m_owner{};
#endif
};

} // namespace sti

#define STI_OWNING_THREAD(owner) (owner).Check(__FILE__, __LINE__, __func__)
