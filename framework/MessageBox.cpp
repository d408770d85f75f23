#include "framework/MessageBox.h"

#include <mutex>
#include <string>

#include "framework/String.h"

namespace {

struct SBoxState {
    std::mutex lock;
    MessageBoxHook hook = nullptr;
    void* context = nullptr;
    std::string caption = "Tarnix";
};

SBoxState& State()
{
    static SBoxState state;
    return state;
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
    state.caption = caption ? caption : "";
}

int AfxMessageBox(const char* text, UINT type)
{
    MessageBoxHook hook;
    void* context;
    std::string caption;
    {
        SBoxState& state = State();
        std::lock_guard<std::mutex> guard(state.lock);
        hook = state.hook;
        context = state.context;
        caption = state.caption;
    }
    // The hook runs outside the lock: it may itself show or record another box.
    if (hook)
        return hook(text ? text : "", type, context);
    return MessageBoxA(GetActiveWindow(), text ? text : "", caption.c_str(), type);
}

int AfxMessageBox(UINT stringId, UINT type)
{
    CString text;
    if (!text.LoadString(stringId))
        return 0;
    return AfxMessageBox(text.GetString(), type);
}
