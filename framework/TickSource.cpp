#include "framework/TickSource.h"

namespace {

TickSource g_source = nullptr;
void* g_context = nullptr;

} // namespace

DWORD AfxGetTickCount()
{
    return g_source ? g_source(g_context) : ::GetTickCount();
}

void AfxSetTickSource(TickSource source, void* context)
{
    g_source = source;
    g_context = context;
}
