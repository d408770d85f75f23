#include "infra/KeyedTimer.h"

namespace sti {

SKeyedTimer* CKeyedTimerSet::Find(int key) const
{
    auto found = m_records.find(key);
    return found != m_records.end() ? found->second.get() : nullptr;
}

bool CKeyedTimerSet::Insert(std::unique_ptr<SKeyedTimer>& record)
{
    auto result = m_records.emplace(record->key, nullptr);
    if (!result.second) {
        return false;
    }
    result.first->second = std::move(record);
    return true;
}

bool CKeyedTimerSet::Erase(const SKeyedTimer* record)
{
    auto found = m_records.find(record->key);
    if (found == m_records.end() || found->second.get() != record) {
        return false;
    }
    m_records.erase(found);
    return true;
}

} // namespace sti
