#include "app/portable/XmlDocumentWriter.h"

#include <string>

#include "app/portable/XmlValues.h"

namespace xmlstore {

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
    for (const char16_t ch : text) {
        if (ch == u'&')
            Ascii("&amp;");
        else if (ch == u'<')
            Ascii("&lt;");
        else if (ch == u'>')
            Ascii("&gt;");
        else if (ch == u'\'' && attribute)
            Ascii("&apos;");
        else if (ch < 0x20 && (attribute || (ch != u'\t' && ch != u'\n')))
            Ascii(("&#" + std::to_string(static_cast<int>(ch)) + ";").c_str());
        else
            m_text += ch;
    }
}

} // namespace xmlstore
