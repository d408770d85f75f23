#include "infra/LifetimeTracker.h"

#include "infra/Lock.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace sti {

namespace {

// The process list; created with the first tracker, destroyed after the last one (its
// exit callback is registered before the first tracker's).
std::vector<LifetimeTracker*>* s_processList = nullptr;

CMutex& LifetimeLock()
{
    // Never destroyed: exit callbacks registered before it would otherwise outlive it.
    static CMutex* lock = new CMutex;
    return *lock;
}

void DestroyProcessList()
{
    delete s_processList;
    s_processList = nullptr;
}

// One per tracker. No lock: exit runs after the thread manager stopped every library thread.
void DestroyLowestTracker()
{
    if (s_processList == nullptr || s_processList->empty()) {
        return;
    }
    LifetimeTracker* tracker = s_processList->back();
    s_processList->pop_back();
    delete tracker;
}

} // namespace

namespace implementation {

void InsertTracker(std::vector<LifetimeTracker*>& list, LifetimeTracker* tracker)
{
    auto position =
        std::upper_bound(list.begin(), list.end(), tracker, [](const LifetimeTracker* a, const LifetimeTracker* b) {
            return a->GetLongevity() > b->GetLongevity();
        });
    list.insert(position, tracker);
}

void AddProcessTracker(LifetimeTracker* tracker)
{
    CScopedLock guard(LifetimeLock());
    if (s_processList == nullptr) {
        s_processList = new std::vector<LifetimeTracker*>;
        if (std::atexit(DestroyProcessList) != 0) {
            DestroyProcessList();
            throw std::bad_alloc();
        }
    }
    InsertTracker(*s_processList, tracker);
    if (std::atexit(DestroyLowestTracker) != 0) {
        s_processList->erase(std::find(s_processList->begin(), s_processList->end(), tracker));
        throw std::bad_alloc();
    }
}

} // namespace implementation

} // namespace sti
