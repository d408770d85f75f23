#pragma once
// Worker threads that pack (checksum and compress) file blocks ahead of the send, so that an
// upload uses every core for data that compresses. One pool per thread that queues blocks
// (the transport-manager thread), shared by its upload handlers and gone with the last of
// them. A worker that finishes a block wakes the owning thread through a pipe registered
// with that thread's dispatcher; the waiting handlers are then told, on the owning thread.
//
// Blocks stay owned by whoever queued them: Withdraw hands them back unpacked or waits for
// the one a worker is packing, so a handler may go at any time.

#include "infra/Status.h"
#include "transport/transfer/PackedBlock.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace sti {
class CPipe;
}

class CCompressionPool {
public:
    // Told on the owning thread that a block it queued may be packed now.
    class IClient {
    public:
        virtual void OnBlocksPacked() = 0;

    protected:
        ~IClient() = default;
    };

    // Blocks one client keeps queued at once: enough to keep a few workers busy for a
    // single upload, bounding each upload's memory to this many blocks.
    static constexpr std::size_t BLOCKS_PER_CLIENT = 8;
    static constexpr unsigned MAX_WORKERS = 16;

    // The calling thread's pool, made on first use (its dispatcher must be the one that runs
    // the callers' handlers); null when threads, a pipe or memory cannot be had.
    static std::shared_ptr<CCompressionPool> ForThisThread();

    ~CCompressionPool();
    CCompressionPool(const CCompressionPool&) = delete;
    CCompressionPool& operator=(const CCompressionPool&) = delete;

    // Owning thread. The block (Packed cleared here) goes to the next free worker.
    void Submit(SPackedBlock* block);
    // Owning thread. Takes back every queued block of the owner and waits for any a worker
    // is packing; no worker touches them afterwards.
    void Withdraw(const void* owner);
    // Owning thread. The client hears OnBlocksPacked once after the next block is packed
    // (at once, in the next dispatcher round, if one finished since it last heard).
    void WaitForBlocks(IClient* client);
    void Forget(IClient* client);

    // Owning thread, by the wake handler: the pipe said a block is packed.
    void OnWake();
    // Owning thread, by the wake handler: its pipe end is gone (closed or shut down).
    void OnWakeEndGone() { m_wakeEnd = nullptr; }

    unsigned GetWorkers() const { return static_cast<unsigned>(m_workers.size()); }

    // How a worker writes its wake byte; tests put a failing writer here (before any Submit).
    using WakeWriter = Status (*)(sti::CPipe& pipe);
    void SetWakeWriter(WakeWriter writer) { m_wakeWriter.store(writer); }

private:
    CCompressionPool() = default;
    Status Start(unsigned workers);
    void Work(std::size_t index);
    void Wake();
    // One try at the wake byte: ST_SUCCESS once it is in the pipe.
    Status WriteWake();

    static constexpr int WAKE_ATTEMPTS = 50;
    static constexpr std::uint32_t WAKE_WAIT_MS = 20;

    std::mutex m_lock;
    std::condition_variable m_work; // a block was queued, or stop
    std::condition_variable m_idle; // a worker finished a block
    std::deque<SPackedBlock*> m_queue;
    std::vector<SPackedBlock*> m_current; // per worker, the block it is packing (or null)
    bool m_stop = false;
    std::vector<std::thread> m_workers;

    std::unique_ptr<sti::CPipe> m_wakeWrite; // workers write a byte here
    sti::CPipe* m_wakeEnd = nullptr;         // registered: the dispatcher's
    std::atomic<bool> m_wakePending{false};
    std::atomic<WakeWriter> m_wakeWriter{nullptr}; // null: the pipe's own Write
    std::vector<IClient*> m_waiting;               // owning thread only
};
