#pragma once
// IAddressEnumerator: takes one contact (e-mail address, display name) at a time; the answer
// says whether to go on.

#include "framework/String.h"

class IAddressEnumerator {
public:
    virtual bool OnAddress(const CString& email, const CString& name) = 0;

protected:
    ~IAddressEnumerator() = default;
};
