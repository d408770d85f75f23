#include "app/MainManager.h"

#include "app/TransferingFile.h"
#include "app/UINotify.h"
#include "infra/Lock.h"
#include "infra/Singleton.h"

namespace {

// The live manager; guarded by LiveLock() so that no push runs while it is being cleared.
CMainManager* g_live = nullptr;

sti::CMutex& LiveLock()
{
    static sti::CMutex lock;
    return lock;
}

void ReleaseSnapshot(const SFileEvent& event)
{
    if (event.snapshot)
        event.snapshot->Release();
}

} // namespace

CMainManager* CMainManager::Instance()
{
    return sti::CSingleton<CMainManager>::Instance();
}

CMainManager::CMainManager()
{
    sti::CScopedLock guard(LiveLock());
    if (!g_live)
        g_live = this;
}

CMainManager::~CMainManager()
{
    {
        sti::CScopedLock guard(LiveLock());
        if (g_live == this)
            g_live = nullptr;
    }
    SFileEvent event;
    while (m_fileQueue.Pop(event, 0))
        ReleaseSnapshot(event);
}

bool CMainManager::PushUIEvent(const SUIEvent& event)
{
    sti::CScopedLock guard(LiveLock());
    return g_live && g_live->m_uiQueue.Push(event);
}

bool CMainManager::PushFileEvent(const SFileEvent& event)
{
    {
        sti::CScopedLock guard(LiveLock());
        if (g_live && g_live->m_fileQueue.Push(event))
            return true;
    }
    ReleaseSnapshot(event);
    return false;
}

void CMainManager::NotifyUI()
{
    sti::CScopedLock guard(LiveLock());
    if (g_live)
        PostDrainRequest(g_live->m_mainWindow.load());
}
