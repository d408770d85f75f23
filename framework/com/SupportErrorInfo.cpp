#include "framework/com/SupportErrorInfo.h"

STDMETHODIMP CSupportErrorInfoImpl::InterfaceSupportsErrorInfo(REFIID iid)
{
    return IsEqualIID(iid, m_reporting) ? S_OK : S_FALSE;
}
