#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>

#include "framework/Bstr.h"
#include "framework/ComError.h"
#include "framework/ComInitializer.h"
#include "framework/ComPtr.h"
#include "framework/Msxml.h"
#include "framework/Variant.h"

TEST(ComInitializer, BalancesEveryInitialisationOfTheThread)
{
    {
        CComInitializer outer;
        EXPECT_EQ(S_OK, outer.Result());
        CComInitializer inner;
        EXPECT_EQ(S_FALSE, inner.Result());
        EXPECT_TRUE(inner.Succeeded());
    }
    // Both were undone: the thread starts afresh.
    CComInitializer again;
    EXPECT_EQ(S_OK, again.Result());
}

TEST(ComError, FailedResultsThrowAndOthersPassThrough)
{
    EXPECT_EQ(S_OK, ThrowIfFailed(S_OK));
    EXPECT_EQ(S_FALSE, ThrowIfFailed(S_FALSE));
    try {
        ThrowIfFailed(E_OUTOFMEMORY);
        FAIL() << "a failure code must throw";
    } catch (const CComError& e) {
        EXPECT_EQ(E_OUTOFMEMORY, e.Error());
        EXPECT_NE(nullptr, std::strstr(e.what(), "8007000e"));
    }
}

TEST(Bstr, ConvertsBetweenAnsiUtf8AndWideText)
{
    const CBstr ansi("plain text");
    EXPECT_EQ(10u, ansi.Length());
    EXPECT_EQ(0, std::wcscmp(L"plain text", ansi.Get()));
    EXPECT_EQ("plain text", ansi.ToAnsi());

    const char utf8[] = "Gr\xC3\xBC\xC3\x9F\x65 \xE2\x82\xAC"; // "Grüße €"
    const CBstr wide = CBstr::FromUtf8(utf8);
    ASSERT_EQ(7u, wide.Length());
    EXPECT_EQ(0x00FC, wide.Get()[2]);
    EXPECT_EQ(0x20AC, wide.Get()[6]);
    EXPECT_EQ(std::string(utf8), wide.ToUtf8());

    CBstr copy(wide);
    EXPECT_NE(copy.Get(), wide.Get());
    EXPECT_EQ(0, std::wcscmp(copy.Get(), wide.Get()));
    *copy.Receive() = SysAllocString(L"new"); // the old text is freed, not leaked
    EXPECT_EQ("new", copy.ToAnsi());
    EXPECT_EQ(nullptr, CBstr().Get());
    EXPECT_EQ("", CBstr().ToUtf8());
}

TEST(Variant, CopiesOwnTheirText)
{
    CVariant text("value");
    ASSERT_EQ(VT_BSTR, text.Type());
    CVariant copy(text);
    ASSERT_EQ(VT_BSTR, copy.Type());
    EXPECT_NE(text.Get().bstrVal, copy.Get().bstrVal);
    EXPECT_EQ(0, std::wcscmp(L"value", copy.Get().bstrVal));
    text = CVariant(42L);
    EXPECT_EQ(VT_I4, text.Type());
    EXPECT_EQ(0, std::wcscmp(L"value", copy.Get().bstrVal));
    EXPECT_EQ(VARIANT_TRUE, CVariant(true).Get().boolVal);
    EXPECT_EQ(VT_I4, CVariant(NODE_ELEMENT).Type()); // an enum is a number, not a flag
}

TEST(Msxml, DocumentClassesCreateAndSerialise)
{
    CComInitializer com;
    ASSERT_TRUE(com.Succeeded());
    for (const CLSID* clsid : {&CLSID_DOMDocument, &CLSID_DOMDocument30}) {
        CComPtr<IXMLDOMDocument> document;
        ASSERT_EQ(S_OK,
                  CoCreateInstance(*clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument, document.ReceiveVoid()));
        VARIANT_BOOL loaded = VARIANT_FALSE;
        ASSERT_EQ(S_OK, document->loadXML(CBstr(L"<FLEmail><Size>5</Size></FLEmail>"), &loaded));
        EXPECT_EQ(VARIANT_TRUE, loaded);
        CBstr xml;
        ASSERT_EQ(S_OK, document->get_xml(xml.Receive()));
        EXPECT_NE(std::string::npos, xml.ToUtf8().find("<Size>5</Size>"));

        CComPtr<IXMLDOMDocument2> second;
        EXPECT_EQ(S_OK, document.QueryInterface(IID_IXMLDOMDocument2, second));
        EXPECT_TRUE(static_cast<bool>(second));
    }
}
