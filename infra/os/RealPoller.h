#pragma once
// Process singleton that owns the process poller; created by sti::Initialize.

#include "infra/Longevity.h"
#include "infra/os/PollSelect.h"

#include <memory>

namespace STI_OS {
namespace internal {

class _RealPoller {
public:
    static constexpr std::uint32_t LONGEVITY = sti::longevity::POLLER;

    _RealPoller() : m_poll(new _PollSelect) {}

    _RealPoller(const _RealPoller&) = delete;
    _RealPoller& operator=(const _RealPoller&) = delete;

    _Poll& Get() { return *m_poll; }

private:
    std::unique_ptr<_Poll> m_poll;
};

} // namespace internal
} // namespace STI_OS
