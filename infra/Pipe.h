#pragma once
// One end of a connected loopback TCP pair: bytes written to one end arrive, in order, at the
// other. The bridge between threads: any thread may write one end while the owning thread's
// dispatcher polls the other.

#include "infra/PollableObject.h"

#include <memory>

namespace sti {

class CPipe : public IRWPollableObject {
public:
    CPipe() = default;
    ~CPipe() override;

    // Both ends or neither: a failure of the pair is returned, ST_NO_MEMORY when an end cannot
    // be had; the outputs are then null.
    static Status CreatePair(std::unique_ptr<CPipe>& first, std::unique_ptr<CPipe>& second);

    STI_OS::SocketHandle GetHandle() const override { return m_handle; }
    bool SetNonBlocking() override;
    bool IsNonBlocking() const override { return m_nonBlocking; }
    void Close() override;

    // Takes over a handle (a held one is closed first).
    void AttachHandle(STI_OS::SocketHandle handle);

    Status Read(std::uint32_t size, void* buffer, std::uint32_t& count) override;
    Status Write(std::uint32_t length, const void* data, std::uint32_t& count) override;

private:
    STI_OS::SocketHandle m_handle = STI_OS::INVALID_SOCKET_HANDLE;
    bool m_nonBlocking = false;
};

} // namespace sti
