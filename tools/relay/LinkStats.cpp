#include "tools/relay/LinkStats.h"

namespace TarnixRelay {

SLinkStats& SLinkStats::operator+=(const SLinkStats& other)
{
    Received += other.Received;
    Forwarded += other.Forwarded;
    Lost += other.Lost;
    BurstLost += other.BurstLost;
    QueueDropped += other.QueueDropped;
    Duplicated += other.Duplicated;
    Corrupted += other.Corrupted;
    Reordered += other.Reordered;
    Bytes += other.Bytes;
    return *this;
}

std::string SLinkStats::Format() const
{
    return "in=" + std::to_string(Received) + " fwd=" + std::to_string(Forwarded) +
           " drop=" + std::to_string(Dropped()) + " (loss=" + std::to_string(Lost) +
           " burst=" + std::to_string(BurstLost) + " queue=" + std::to_string(QueueDropped) +
           ") dup=" + std::to_string(Duplicated) + " corrupt=" + std::to_string(Corrupted) +
           " reorder=" + std::to_string(Reordered) + " bytes=" + std::to_string(Bytes);
}

} // namespace TarnixRelay
