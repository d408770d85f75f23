#include "htmltip/portable/HtmlStyle.h"

namespace htmltip {

bool CStyleStack::Push(const HtmlStyle& style, const std::string& name)
{
    if (m_records.size() >= static_cast<std::size_t>(kMaxStyleDepth))
        return false;
    m_records.push_back(style);
    m_records.back().name = name;
    return true;
}

bool CStyleStack::PopIfTop(const std::string& name, HtmlStyle& current)
{
    if (m_records.empty() || m_records.back().name != name)
        return false;
    current = std::move(m_records.back());
    m_records.pop_back();
    return true;
}

void CStyleStack::Truncate(std::size_t size)
{
    if (m_records.size() > size)
        m_records.resize(size);
}

} // namespace htmltip
