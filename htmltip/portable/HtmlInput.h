#pragma once
// What happens to a text before it is scanned for tags: character entities, line ends and tabs;
// and the escape that makes any text show as it is.

#include <functional>
#include <string>
#include <vector>

namespace htmltip {

// The entities that stand for one character of the ANSI code page, with the byte used where that
// code page has no such character.
struct CharacterEntity {
    const char* name; // "&euro;"
    unsigned codePoint;
    unsigned char fallbackByte;
};
const std::vector<CharacterEntity>& CharacterEntities();

// The process code page's byte for a character, or -1 when it has none (the Windows layer asks
// the system; an empty source keeps every fallback byte).
using EntityByteSource = std::function<int(unsigned codePoint)>;

class CEntityTable {
public:
    explicit CEntityTable(const EntityByteSource& byteOf = {});

    // Replaces every entity, one name after the other in ascending byte order of the names (so
    // "&amp;lt;" becomes "&lt;" and then "<<", one literal "<"). No replacement is longer than
    // its entity.
    std::string Replace(const std::string& text) const;
    const std::vector<std::pair<std::string, std::string>>& Entries() const { return m_entries; }

private:
    std::vector<std::pair<std::string, std::string>> m_entries; // sorted by name
};

// The clean-up before every measuring pass: entities, carriage returns dropped, and line feeds
// and tabs turned into "<br>" and "<t>" (`newLineAsBreak`) or dropped.
std::string CleanInput(const std::string& text, bool newLineAsBreak, const CEntityTable& entities);

// Makes text that someone else chose (a file name, an address) show exactly as it is inside a
// balloon's markup: every "<" doubled (the scanner reads "<<" as one "<", so no tag can open),
// every "&" followed by an empty tag (so no entity can form across it), CR, LF and TAB as blanks.
std::string MakeLiteral(const std::string& text);

} // namespace htmltip
