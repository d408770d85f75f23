#pragma once
// Builds the text of one XML file element by element, without line breaks or declaration.
// Element text escapes "&", "<", ">" and CR; an attribute (quoted with apostrophes) also the
// apostrophe, TAB and LF, which a reader would otherwise turn into blanks. So every text reads
// back exactly as it was written, except for what XML 1.0 cannot hold at all (control
// characters other than TAB, LF and CR, U+FFFE, U+FFFF and unpaired surrogates): each becomes
// U+FFFD, and the file stays well-formed for any reader.

#include <cstdint>
#include <string>

#include "app/portable/XmlStoreRecords.h"

namespace xmlstore {

class DocumentWriter {
public:
    static constexpr char16_t REPLACEMENT_CHARACTER = 0xFFFD;

    void Open(const char* name);  // "<name>"
    void Close(const char* name); // "</name>"
    void Element(const char* name, const Text& text);
    void Element(const char* name, std::int64_t value);
    void Element(const char* name, const unsigned char id[ID_SIZE]);
    // <item name='key'>value</item>
    void ItemElement(const Item& item);

    const Text& Document() const { return m_text; }

private:
    void Ascii(const char* text);
    void Escaped(const Text& text, bool attribute);

    Text m_text;
};

} // namespace xmlstore
