#pragma once

#include "tools/relay/Socket.h"

#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace TarnixRelay {

// A single-threaded poll loop with one-shot timers. Timers due at the same time run in the order
// they were set, which keeps delayed datagrams of equal delay in their arrival order.
// It does not own the watched descriptors.
class CEventLoop {
public:
    using Handler = std::function<void(short revents)>;
    using Task = std::function<void()>;

    CEventLoop();
    CEventLoop(const CEventLoop&) = delete;
    CEventLoop& operator=(const CEventLoop&) = delete;

    bool Valid() const { return m_wakeRead.Valid(); }

    // Microseconds of a monotonic clock.
    static std::int64_t Now();

    // With events 0 the descriptor is not polled at all, hang-ups and errors included.
    void Watch(int fd, short events, Handler handler);
    void SetEvents(int fd, short events);
    void Unwatch(int fd);

    void At(std::int64_t when, Task task);
    std::size_t PendingTimers() const { return m_timers.size(); }

    // Runs until Stop. Notices (below) are handed to the notice handler in the loop's thread.
    void Run();
    void SetNoticeHandler(std::function<void(char)> handler) { m_onNotice = std::move(handler); }

    // Safe from any thread and from a signal handler. Notice 'Q' stops the loop.
    void Notify(char notice);
    void Stop() { Notify('Q'); }

private:
    struct SWatch {
        short Events;
        std::uint64_t Generation;
        Handler Handle;
    };
    void RunDueTimers();
    void DrainNotices();

    CFd m_wakeRead;
    CFd m_wakeWrite;
    std::map<int, SWatch> m_watches;
    std::uint64_t m_generation = 0;
    // Keyed by (due time, order set): the first entry is the next to run.
    std::map<std::pair<std::int64_t, std::uint64_t>, Task> m_timers;
    std::uint64_t m_timerOrder = 0;
    std::function<void(char)> m_onNotice;
    bool m_running = false;
};

} // namespace TarnixRelay
