#pragma once
// SUIEvent: what the worker threads tell the user-interface thread through its event queue.
// Each kind fills only its own fields; the rest stay zero.

#include <cstdint>

enum UIEventKind : std::int32_t {
    UI_EVENT_PROGRESS = 0, // first: record id, second: file status, a: transferred, b: file size, remaining: seconds
    UI_EVENT_STATE = 1,    // first: service state (-1 unchanged), a/b: upload/download rate (-1.0 unchanged)
    UI_EVENT_NOTIFICATION =
        2, // first: record id (0: none), second: 1 a transfer finished, a: value (1 a newer version)
    UI_EVENT_VERSION_NOTICE = 3, // nothing more
};

struct SUIEvent {
    union Value {
        std::int64_t count; // bytes, or the notification value
        double rate;        // bytes per second
    };

    std::int32_t kind = UI_EVENT_PROGRESS;
    std::int32_t first = 0;
    std::int32_t second = 0;
    Value a = {0};
    Value b = {0};
    std::int32_t remaining = 0;

    static SUIEvent Progress(std::int32_t recordId, std::int32_t fileStatus, std::int64_t transferred,
                             std::int64_t fileSize, std::int32_t remainingSeconds);
    static SUIEvent State(std::int32_t serviceState, double uploadRate, double downloadRate);
    static SUIEvent Notification(std::int32_t recordId, bool finished, std::int32_t value);
    static SUIEvent VersionNotice();
};

constexpr std::int32_t UI_STATE_UNCHANGED = -1;
constexpr double UI_RATE_UNCHANGED = -1.0;

inline SUIEvent SUIEvent::Progress(std::int32_t recordId, std::int32_t fileStatus, std::int64_t transferred,
                                   std::int64_t fileSize, std::int32_t remainingSeconds)
{
    SUIEvent e;
    e.kind = UI_EVENT_PROGRESS;
    e.first = recordId;
    e.second = fileStatus;
    e.a.count = transferred;
    e.b.count = fileSize;
    e.remaining = remainingSeconds;
    return e;
}

inline SUIEvent SUIEvent::State(std::int32_t serviceState, double uploadRate, double downloadRate)
{
    SUIEvent e;
    e.kind = UI_EVENT_STATE;
    e.first = serviceState;
    e.a.rate = uploadRate;
    e.b.rate = downloadRate;
    return e;
}

inline SUIEvent SUIEvent::Notification(std::int32_t recordId, bool finished, std::int32_t value)
{
    SUIEvent e;
    e.kind = UI_EVENT_NOTIFICATION;
    e.first = recordId;
    e.second = finished ? 1 : 0;
    e.a.count = value;
    return e;
}

inline SUIEvent SUIEvent::VersionNotice()
{
    SUIEvent e;
    e.kind = UI_EVENT_VERSION_NOTICE;
    return e;
}
