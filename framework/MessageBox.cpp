#include "framework/MessageBox.h"

#include <mutex>
#include <string>

#include "framework/String.h"
#include "framework/WinApp.h"

namespace {

struct SBoxState {
    std::mutex lock;
    MessageBoxHook hook = nullptr;
    void* context = nullptr;
    bool captionSet = false;
    std::string caption;
};

SBoxState& State()
{
    static SBoxState state;
    return state;
}

// The application's name is set when its object is made, before any box can be shown.
std::string DefaultCaption()
{
    const CWinApp* app = AfxGetApp();
    if (app && !app->m_pszAppName.IsEmpty())
        return app->m_pszAppName.GetString();
    return "Tarnix";
}

} // namespace

void SetMessageBoxHook(MessageBoxHook hook, void* context)
{
    SBoxState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    state.hook = hook;
    state.context = context;
}

void SetMessageBoxCaption(const char* caption)
{
    SBoxState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    state.captionSet = caption != nullptr;
    state.caption = caption ? caption : "";
}

int AfxMessageBox(const char* text, UINT type)
{
    MessageBoxHook hook;
    void* context;
    bool captionSet;
    std::string caption;
    {
        SBoxState& state = State();
        std::lock_guard<std::mutex> guard(state.lock);
        hook = state.hook;
        context = state.context;
        captionSet = state.captionSet;
        caption = state.caption;
    }
    // The hook runs outside the lock: it may itself show or record another box.
    if (hook)
        return hook(text ? text : "", type, context);
    if (!captionSet)
        caption = DefaultCaption();
    return MessageBoxA(GetActiveWindow(), text ? text : "", caption.c_str(), type);
}

int AfxMessageBox(UINT stringId, UINT type)
{
    CString text;
    if (!text.LoadString(stringId))
        return 0;
    return AfxMessageBox(text.GetString(), type);
}
