#pragma once
// A per-session log of what the sending and receiving halves do, for finding where a stream's
// time goes on a bad path. Off unless the environment variable TARNIX_ANT_TRACE names a file
// prefix (read once per process); each established session then writes
// PREFIX.<microseconds at open>.<session id>, one line per event:
//   time_us event a b cwnd in_flight queued marked base srtt_us smallest_rtt_us
// Off, an event costs one null test.

#include <cstdint>
#include <cstdio>

// Why a send turn stopped (the "stop" event's first value).
enum AntTraceStop : std::uint32_t {
    ANT_TRACE_STOP_CWND = 1,    // packets in flight fill the congestion window
    ANT_TRACE_STOP_FULL = 2,    // the queue holds the whole window from its base
    ANT_TRACE_STOP_PACE = 3,    // new data waits for its pace
    ANT_TRACE_STOP_NO_DATA = 4, // the user has nothing more yet
};

struct SAntTraceState {
    std::uint32_t Cwnd = 0;
    std::uint32_t InFlight = 0;
    std::uint32_t Queued = 0;
    std::uint32_t Marked = 0;
    std::uint32_t Base = 0;
    std::uint32_t Srtt = 0;
    std::uint32_t SmallestRtt = 0;
};

class CAntTrace {
public:
    CAntTrace() = default;
    ~CAntTrace();
    CAntTrace(const CAntTrace&) = delete;
    CAntTrace& operator=(const CAntTrace&) = delete;

    // Opens the session's file when tracing is on; a file that cannot be opened leaves it off.
    void Open(std::uint16_t sessionId);
    bool IsOn() const { return m_file != nullptr; }
    void Write(const char* event, std::uint32_t a, std::uint32_t b, const SAntTraceState& state);

private:
    std::FILE* m_file = nullptr;
};
