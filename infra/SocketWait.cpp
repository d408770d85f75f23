#include "infra/SocketWait.h"

#include "infra/os/Poller.h"

namespace sti {

namespace {

class CScopedPollHandle {
public:
    CScopedPollHandle() { m_status = STI_OS::PollInit(m_handle); }
    ~CScopedPollHandle()
    {
        if (m_status == ST_SUCCESS) {
            // The handle is given up either way; a failed release leaves nothing to undo.
            (void)STI_OS::PollRelease(m_handle);
        }
    }

    CScopedPollHandle(const CScopedPollHandle&) = delete;
    CScopedPollHandle& operator=(const CScopedPollHandle&) = delete;

    Status GetStatus() const { return m_status; }
    STI_OS::PollHandle& Get() { return m_handle; }

private:
    STI_OS::PollHandle m_handle;
    Status m_status = ST_SUCCESS;
};

} // namespace

Status WaitUntilWritable(STI_OS::SocketHandle handle, std::uint32_t milliseconds)
{
    CScopedPollHandle poll;
    if (poll.GetStatus() != ST_SUCCESS) {
        return poll.GetStatus();
    }
    Status status = STI_OS::PollRegister(poll.Get(), handle, STI_OS::POLL_WRITE);
    if (status != ST_SUCCESS) {
        return status;
    }
    return STI_OS::PollWait(poll.Get(), milliseconds);
}

} // namespace sti
