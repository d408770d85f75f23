// The control's dispatch interface as a script engine calls it, its safety and error-info
// answers, and its class factory.

#include <gtest/gtest.h>

#include <objsafe.h>
#include <ocidl.h>

#include "LoadedControl.h"
#include "framework/Bstr.h"
#include "framework/ComInitializer.h"
#include "framework/com/ComObject.h"

namespace {

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_library.IsLoaded()) << CLoadedControl::Path();
        ASSERT_EQ(S_OK, m_library.Create(m_control));
    }

    CComInitializer m_com;
    CLoadedControl m_library;
    CComPtr<ITNControl> m_control;
};

// A script object that cannot be turned into text: it has no value.
class CObjectWithoutValue : public IDispatch, public CComObjectRoot {
public:
    static const CInterfaceEntry<CObjectWithoutValue>* InterfaceTable()
    {
        static const CInterfaceEntry<CObjectWithoutValue> table[] = {
            {&IID_IDispatch, InterfaceOf<CObjectWithoutValue, IDispatch>}, {nullptr, nullptr}};
        return table;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return DISP_E_MEMBERNOTFOUND;
    }
};

HRESULT Call(ITNControl* control, DISPID id, VARIANT* arguments, UINT count, VARIANT* result, UINT* argumentError)
{
    DISPPARAMS parameters = {arguments, nullptr, count, 0};
    return control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, result, nullptr,
                           argumentError);
}

} // namespace

TEST_F(ControlTest, NamesAreFoundInAnyCaseAndOthersAreUnknown)
{
    const wchar_t* names[] = {L"downloadfilelink", L"LINK"};
    DISPID ids[2] = {};
    EXPECT_EQ(S_OK, m_control->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR*>(names), 2, LOCALE_USER_DEFAULT, ids));
    EXPECT_EQ(1, ids[0]);
    EXPECT_EQ(0, ids[1]);

    const wchar_t* unknown[] = {L"DownloadFileLinks", L"link"};
    EXPECT_EQ(DISP_E_UNKNOWNNAME,
              m_control->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR*>(unknown), 2, LOCALE_USER_DEFAULT, ids));
    EXPECT_EQ(DISPID_UNKNOWN, ids[0]);
    EXPECT_EQ(0, ids[1]);

    // The type information is the interface's, from the library's own type library.
    UINT count = 0;
    EXPECT_EQ(S_OK, m_control->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    CComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, m_control->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Receive()));
    CBstr name;
    ASSERT_EQ(S_OK, info->GetDocumentation(MEMBERID_NIL, name.Receive(), nullptr, nullptr, nullptr));
    EXPECT_EQ("ITNControl", name.ToAnsi());
    EXPECT_EQ(DISP_E_BADINDEX, m_control->GetTypeInfo(1, LOCALE_USER_DEFAULT, info.Receive()));
}

TEST_F(ControlTest, InvokeChecksItsArgumentsInOrder)
{
    const UINT untouched = 77;
    UINT argumentError = untouched;
    VARIANT result;
    VARIANT arguments[2];
    for (VARIANT& a : arguments)
        VariantInit(&a);

    EXPECT_EQ(DISP_E_BADVARTYPE,
              m_control->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, &argumentError));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(m_control.Get(), 1, arguments, 2, nullptr, &argumentError));

    // The result is emptied before the member is looked up; the parameter's id is no member.
    V_VT(&result) = VT_I4;
    V_I4(&result) = 42;
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call(m_control.Get(), 0, arguments, 1, &result, &argumentError));
    EXPECT_EQ(VT_EMPTY, V_VT(&result));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(m_control.Get(), 1, nullptr, 0, nullptr, &argumentError));

    // A number becomes the text "42", which is handed on and refused as no link (not as a type).
    V_VT(&arguments[0]) = VT_I4;
    V_I4(&arguments[0]) = 42;
    EXPECT_EQ(E_FAIL, Call(m_control.Get(), 1, arguments, 1, &result, &argumentError));
    EXPECT_EQ(untouched, argumentError);

    CComPtr<IDispatch> object;
    ASSERT_EQ(S_OK, CComObject<CObjectWithoutValue>::CreateInstance(IID_IDispatch, object.ReceiveVoid()));
    V_VT(&arguments[0]) = VT_DISPATCH;
    V_DISPATCH(&arguments[0]) = object.Get();
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(m_control.Get(), 1, arguments, 1, &result, &argumentError));
    EXPECT_EQ(0u, argumentError);
}

TEST_F(ControlTest, SafetyOptionsAreKeptForEveryInterfaceTheControlAnswers)
{
    CComPtr<IObjectSafety> safety;
    ASSERT_EQ(S_OK, m_control.QueryInterface(IID_IObjectSafety, safety));
    const DWORD both = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
    DWORD supported = 99;
    DWORD enabled = 99;
    EXPECT_EQ(E_POINTER, safety->GetInterfaceSafetyOptions(IID_IDispatch, nullptr, &enabled));
    ASSERT_EQ(S_OK, safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled));
    EXPECT_EQ(both, supported);
    EXPECT_EQ(0u, enabled);

    EXPECT_EQ(S_OK, safety->SetInterfaceSafetyOptions(IID_IDispatch, both, INTERFACESAFE_FOR_UNTRUSTED_CALLER));
    EXPECT_EQ(S_OK, safety->SetInterfaceSafetyOptions(IID_IPersistPropertyBag, INTERFACESAFE_FOR_UNTRUSTED_DATA,
                                                      INTERFACESAFE_FOR_UNTRUSTED_DATA));
    ASSERT_EQ(S_OK, safety->GetInterfaceSafetyOptions(IID_IViewObject2, &supported, &enabled));
    EXPECT_EQ(both, enabled);
    EXPECT_EQ(S_OK, safety->SetInterfaceSafetyOptions(IID_ITNControl, INTERFACESAFE_FOR_UNTRUSTED_CALLER, 0));

    // Bits it does not know, and interfaces it does not answer, change nothing.
    EXPECT_EQ(E_FAIL, safety->SetInterfaceSafetyOptions(IID_IDispatch, both | INTERFACE_USES_DISPEX, both));
    EXPECT_EQ(E_NOINTERFACE, safety->SetInterfaceSafetyOptions(IID_IConnectionPointContainer, both, both));
    EXPECT_EQ(E_NOINTERFACE, safety->GetInterfaceSafetyOptions(IID_IConnectionPointContainer, &supported, &enabled));
    EXPECT_EQ(0u, supported);
    EXPECT_EQ(0u, enabled);
    ASSERT_EQ(S_OK, safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled));
    EXPECT_EQ(static_cast<DWORD>(INTERFACESAFE_FOR_UNTRUSTED_DATA), enabled);

    CComPtr<ISupportErrorInfo> errors;
    ASSERT_EQ(S_OK, m_control.QueryInterface(IID_ISupportErrorInfo, errors));
    EXPECT_EQ(S_OK, errors->InterfaceSupportsErrorInfo(IID_ITNControl));
    EXPECT_EQ(S_FALSE, errors->InterfaceSupportsErrorInfo(IID_IDispatch));

    CComPtr<IProvideClassInfo2> classInfo;
    ASSERT_EQ(S_OK, m_control.QueryInterface(IID_IProvideClassInfo2, classInfo));
    CComPtr<ITypeInfo> coclass;
    ASSERT_EQ(S_OK, classInfo->GetClassInfo(coclass.Receive()));
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(S_OK, coclass->GetTypeAttr(&attributes));
    EXPECT_TRUE(IsEqualGUID(CLSID_TNControl, attributes->guid));
    EXPECT_EQ(TKIND_COCLASS, attributes->typekind);
    coclass->ReleaseTypeAttr(attributes);
}

TEST_F(ControlTest, TheLibraryStaysLoadedWhileAnythingOfItIsHeld)
{
    CComPtr<IUnknown> fromDispatch;
    CComPtr<IUnknown> fromView;
    CComPtr<IViewObject2> view;
    ASSERT_EQ(S_OK, m_control.QueryInterface(IID_IUnknown, fromDispatch));
    ASSERT_EQ(S_OK, m_control.QueryInterface(IID_IViewObject2, view));
    ASSERT_EQ(S_OK, view.QueryInterface(IID_IUnknown, fromView));
    EXPECT_EQ(fromDispatch.Get(), fromView.Get());
    CComPtr<IConnectionPointContainer> none;
    EXPECT_EQ(E_NOINTERFACE, m_control.QueryInterface(IID_IConnectionPointContainer, none));

    CComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, m_library.GetClassObject(CLSID_TNControl, IID_IClassFactory, factory.ReceiveVoid()));
    CComPtr<IUnknown> aggregated;
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              factory->CreateInstance(fromDispatch.Get(), IID_IUnknown, aggregated.ReceiveVoid()));
    EXPECT_EQ(nullptr, aggregated.Get());
    CComPtr<IClassFactory> other;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              m_library.GetClassObject(IID_ITNControl, IID_IClassFactory, other.ReceiveVoid()));

    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    m_control.Reset();
    fromDispatch.Reset();
    fromView.Reset();
    view.Reset();
    factory.Reset();
    EXPECT_EQ(S_FALSE, m_library.CanUnloadNow()) << "a server lock is held";
    ASSERT_EQ(S_OK, m_library.GetClassObject(CLSID_TNControl, IID_IClassFactory, factory.ReceiveVoid()));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_FALSE, m_library.CanUnloadNow()) << "the class object is held";
    factory.Reset();
    EXPECT_EQ(S_OK, m_library.CanUnloadNow());
}
