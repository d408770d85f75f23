#pragma once
// Per-object timers known by a small key instead of a timer id (a key occurs at most once per
// object). The set belongs to its object and is created by the dispatcher on first use; its
// records are owned by the set.

#include <map>
#include <memory>

namespace sti {

class IPollableObject;

struct SKeyedTimer {
    int timerId = -1; // -1 until the timer exists
    int key = -1;
    IPollableObject* object = nullptr;
};

class CKeyedTimerSet {
public:
    // Null when the key is not there.
    SKeyedTimer* Find(int key) const;
    // Takes the record on success. False (record left with the caller) when the key is taken;
    // std::bad_alloc also leaves it with the caller.
    bool Insert(std::unique_ptr<SKeyedTimer>& record);
    // Erases the record under its key only if it is this very record; the record is then
    // freed. False when the set does not hold it.
    bool Erase(const SKeyedTimer* record);
    bool IsEmpty() const { return m_records.empty(); }
    std::size_t GetCount() const { return m_records.size(); }

    template <class Function>
    void ForEach(Function function) const
    {
        for (const auto& item : m_records) {
            function(*item.second);
        }
    }

private:
    std::map<int, std::unique_ptr<SKeyedTimer>> m_records; // ordered by key
};

} // namespace sti
