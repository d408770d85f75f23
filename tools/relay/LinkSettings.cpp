#include "tools/relay/LinkSettings.h"

#include <algorithm>

namespace TarnixRelay {

std::uint32_t SLinkSettings::EffectiveBurst() const
{
    if (RateBurst != 0)
        return RateBurst;
    return static_cast<std::uint32_t>(std::max<std::uint64_t>(1500, Rate / 100));
}

} // namespace TarnixRelay
