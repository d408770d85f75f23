#pragma once

#include <cstddef>
#include <cstdint>
#include <map>

namespace TarnixServer {

// Limits what one client has relayed to another (connect requests and their answers), so that a
// client flooding another pays with its own dropped messages instead of getting its target
// closed as a slow reader. Pure bookkeeping: the caller passes the time in.
//
// Per pair (sender, addressee) a bucket of BURST messages that refills at PER_SECOND. A sender
// keeps buckets towards at most MAX_ADDRESSEES_PER_SENDER clients at a time; messages to
// further ones are dropped until one of its buckets has refilled. A bucket that is full again
// is forgotten, so the table holds only the pairs active in the last few seconds.
//
// A client asks at most ten times per session (at once, after 10 s, then every 3 s), so even a
// download of many files at once stays well inside a bucket.
class CRelayLimiter {
public:
    static constexpr std::uint32_t BURST = 32;
    static constexpr std::uint32_t PER_SECOND = 8;
    static constexpr std::size_t MAX_ADDRESSEES_PER_SENDER = 32;

    enum Verdict {
        PASS,
        DROP_FIRST, // the first drop of a burst: worth one log line
        DROP,       // a later drop of the same burst
    };

    Verdict OnMessage(std::uint32_t sender, std::uint32_t addressee, std::uint64_t now);

    // The sender's connection has ended.
    void Forget(std::uint32_t sender);
    // Forgets the buckets that are full again.
    void Expire(std::uint64_t now);

    std::size_t Count() const;

private:
    struct SBucket {
        std::uint64_t MilliTokens = 0;
        std::uint64_t At = 0;  // of the last refill
        bool Dropping = false; // the burst has been logged
    };
    struct SSender {
        std::map<std::uint32_t, SBucket> Buckets; // by addressee
        bool Dropping = false;                    // over its addressee limit, logged
    };

    // Refills up to the time; true when the bucket is full again.
    static bool Refill(SBucket& bucket, std::uint64_t now);
    static void ExpireBuckets(SSender& sender, std::uint64_t now);

    std::map<std::uint32_t, SSender> m_senders;
};

} // namespace TarnixServer
