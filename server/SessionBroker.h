#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>

namespace TarnixServer {

// Pairs connect requests (command 4) with their answers (command 5) so that an accepted request
// gets its session set-up (command 28) once.
//
// A downloading client repeats its request for one session handle up to ten times, and the
// other side answers each one; all of them, and their answers, belong to one request until
// REPEAT_WINDOW_MS after its set-up. A request for the same handle after that is a new request:
// clients reuse session handles once a session has ended.
//
// What one client can make the server remember is bounded: a request is forgotten HANDSHAKE_MS
// after its latest copy, set up or not (a late answer is then dropped), each requester
// keeps at most MAX_REQUESTS_PER_REQUESTER (the longest silent give way), and with MAX_REQUESTS
// kept in all, the requester holding the most gives way, so a client asking now and then still
// gets in. A repeat counts as a fresh copy: its answer may take as long as the first one's.
class CSessionBroker {
public:
    static constexpr std::uint64_t REPEAT_WINDOW_MS = 5000;
    // A downloader sends its request at once, after 10 s, then every 3 s (ten copies in 34 s)
    // and gives up 3 s after the last; the uploader answers each copy at once. Counted from the
    // latest copy, a slow answer has ample time, and a request nobody repeats goes in 40 s.
    static constexpr std::uint64_t HANDSHAKE_MS = 40000;
    // Requests remembered per requester; the longest silent give way.
    static constexpr std::size_t MAX_REQUESTS_PER_REQUESTER = 64;
    // Requests remembered in all: 128 requesters at their own limit.
    static constexpr std::size_t MAX_REQUESTS = 8192;

    enum Outcome {
        ANSWER_UNKNOWN,      // no request of the requester to this answerer: drop the answer
        ANSWER_RELAY,        // pass the answer on
        ANSWER_RELAY_SET_UP, // pass it on and set the session up on both sides
    };

    // A request from requester to answerer for the session handle was relayed.
    void OnRequest(std::uint32_t requester, std::uint32_t answerer, std::uint32_t session, std::uint64_t now);
    Outcome OnAnswer(std::uint32_t answerer, std::uint32_t requester, std::uint32_t session, bool accepted,
                     std::uint64_t now);

    // The connection with this address has ended: its requests go.
    void Forget(std::uint32_t requester);
    // Forgets the requests whose time is up.
    void Expire(std::uint64_t now);

    std::size_t Count() const { return m_requests.size(); }

private:
    struct SRequest {
        std::uint32_t Answerer = 0;
        std::uint64_t LastAt = 0; // its latest copy; the request is forgotten HANDSHAKE_MS later
        bool SetUp = false;
        std::uint64_t SetUpAt = 0;
        std::uint64_t Order = 0; // of its latest copy, for giving way, oldest first
    };
    using Key = std::pair<std::uint32_t, std::uint32_t>; // requester, session handle
    using Requests = std::map<Key, SRequest>;

    static bool Expired(const SRequest& request, std::uint64_t now);
    void MakeRoom(std::uint32_t requester);
    // Drops the requester's request whose latest copy is the oldest.
    void GiveWay(std::uint32_t requester);
    // Every erase goes through here, so the counts stay true.
    Requests::iterator Erase(Requests::iterator request);

    Requests m_requests;
    std::map<std::uint32_t, std::size_t> m_counts; // requests per requester, while it has any
    std::uint64_t m_order = 0;
};

} // namespace TarnixServer
