#pragma once
// Process singletons created on first use and destroyed at process exit in longevity order
// (infra/Longevity.h). A destroyed singleton is not recreated: nothing may call Instance of
// a class whose turn at exit has come.

#include "infra/LifetimeTracker.h"
#include "infra/Lock.h"
#include "infra/Longevity.h"

#include <atomic>
#include <exception>

namespace sti {

// Usage: class CFoo { public: static constexpr std::uint32_t LONGEVITY = ...; };
//        CFoo* foo = sti::CSingleton<CFoo>::Instance();
template <class T, class LockType = CMutex>
class CSingleton {
public:
    // The instance, created with T's default constructor on the first call. Null when the
    // creation failed (a later call tries again). std::bad_alloc from the tracker list
    // passes on and leaves nothing created.
    static T* Instance();

private:
    static LockType& ClassLock()
    {
        static LockType lock;
        return lock;
    }

    static std::atomic<T*> s_instance;
};

template <class T, class LockType>
std::atomic<T*> CSingleton<T, LockType>::s_instance{nullptr};

template <class T, class LockType>
T* CSingleton<T, LockType>::Instance()
{
    T* instance = s_instance.load(std::memory_order_acquire);
    if (instance != nullptr) {
        return instance;
    }
    CScopedLock guard(ClassLock());
    instance = s_instance.load(std::memory_order_relaxed);
    if (instance != nullptr) {
        return instance;
    }
    try {
        instance = new T;
    } catch (const std::exception&) {
        return nullptr;
    }
    try {
        SetLongevity(instance, LongevityOf<T>::value);
    } catch (...) {
        delete instance;
        throw;
    }
    s_instance.store(instance, std::memory_order_release);
    return instance;
}

} // namespace sti
