#pragma once
// Lifetime trackers: each one owns one singleton object (or one thread's value) and
// destroys it when the tracker itself is destroyed. Trackers live in lists sorted by
// descending longevity; the process list is emptied from its end at process exit, one
// tracker per exit callback, so the lowest longevity dies first.

#include <cstdint>
#include <vector>

namespace sti {

class LifetimeTracker {
public:
    explicit LifetimeTracker(std::uint32_t longevity) : m_longevity(longevity) {}
    virtual ~LifetimeTracker() = default;

    LifetimeTracker(const LifetimeTracker&) = delete;
    LifetimeTracker& operator=(const LifetimeTracker&) = delete;

    std::uint32_t GetLongevity() const { return m_longevity; }

    // Forgets the object without destroying it; the tracker's destructor then does nothing.
    // For the values of a thread that was killed while it may have been inside them.
    virtual void Abandon() = 0;

private:
    std::uint32_t m_longevity;
};

// Owns one process singleton.
template <class T>
class ConcreteLifetimeTracker : public LifetimeTracker {
public:
    ConcreteLifetimeTracker(T* object, std::uint32_t longevity) : LifetimeTracker(longevity), m_object(object) {}
    ~ConcreteLifetimeTracker() override
    {
        delete m_object;
        m_object = nullptr;
    }
    void Abandon() override { m_object = nullptr; }

private:
    T* m_object;
};

namespace implementation {

// Inserts behind every tracker of equal or higher longevity (so ties keep registration
// order). Throws std::bad_alloc when the list cannot grow.
void InsertTracker(std::vector<LifetimeTracker*>& list, LifetimeTracker* tracker);

// Takes ownership of the tracker: puts it into the process list under the lifetime lock and
// registers one exit callback for it. Throws std::bad_alloc (the tracker is then not kept).
void AddProcessTracker(LifetimeTracker* tracker);

} // namespace implementation

// Makes the object die at process exit in longevity order. Throws std::bad_alloc; the
// object is then not owned by anything.
template <class T>
void SetLongevity(T* object, std::uint32_t longevity)
{
    auto* tracker = new ConcreteLifetimeTracker<T>(object, longevity);
    try {
        implementation::AddProcessTracker(tracker);
    } catch (...) {
        tracker->Abandon();
        delete tracker;
        throw;
    }
}

} // namespace sti
