#pragma once
// CVariant: owns one VARIANT (VariantInit / VariantClear). Copies are deep (VariantCopy); a
// copy that fails throws CComError.

#include <windows.h>
#include <oleauto.h>

#include "framework/Bstr.h"

class CVariant {
public:
    CVariant() { VariantInit(&m_value); }
    explicit CVariant(const wchar_t* text); // VT_BSTR
    explicit CVariant(const char* ansi);    // VT_BSTR
    explicit CVariant(const CBstr& text);   // VT_BSTR (a copy)
    explicit CVariant(long value);          // VT_I4
    explicit CVariant(int value) : CVariant(static_cast<long>(value)) {}
    explicit CVariant(bool value); // VT_BOOL
    // VT_DISPATCH holding a reference of its own (a null object stays a null VT_DISPATCH).
    explicit CVariant(IDispatch* object);
    CVariant(const CVariant& other);
    CVariant(CVariant&& other) noexcept;
    CVariant& operator=(CVariant other) noexcept;
    ~CVariant() { VariantClear(&m_value); }

    const VARIANT& Get() const { return m_value; }
    operator const VARIANT&() const { return m_value; }
    VARTYPE Type() const { return m_value.vt; }
    // For out parameters: clears the current value and lends the slot.
    VARIANT* Receive()
    {
        VariantClear(&m_value);
        return &m_value;
    }
    void Clear() { VariantClear(&m_value); }

private:
    VARIANT m_value;
};
