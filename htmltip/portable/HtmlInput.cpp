#include "htmltip/portable/HtmlInput.h"

#include <algorithm>

namespace htmltip {

const std::vector<CharacterEntity>& CharacterEntities()
{
    static const std::vector<CharacterEntity> entities = {
        {"&bull;", 0x2022, 0x95}, {"&copy;", 0x00A9, 0xA9},  {"&euro;", 0x20AC, 0x88}, {"&iquest;", 0x00BF, 0xBF},
        {"&para;", 0x00B6, 0xB6}, {"&pound;", 0x00A3, 0xA3}, {"&reg;", 0x00AE, 0xAE},  {"&trade;", 0x2122, 0x99},
    };
    return entities;
}

CEntityTable::CEntityTable(const EntityByteSource& byteOf)
{
    m_entries = {
        {"&amp;", "&"}, {"&gt;", ">"}, {"&lt;", "<<"}, {"&nbsp;", " "}, {"&quot;", "\""},
    };
    for (const CharacterEntity& entity : CharacterEntities()) {
        const int byte = byteOf ? byteOf(entity.codePoint) : -1;
        const unsigned char chosen = byte > 0 && byte < 256 ? static_cast<unsigned char>(byte) : entity.fallbackByte;
        m_entries.emplace_back(entity.name, std::string(1, static_cast<char>(chosen)));
    }
    std::sort(m_entries.begin(), m_entries.end());
}

std::string CEntityTable::Replace(const std::string& text) const
{
    std::string current = text;
    std::string next;
    for (const auto& entry : m_entries) {
        const std::string& name = entry.first;
        std::size_t found = current.find(name);
        if (found == std::string::npos)
            continue;
        next.clear();
        next.reserve(current.size());
        std::size_t from = 0;
        for (; found != std::string::npos; found = current.find(name, from)) {
            next.append(current, from, found - from);
            next += entry.second;
            from = found + name.size();
        }
        next.append(current, from, std::string::npos);
        current.swap(next);
    }
    return current;
}

std::string CleanInput(const std::string& text, bool newLineAsBreak, const CEntityTable& entities)
{
    const std::string replaced = entities.Replace(text);
    std::string clean;
    clean.reserve(replaced.size());
    for (char c : replaced) {
        if (c == '\r')
            continue;
        if (c == '\n' || c == '\t') {
            if (newLineAsBreak)
                clean += c == '\n' ? "<br>" : "<t>";
            continue;
        }
        clean += c;
    }
    return clean;
}

std::string MakeLiteral(const std::string& text)
{
    std::string literal;
    literal.reserve(text.size() + text.size() / 4);
    for (char c : text) {
        if (c == '<')
            literal += "<<";
        else if (c == '&')
            literal += "&<>";
        else if (c == '\r' || c == '\n' || c == '\t')
            literal += ' ';
        else
            literal += c;
    }
    return literal;
}

} // namespace htmltip
