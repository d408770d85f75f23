#include "infra/Lock.h"

namespace sti {

Status CMutex::Lock()
{
    m_section.lock();
    return ST_SUCCESS;
}
Status CMutex::Unlock()
{
    m_section.unlock();
    return ST_SUCCESS;
}

Status CRecursiveMutex::Lock()
{
    m_section.lock();
    return ST_SUCCESS;
}
Status CRecursiveMutex::Unlock()
{
    m_section.unlock();
    return ST_SUCCESS;
}

} // namespace sti
