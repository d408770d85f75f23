#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace TarnixServer {

// One side of a session as its connect request showed it: the address and UDP port the server
// saw, the client ids it named, and the local address it advertised.
struct SRendezvousSide {
    std::uint32_t Address = 0;
    std::uint16_t Port = 0;
    std::uint32_t OwnId = 0;
    std::uint32_t PeerId = 0;
    std::uint16_t LocalPort = 0;
    std::vector<std::uint32_t> LocalAddresses; // at most MAX_LOCAL_ADDRESSES are kept
    std::uint16_t Counter = 0;                 // of its latest request; its answer echoes it
};

// An answer to send: tell the side To (at its address and port) about the side About.
struct SRendezvousAnswer {
    SRendezvousSide To;
    SRendezvousSide About;
};

// Pairs connect requests by their connection key. Pure bookkeeping: the caller reads the
// datagrams, passes the time in, and sends the answers it is given.
//
// - The first request of a key waits, unanswered.
// - A request of the same key that names the waiting side's ids the other way round (its own id
//   is the waiting side's peer id and the reverse) pairs with it: both sides get an answer about
//   the other, the waiting one at the address its request came from.
// - A side is known by its two ids. A repeat of a side (clients repeat every 5000 ms while no
//   answer reaches them) updates its address and local address, the latest winning; once the
//   key is paired each repeat is answered again.
// - Any other request of a key (a third party, or ids that do not fit) is refused, unanswered.
// - A key is forgotten LIFETIME_MS after its last request: clients give up a handshake after
//   60000 ms, so nothing older is still waited for.
// - At most MAX_KEYS keys are kept; requests for new keys are refused while the table is full.
// - One source address holds at most MAX_KEYS_PER_SOURCE of them (the keys whose first request
//   came from it), so no single sender can fill the table and lock the others out.
//
// Every answer goes to the source of a request of that key, and no request gets more than one,
// so the service cannot be used to flood a third party.
class CRendezvousTable {
public:
    static constexpr std::uint64_t LIFETIME_MS = 60000;
    static constexpr std::size_t MAX_KEYS = 4096;
    static constexpr std::size_t MAX_LOCAL_ADDRESSES = 4;
    // A sixteenth of the table: a few users behind one NAT still have room for many sessions.
    static constexpr std::size_t MAX_KEYS_PER_SOURCE = MAX_KEYS / 16;

    enum Outcome {
        WAITING,              // kept, nothing to answer yet
        PAIRED,               // the second side arrived: two answers
        REPEATED,             // a paired side asked again: one answer
        REFUSED_TAKEN,        // the key belongs to other clients
        REFUSED_FULL,         // no room for another key
        REFUSED_SOURCE,       // the source address holds its share of keys; first refusal of a burst
        REFUSED_SOURCE_AGAIN, // later refusals, until the source holds fewer keys again
    };

    Outcome OnRequest(std::uint64_t key, const SRendezvousSide& side, std::uint64_t now,
                      std::vector<SRendezvousAnswer>& answers);

    // Forgets the keys whose time is up.
    void Expire(std::uint64_t now);

    std::size_t Count() const { return m_entries.size(); }
    std::size_t SourceCount() const { return m_sources.size(); }

private:
    struct SEntry {
        SRendezvousSide Sides[2];
        std::size_t SideCount = 0;
        std::uint64_t LastRequest = 0;
        std::uint32_t Source = 0; // address of the key's first request
    };
    struct SSource {
        std::size_t Keys = 0;
        bool Refusing = false; // its refusal has been reported
    };

    static bool Expired(const SEntry& entry, std::uint64_t now);
    static void AddAnswer(const SRendezvousSide& to, const SRendezvousSide& about,
                          std::vector<SRendezvousAnswer>& answers);

    // Every erase goes through here, so the sources' counts stay true.
    std::map<std::uint64_t, SEntry>::iterator Erase(std::map<std::uint64_t, SEntry>::iterator entry);

    std::map<std::uint64_t, SEntry> m_entries;
    std::map<std::uint32_t, SSource> m_sources; // by address, while it holds keys
};

} // namespace TarnixServer
