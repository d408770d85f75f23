#include "app/portable/XmlDocumentWriter.h"

#include <string>

#include "app/portable/XmlValues.h"

namespace xmlstore {
namespace {

bool IsHighSurrogate(char16_t ch)
{
    return ch >= 0xD800 && ch <= 0xDBFF;
}

bool IsLowSurrogate(char16_t ch)
{
    return ch >= 0xDC00 && ch <= 0xDFFF;
}

} // namespace

void DocumentWriter::Open(const char* name)
{
    m_text += u'<';
    Ascii(name);
    m_text += u'>';
}

void DocumentWriter::Close(const char* name)
{
    Ascii("</");
    Ascii(name);
    m_text += u'>';
}

void DocumentWriter::Element(const char* name, const Text& text)
{
    Open(name);
    Escaped(text, false);
    Close(name);
}

void DocumentWriter::Element(const char* name, std::int64_t value)
{
    Open(name);
    Ascii(std::to_string(value).c_str());
    Close(name);
}

void DocumentWriter::Element(const char* name, const unsigned char id[ID_SIZE])
{
    Open(name);
    Ascii(IdToHex(id).c_str());
    Close(name);
}

void DocumentWriter::ItemElement(const Item& item)
{
    Ascii("<item name='");
    Escaped(item.first, true);
    Ascii("'>");
    Escaped(item.second, false);
    Close("item");
}

void DocumentWriter::Ascii(const char* text)
{
    for (; *text; ++text)
        m_text += static_cast<char16_t>(static_cast<unsigned char>(*text));
}

void DocumentWriter::Escaped(const Text& text, bool attribute)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t ch = text[i];
        // XML 1.0 has no other characters, not even as references: a reader that keeps to it
        // would refuse the whole file.
        if ((ch < 0x20 && ch != u'\t' && ch != u'\n' && ch != u'\r') || ch == 0xFFFE || ch == 0xFFFF)
            ch = REPLACEMENT_CHARACTER;
        if (IsHighSurrogate(ch) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            m_text += ch;
            m_text += text[++i];
            continue;
        }
        if (IsHighSurrogate(ch) || IsLowSurrogate(ch))
            ch = REPLACEMENT_CHARACTER;
        if (ch == u'&')
            Ascii("&amp;");
        else if (ch == u'<')
            Ascii("&lt;");
        else if (ch == u'>')
            Ascii("&gt;");
        else if (ch == u'\'' && attribute)
            Ascii("&apos;");
        else if (ch == u'\r' || (attribute && ch < 0x20))
            Ascii(("&#" + std::to_string(static_cast<int>(ch)) + ";").c_str());
        else
            m_text += ch;
    }
}

} // namespace xmlstore
