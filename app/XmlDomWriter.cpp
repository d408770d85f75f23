#include "app/XmlDomWriter.h"

#include "framework/Bstr.h"
#include "framework/ComError.h"

namespace {

CString WithNewlineEnds(const CString& text)
{
    CString result = text;
    result.Replace("\r\n", "\n");
    return result;
}

} // namespace

CXmlDomWriter::CXmlDomWriter()
{
    HRESULT hr = CoCreateInstance(CLSID_DOMDocument30, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                  m_document.ReceiveVoid());
    if (FAILED(hr))
        hr = CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                              m_document.ReceiveVoid());
    ThrowIfFailed(hr);
}

void CXmlDomWriter::Append(IXMLDOMNode* parent, IXMLDOMNode* child)
{
    CComPtr<IXMLDOMNode> added;
    ThrowIfFailed(parent->appendChild(child, added.Receive()));
}

void CXmlDomWriter::AddDeclaration()
{
    CComPtr<IXMLDOMProcessingInstruction> declaration;
    ThrowIfFailed(m_document->createProcessingInstruction(CBstr(L"xml"), CBstr(L"version='1.0'  encoding='UTF-8'"),
                                                          declaration.Receive()));
    Append(m_document.Get(), declaration.Get());
}

CComPtr<IXMLDOMElement> CXmlDomWriter::AddRoot(const wchar_t* name)
{
    CComPtr<IXMLDOMElement> root;
    ThrowIfFailed(m_document->createElement(CBstr(name), root.Receive()));
    Append(m_document.Get(), root.Get());
    return root;
}

CComPtr<IXMLDOMElement> CXmlDomWriter::AddElement(IXMLDOMElement* parent, const wchar_t* name)
{
    CComPtr<IXMLDOMElement> element;
    ThrowIfFailed(m_document->createElement(CBstr(name), element.Receive()));
    Append(parent, element.Get());
    return element;
}

void CXmlDomWriter::AddCData(IXMLDOMElement* parent, const wchar_t* name, const CString& original)
{
    const CString text = WithNewlineEnds(original);
    CComPtr<IXMLDOMElement> element = AddElement(parent, name);
    int from = 0;
    for (;;) {
        const int end = text.Find("]]>", from);
        const CString part = end < 0 ? text.Mid(from) : text.Mid(from, end + 2 - from);
        CComPtr<IXMLDOMCDATASection> section;
        ThrowIfFailed(m_document->createCDATASection(CBstr(part.GetString()), section.Receive()));
        Append(element.Get(), section.Get());
        if (end < 0)
            break;
        from = end + 2;
    }
}

void CXmlDomWriter::AddText(IXMLDOMElement* parent, const wchar_t* name, const CString& text)
{
    CComPtr<IXMLDOMElement> element = AddElement(parent, name);
    CComPtr<IXMLDOMText> node;
    ThrowIfFailed(m_document->createTextNode(CBstr(WithNewlineEnds(text).GetString()), node.Receive()));
    Append(element.Get(), node.Get());
}

std::string CXmlDomWriter::ToUtf8() const
{
    CBstr xml;
    ThrowIfFailed(m_document->get_xml(xml.Receive()));
    return xml.ToUtf8();
}
