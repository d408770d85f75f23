#include "framework/Variant.h"

#include "framework/ComError.h"

CVariant::CVariant(const wchar_t* text) : CVariant(CBstr(text)) {}

CVariant::CVariant(const char* ansi) : CVariant(CBstr(ansi)) {}

CVariant::CVariant(const CBstr& text)
{
    VariantInit(&m_value);
    CBstr copy(text);
    m_value.vt = VT_BSTR;
    m_value.bstrVal = copy.Detach();
}

CVariant::CVariant(long value)
{
    VariantInit(&m_value);
    m_value.vt = VT_I4;
    m_value.lVal = value;
}

CVariant::CVariant(bool value)
{
    VariantInit(&m_value);
    m_value.vt = VT_BOOL;
    m_value.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

CVariant::CVariant(IDispatch* object)
{
    VariantInit(&m_value);
    m_value.vt = VT_DISPATCH;
    m_value.pdispVal = object;
    if (object)
        object->AddRef();
}

CVariant::CVariant(const CVariant& other)
{
    VariantInit(&m_value);
    ThrowIfFailed(VariantCopy(&m_value, const_cast<VARIANT*>(&other.m_value)));
}

CVariant::CVariant(CVariant&& other) noexcept : m_value(other.m_value)
{
    VariantInit(&other.m_value);
}

CVariant& CVariant::operator=(CVariant other) noexcept
{
    VARIANT t = m_value;
    m_value = other.m_value;
    other.m_value = t;
    return *this;
}
