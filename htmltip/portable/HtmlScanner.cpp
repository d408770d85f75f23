#include "htmltip/portable/HtmlScanner.h"

#include "htmltip/portable/HtmlTypes.h"

namespace htmltip {

CHtmlScanner::CHtmlScanner(const std::string& text, std::size_t from, std::size_t to)
    : m_text(text), m_pos(from), m_end(to > text.size() ? text.size() : to)
{
    if (m_pos > m_end)
        m_pos = m_end;
}

bool CHtmlScanner::Next(HtmlToken& token)
{
    token.kind = HtmlToken::kEnd;
    token.text.clear();
    token.begin = m_pos;
    while (m_pos < m_end) {
        const std::size_t lt = m_text.find('<', m_pos);
        if (lt == std::string::npos || lt >= m_end) {
            token.text.append(m_text, m_pos, m_end - m_pos);
            m_pos = m_end;
            break;
        }
        token.text.append(m_text, m_pos, lt - m_pos);
        if (lt + 1 < m_end && m_text[lt + 1] == '<') {
            token.text += '<';
            m_pos = lt + 2;
            continue;
        }
        if (!token.text.empty()) {
            m_pos = lt;
            break;
        }
        // A tag: its body runs to the next ">"; without one it is empty and the scan ends.
        const std::size_t gt = m_text.find('>', lt + 1);
        std::size_t bodyEnd = lt + 1;
        if (gt == std::string::npos || gt >= m_end) {
            m_pos = m_end;
        } else {
            bodyEnd = gt;
            m_pos = gt + 1;
        }
        std::size_t split = lt + 1;
        while (split < bodyEnd && m_text[split] != ' ' && m_text[split] != '=')
            ++split;
        token.name.assign(m_text, lt + 1, split - lt - 1);
        std::size_t first = split;
        while (first < bodyEnd && m_text[first] == ' ')
            ++first;
        token.params.assign(m_text, first, bodyEnd - first);
        token.closing = !token.name.empty() && token.name[0] == '/';
        if (token.closing)
            token.name.erase(0, 1);
        token.kind = HtmlToken::kTag;
        return true;
    }
    if (token.text.empty())
        return false;
    token.kind = HtmlToken::kText;
    return true;
}

std::vector<HtmlAttribute> ScanAttributes(const std::string& params)
{
    std::vector<HtmlAttribute> attributes;
    const std::size_t size = params.size();
    std::size_t pos = 0;
    while (pos < size) {
        while (pos < size && !IsAsciiAlnum(params[pos]) && params[pos] != '.')
            ++pos;
        if (pos >= size)
            break;
        HtmlAttribute attribute;
        const std::size_t nameEnd = params.find_first_of(" =", pos);
        attribute.name = params.substr(pos, nameEnd == std::string::npos ? std::string::npos : nameEnd - pos);
        pos = nameEnd == std::string::npos ? size : nameEnd;
        while (pos < size && params[pos] == ' ')
            ++pos;
        if (pos < size && params[pos] == '=') {
            while (pos < size && (params[pos] == ' ' || params[pos] == '='))
                ++pos;
            if (pos < size && (params[pos] == '"' || params[pos] == '\'')) {
                const char quote = params[pos++];
                const std::size_t close = params.find(quote, pos);
                const std::size_t end = close == std::string::npos ? size : close;
                attribute.value = params.substr(pos, end - pos);
                pos = close == std::string::npos ? size : close + 1;
            } else {
                const std::size_t end = params.find(' ', pos);
                attribute.value = params.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
                pos = end == std::string::npos ? size : end;
            }
        }
        attributes.push_back(std::move(attribute));
    }
    return attributes;
}

} // namespace htmltip
