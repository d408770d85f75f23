#pragma once
// Reads cleaned markup as text runs and tags, and a tag's parameter text as attributes.

#include <string>
#include <vector>

namespace htmltip {

struct HtmlToken {
    enum Kind {
        kEnd,
        kText,
        kTag
    };
    Kind kind = kEnd;
    std::string text;   // kText: the run, each "<<" read as one "<"
    std::string name;   // kTag: the name, without the "/" of a closing tag
    std::string params; // kTag: what follows the name, leading blanks removed
    bool closing = false;
    std::size_t begin = 0; // where the token starts in the scanned text
};

// Scans `text` (which must outlive the scanner) token by token. A "<" without its ">" makes an
// empty tag and ends the scan; each call consumes at least one byte, so a scan always ends.
class CHtmlScanner {
public:
    explicit CHtmlScanner(const std::string& text, std::size_t from = 0, std::size_t to = std::string::npos);

    // False at the end.
    bool Next(HtmlToken& token);
    std::size_t Position() const { return m_pos; }

private:
    const std::string& m_text;
    std::size_t m_pos;
    std::size_t m_end;
};

struct HtmlAttribute {
    std::string name;
    std::string value;
};

// A tag's parameter text as attributes in their order: a name starts at a letter, digit or "."
// and runs to a blank or "="; "=" (blanks around it skipped) introduces a value, quoted (to the
// same quote, or the end) or up to the next blank.
std::vector<HtmlAttribute> ScanAttributes(const std::string& params);

} // namespace htmltip
