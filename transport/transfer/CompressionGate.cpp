#include "transport/transfer/CompressionGate.h"

bool CCompressionGate::ShouldTry()
{
    if (!m_enabled || m_skip == 0) {
        return true;
    }
    --m_skip;
    return false;
}

void CCompressionGate::Report(bool shrank)
{
    m_skip = shrank ? 0 : RETRY_EVERY - 1;
}
