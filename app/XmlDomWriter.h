#pragma once
// CXmlDomWriter: builds one small MSXML document element by element and gives back its text.
// Every MSXML failure throws CComError, so a builder can end its whole attempt in one place.
// COM must be initialised on the calling thread.

#include <string>

#include "framework/ComPtr.h"
#include "framework/Msxml.h"
#include "framework/String.h"

class CXmlDomWriter {
public:
    CXmlDomWriter();

    // The processing instruction "xml" with "version='1.0'  encoding='UTF-8'".
    void AddDeclaration();
    CComPtr<IXMLDOMElement> AddRoot(const wchar_t* name);
    CComPtr<IXMLDOMElement> AddElement(IXMLDOMElement* parent, const wchar_t* name);
    // An element whose content is the text as CDATA. One section, unless the text holds "]]>",
    // which no section can: then the text is split across sections right after each "]]".
    void AddCData(IXMLDOMElement* parent, const wchar_t* name, const CString& text);
    // An element whose content is one text node (the serialiser escapes it).
    //
    // In both, a line end "\r\n" goes in as "\n": an XML reader makes "\n" of it anyway, and a
    // serialiser that writes its line ends as "\r\n" would otherwise double it.
    void AddText(IXMLDOMElement* parent, const wchar_t* name, const CString& text);

    // The document's text (its xml property) in UTF-8.
    std::string ToUtf8() const;

private:
    void Append(IXMLDOMNode* parent, IXMLDOMNode* child);

    CComPtr<IXMLDOMDocument> m_document;
};
