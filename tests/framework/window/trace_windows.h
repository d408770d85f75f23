#pragma once
// Windows and dialogs that write what reaches them into one shared trace, for the routing tests.

#include <string>
#include <vector>

#include "framework/Dialog.h"

using Trace = std::vector<std::string>;

// Pre-translation of WM_APP messages is traced as the name; their dispatch as "name got".
template <typename Base>
class CTraced : public Base {
public:
    template <typename... Args>
    CTraced(const char* name, Trace* trace, Args&&... args)
        : Base(std::forward<Args>(args)...), m_name(name), m_trace(trace)
    {}
    UINT consume = 0; // a WM_APP message this object's PreTranslateMessage takes

    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message >= WM_APP && msg->message < WM_APP + 100) {
            m_trace->push_back(m_name);
            if (msg->message == consume)
                return TRUE;
        }
        return Base::PreTranslateMessage(msg);
    }

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (msg >= WM_APP && msg < WM_APP + 100)
            m_trace->push_back(m_name + " got");
        return Base::OnWndMsg(msg, wParam, lParam, result);
    }

    std::string m_name;
    Trace* m_trace;
};

using CTracedWnd = CTraced<CWnd>;
using CTracedDialog = CTraced<CDialog>;
