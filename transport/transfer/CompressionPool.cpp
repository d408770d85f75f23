#include "transport/transfer/CompressionPool.h"

#include "infra/Dispatcher.h"
#include "infra/Pipe.h"
#include "infra/SocketEventHandler.h"
#include "infra/SocketWait.h"
#include "infra/ThreadOwned.h"

#include <algorithm>
#include <new>

namespace {

// Reads the wake pipe on the owning thread and tells the pool. Deletes itself with the pipe
// end (the dispatcher's default).
class CWakeHandler : public sti::CSocketAttachedEventHandler<sti::CPipe> {
public:
    using sti::CSocketAttachedEventHandler<sti::CPipe>::OnDetach;
    using sti::CSocketAttachedEventHandler<sti::CPipe>::OnRead;
    using sti::CSocketAttachedEventHandler<sti::CPipe>::OnWrite;

    explicit CWakeHandler(CCompressionPool* pool) : m_pool(pool) {}
    void ForgetPool() { m_pool = nullptr; }

    Status OnRead(sti::CPipe* pipe) override
    {
        std::uint8_t bytes[64];
        std::uint32_t count = 0;
        while (pipe->Read(sizeof(bytes), bytes, count) == ST_SUCCESS && count == sizeof(bytes)) {}
        if (m_pool != nullptr) {
            m_pool->OnWake();
        }
        return ST_SUCCESS;
    }
    Status OnWrite(sti::CPipe*) override { return ST_NO_MORE_DATA; }
    Status OnDetach(sti::CPipe* pipe, int reason) override
    {
        if (m_pool != nullptr) {
            m_pool->OnWakeEndGone();
        }
        return sti::CSocketAttachedEventHandler<sti::CPipe>::OnDetach(pipe, reason);
    }

private:
    CCompressionPool* m_pool; // null once the pool is gone
};

} // namespace

std::shared_ptr<CCompressionPool> CCompressionPool::ForThisThread()
{
    std::weak_ptr<CCompressionPool>* current = sti::ThreadOwned<std::weak_ptr<CCompressionPool>>();
    if (current == nullptr) {
        return nullptr;
    }
    std::shared_ptr<CCompressionPool> pool = current->lock();
    if (pool) {
        return pool;
    }
    pool.reset(new (std::nothrow) CCompressionPool());
    if (!pool) {
        return nullptr;
    }
    unsigned workers = std::thread::hardware_concurrency();
    workers = std::max(1u, std::min(workers, MAX_WORKERS));
    if (pool->Start(workers) != ST_SUCCESS) {
        return nullptr;
    }
    *current = pool;
    return pool;
}

Status CCompressionPool::Start(unsigned workers)
{
    sti::CDispatcher* dispatcher = sti::CDispatcher::Instance();
    if (dispatcher == nullptr) {
        return ST_NO_MEMORY;
    }
    std::unique_ptr<sti::CPipe> readEnd;
    Status status = sti::CPipe::CreatePair(readEnd, m_wakeWrite);
    if (status != ST_SUCCESS) {
        return status;
    }
    // A worker never waits for the owning thread: one byte in the pipe is wake enough.
    m_wakeWrite->SetNonBlocking();
    std::unique_ptr<CWakeHandler> handler(new (std::nothrow) CWakeHandler(this));
    if (!handler) {
        return ST_NO_MEMORY;
    }
    status = dispatcher->Register(readEnd.get(), handler.get(), sti::INTEREST_READ);
    if (status != ST_SUCCESS) {
        return status;
    }
    handler.release();
    m_wakeEnd = readEnd.release();
    m_current.assign(workers, nullptr);
    try {
        for (unsigned i = 0; i < workers; ++i) {
            m_workers.emplace_back(&CCompressionPool::Work, this, i);
        }
    } catch (...) {
        if (m_workers.empty()) {
            return ST_NO_MEMORY; // the destructor unregisters the pipe
        }
    }
    return ST_SUCCESS;
}

CCompressionPool::~CCompressionPool()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
        m_queue.clear();
    }
    m_work.notify_all();
    for (std::thread& worker : m_workers) {
        worker.join();
    }
    if (m_wakeEnd != nullptr) {
        static_cast<CWakeHandler*>(m_wakeEnd->GetHandler())->ForgetPool();
        if (sti::CDispatcher* dispatcher = sti::CDispatcher::Instance()) {
            dispatcher->Close(m_wakeEnd, false);
        }
    }
}

void CCompressionPool::Submit(SPackedBlock* block)
{
    block->Packed.store(false, std::memory_order_relaxed);
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_queue.push_back(block);
    }
    m_work.notify_one();
}

void CCompressionPool::Withdraw(const void* owner)
{
    std::unique_lock<std::mutex> guard(m_lock);
    m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(),
                                 [owner](const SPackedBlock* block) { return block->Owner == owner; }),
                  m_queue.end());
    m_idle.wait(guard, [this, owner] {
        return std::none_of(m_current.begin(), m_current.end(),
                            [owner](const SPackedBlock* block) { return block != nullptr && block->Owner == owner; });
    });
}

void CCompressionPool::WaitForBlocks(IClient* client)
{
    if (std::find(m_waiting.begin(), m_waiting.end(), client) == m_waiting.end()) {
        m_waiting.push_back(client);
    }
    // No wake is lost: a block packed after the client looked comes with a wake that runs
    // here, on this thread, after this call.
}

void CCompressionPool::Forget(IClient* client)
{
    m_waiting.erase(std::remove(m_waiting.begin(), m_waiting.end(), client), m_waiting.end());
}

void CCompressionPool::OnWake()
{
    m_wakePending.store(false);
    std::vector<IClient*> waiting;
    waiting.swap(m_waiting);
    for (IClient* client : waiting) {
        client->OnBlocksPacked();
    }
}

void CCompressionPool::Work(std::size_t index)
{
    for (;;) {
        SPackedBlock* block = nullptr;
        {
            std::unique_lock<std::mutex> guard(m_lock);
            m_work.wait(guard, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop) {
                return;
            }
            block = m_queue.front();
            m_queue.pop_front();
            m_current[index] = block;
        }
        PackBlock(*block);
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_current[index] = nullptr;
        }
        m_idle.notify_all();
        Wake();
    }
}

void CCompressionPool::Wake()
{
    if (m_wakePending.exchange(true)) {
        return;
    }
    // While the flag is set no other worker writes, so a wake that never reached the pipe
    // would stall the upload. Wine's send says "would block" now and then on a pipe that
    // holds nothing: wait for room and write again; give up only with the flag cleared, so
    // the next packed block tries anew.
    for (int attempt = 0; attempt < WAKE_ATTEMPTS; ++attempt) {
        const Status status = WriteWake();
        if (status == ST_SUCCESS) {
            return;
        }
        if (status != ST_TRY_LATER && status != ST_WOULD_BLOCK) {
            break;
        }
        (void)sti::WaitUntilWritable(m_wakeWrite->GetHandle(), WAKE_WAIT_MS); // a time-out writes again
    }
    m_wakePending.store(false);
}

Status CCompressionPool::WriteWake()
{
    if (const WakeWriter writer = m_wakeWriter.load()) {
        return writer(*m_wakeWrite);
    }
    const std::uint8_t byte = 1;
    std::uint32_t count = 0;
    const Status status = m_wakeWrite->Write(1, &byte, count);
    return status == ST_SUCCESS && count != 1 ? ST_TRY_LATER : status;
}
