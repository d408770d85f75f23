#pragma once
// Per-thread singletons: one value per thread, created on the thread's first Instance call.
// A library thread's value dies at the end of that thread (its tracker is in the thread's
// list, Thread.h); the main thread's value dies with its holder at process exit.

#include "infra/Initialize.h"
#include "infra/LifetimeTracker.h"
#include "infra/Lock.h"
#include "infra/Longevity.h"
#include "infra/ThreadManager.h"
#include "infra/os/Tls.h"

#include <atomic>
#include <exception>

namespace sti {

namespace implementation {

// One thread-local-storage slot, allocated on first use under the holder's mutex.
class CTSSBase {
public:
    CTSSBase() = default;
    virtual ~CTSSBase(); // frees the slot

    CTSSBase(const CTSSBase&) = delete;
    CTSSBase& operator=(const CTSSBase&) = delete;

protected:
    // Null when nothing is stored for the calling thread or the slot is not available.
    void* GetRaw();
    // Does nothing when the slot cannot be allocated.
    void SetRaw(void* value);

private:
    bool EnsureSlot();

    CMutex m_lock;
    STI_OS::TlsSlot m_slot = STI_OS::INVALID_TLS_SLOT;
    std::atomic<bool> m_allocated{false};
};

} // namespace implementation

// Holder of one value of T per thread. Owns the value of the thread that destroys it.
template <class T>
class CTSS : public implementation::CTSSBase {
public:
    ~CTSS() override
    {
        delete Get();
        Set(nullptr);
    }

    T* Get() { return static_cast<T*>(GetRaw()); }
    void Set(T* value) { SetRaw(value); }

    virtual T* CreateValue() { return new T; }
};

// Owns the value that one thread keeps in a holder; destroys exactly that value, whichever
// thread runs the destructor, and clears the slot when it runs on the value's own thread.
template <class T>
class ConcreteTSSLifetimeTracker : public LifetimeTracker {
public:
    ConcreteTSSLifetimeTracker(CTSS<T>* holder, T* value, std::uint32_t longevity)
        : LifetimeTracker(longevity), m_holder(holder), m_value(value)
    {}
    ~ConcreteTSSLifetimeTracker() override
    {
        if (m_value == nullptr) {
            return;
        }
        if (m_holder->Get() == m_value) {
            m_holder->Set(nullptr);
        }
        delete m_value;
    }
    void Abandon() override { m_value = nullptr; }

private:
    CTSS<T>* m_holder;
    T* m_value;
};

// Usage: class CFoo { public: static constexpr std::uint32_t HOLDER_LONGEVITY = ...,
//                                                          THREAD_LONGEVITY = ...; };
//        CFoo* mine = sti::CTSS_Singleton<CFoo>::Instance();
template <class T, class LockType = CMutex>
class CTSS_Singleton {
public:
    // The calling thread's value, created on first use. Null when it could not be created
    // (a later call tries again). std::bad_alloc from a tracker list passes on.
    static T* Instance();

    // The calling thread's value if the holder and the value exist; creates nothing.
    static T* Existing()
    {
        CTSS<T>* holder = s_holder.load(std::memory_order_acquire);
        return holder != nullptr ? holder->Get() : nullptr;
    }

private:
    static LockType& ClassLock()
    {
        static LockType lock;
        return lock;
    }

    static CTSS<T>* Holder();

    static std::atomic<CTSS<T>*> s_holder;
};

template <class T, class LockType>
std::atomic<CTSS<T>*> CTSS_Singleton<T, LockType>::s_holder{nullptr};

template <class T, class LockType>
CTSS<T>* CTSS_Singleton<T, LockType>::Holder()
{
    CTSS<T>* holder = s_holder.load(std::memory_order_acquire);
    if (holder != nullptr) {
        return holder;
    }
    CScopedLock guard(ClassLock());
    holder = s_holder.load(std::memory_order_relaxed);
    if (holder != nullptr) {
        return holder;
    }
    try {
        holder = new CTSS<T>;
    } catch (const std::exception&) {
        return nullptr;
    }
    try {
        SetLongevity(holder, TSSLongevityOf<T>::holder);
    } catch (...) {
        delete holder;
        throw;
    }
    s_holder.store(holder, std::memory_order_release);
    return holder;
}

template <class T, class LockType>
T* CTSS_Singleton<T, LockType>::Instance()
{
    CTSS<T>* holder = Holder();
    if (holder == nullptr) {
        return nullptr;
    }
    if (T* value = holder->Get()) {
        return value;
    }
    T* value = nullptr;
    try {
        value = holder->CreateValue();
    } catch (const std::exception&) {
        return nullptr;
    }
    holder->Set(value);
    if (holder->Get() != value) {
        delete value; // no slot: the value could never be found again
        return nullptr;
    }
    if (IsMainThread()) {
        return value; // dies with the holder at exit
    }
    ConcreteTSSLifetimeTracker<T>* tracker = nullptr;
    try {
        tracker = new ConcreteTSSLifetimeTracker<T>(holder, value, TSSLongevityOf<T>::thread);
    } catch (...) {
        holder->Set(nullptr);
        delete value;
        throw;
    }
    threadman::CThreadManager* manager = threadman::CThreadManager::Instance();
    if (manager == nullptr) {
        delete tracker;
        return nullptr;
    }
    try {
        manager->AddThreadTracker(tracker);
    } catch (...) {
        delete tracker;
        throw;
    }
    return value;
}

} // namespace sti
