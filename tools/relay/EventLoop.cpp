#include "tools/relay/EventLoop.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace TarnixRelay {

CEventLoop::CEventLoop()
{
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
        m_wakeRead = CFd(fds[0]);
        m_wakeWrite = CFd(fds[1]);
    }
}

std::int64_t CEventLoop::Now()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void CEventLoop::Watch(int fd, short events, Handler handler)
{
    m_watches[fd] = SWatch{events, ++m_generation, std::move(handler)};
}

void CEventLoop::SetEvents(int fd, short events)
{
    auto it = m_watches.find(fd);
    if (it != m_watches.end())
        it->second.Events = events;
}

void CEventLoop::Unwatch(int fd)
{
    m_watches.erase(fd);
}

void CEventLoop::At(std::int64_t when, Task task)
{
    m_timers.emplace(std::make_pair(when, ++m_timerOrder), std::move(task));
}

void CEventLoop::Notify(char notice)
{
    // A full pipe already holds a wake-up; nothing is lost but a repeated notice.
    const ssize_t ignored = ::write(m_wakeWrite.Get(), &notice, 1);
    (void)ignored;
}

void CEventLoop::DrainNotices()
{
    char notices[64];
    ssize_t n;
    while ((n = ::read(m_wakeRead.Get(), notices, sizeof(notices))) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            if (notices[i] == 'Q')
                m_running = false;
            else if (m_onNotice)
                m_onNotice(notices[i]);
        }
    }
}

void CEventLoop::RunDueTimers()
{
    const std::int64_t now = Now();
    // Only what is due now: timers set by these tasks wait for the next turn.
    while (!m_timers.empty() && m_timers.begin()->first.first <= now && m_running) {
        Task task = std::move(m_timers.begin()->second);
        m_timers.erase(m_timers.begin());
        task();
    }
}

void CEventLoop::Run()
{
    m_running = true;
    std::vector<pollfd> polled;
    std::vector<std::uint64_t> generations;
    while (m_running) {
        polled.clear();
        generations.clear();
        polled.push_back({m_wakeRead.Get(), POLLIN, 0});
        generations.push_back(0);
        for (const auto& entry : m_watches) {
            // A watch that waits for nothing is left out, not polled for hang-ups over and over.
            polled.push_back({entry.second.Events != 0 ? entry.first : -1, entry.second.Events, 0});
            generations.push_back(entry.second.Generation);
        }
        timespec timeout{1, 0};
        if (!m_timers.empty()) {
            const std::int64_t wait = std::clamp<std::int64_t>(m_timers.begin()->first.first - Now(), 0, 1000000);
            timeout.tv_sec = static_cast<time_t>(wait / 1000000);
            timeout.tv_nsec = static_cast<long>(wait % 1000000) * 1000;
        }
        const int ready = ::ppoll(polled.data(), polled.size(), &timeout, nullptr);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0) {
            if (polled[0].revents != 0)
                DrainNotices();
            for (std::size_t i = 1; i < polled.size() && m_running; ++i) {
                if (polled[i].revents == 0 || polled[i].fd < 0)
                    continue;
                // A handler may have dropped this watch, or a new one may have taken its number.
                auto it = m_watches.find(polled[i].fd);
                if (it == m_watches.end() || it->second.Generation != generations[i])
                    continue;
                Handler handler = it->second.Handle;
                handler(polled[i].revents);
            }
        }
        RunDueTimers();
    }
}

} // namespace TarnixRelay
