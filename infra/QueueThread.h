#pragma once
// A worker thread driven by its own dispatcher and reached by other threads only through one
// pipe queue of TMessage records. Before Start the reading end waits in m_pendingQueue; on the
// start the thread takes its dispatcher and registers that end, bound to the handler that
// NewQueueHandler makes. From then on the thread owns the object (checked in debug builds
// by the entries that say so); on its end it lets go again.

#include "infra/ConditionVariable.h" // WAIT_INFINITE
#include "infra/Dispatcher.h"
#include "infra/MessageQueue.h"
#include "infra/Thread.h"
#include "infra/ThreadManager.h"
#include "infra/ThreadOwner.h"

#include <memory>

namespace sti {

template <class TMessage>
class CQueueThread : public CThread {
public:
    using Queue = CMessageQueue<TMessage>;

    // Removal notice of the queue by its handler.
    void OnQueueDetached(Queue* queue)
    {
        STI_OWNING_THREAD(m_threadOwner);
        if (queue == m_queue) {
            m_queue = nullptr;
        }
    }
    CDispatcher* GetDispatcher() const { return m_dispatcher; }

protected:
    explicit CQueueThread(const char* name) : CThread(name) {}

    // First in every derived destructor: Run uses the derived part, so the loop must end
    // before that part goes. Does not wait when called on the thread itself.
    void StopAndWait()
    {
        threadman::CThreadManager* manager = threadman::CThreadManager::Instance();
        if (manager == nullptr || manager->GetCurrentThread() != this) {
            RequestStop();
            (void)Wait(WAIT_INFINITE); // ends only when the thread has
        }
    }

    // The queue's reader, made on the thread at its start and owned by the dispatcher once
    // registered; null registers nothing.
    virtual IBaseSockEventHandler* NewQueueHandler() = 0;

    void OnStart() override
    {
        m_threadOwner.Bind();
        m_dispatcher = CDispatcher::Instance();
        if (m_dispatcher == nullptr || !m_pendingQueue) {
            return;
        }
        IBaseSockEventHandler* handler = NewQueueHandler();
        if (handler == nullptr) {
            return;
        }
        if (m_dispatcher->Register(m_pendingQueue.get(), handler, INTEREST_READ) == ST_SUCCESS) {
            m_queue = m_pendingQueue.release();
        } else {
            delete handler;
        }
    }

    // Last in the derived OnExit: the object is anybody's again (a test's, say).
    void OnExit() override { m_threadOwner.Release(); }

    void CloseQueue()
    {
        if (m_queue != nullptr && m_dispatcher != nullptr) {
            // Deleted, with its handler, in the dispatcher's next round (or its shutdown).
            m_dispatcher->Close(m_queue, true);
        }
        m_queue = nullptr;
    }

    std::unique_ptr<Queue> m_pendingQueue; // until registered
    Queue* m_queue = nullptr;              // registered: the dispatcher's
    CDispatcher* m_dispatcher = nullptr;   // this thread's
    CThreadOwner m_threadOwner;
};

} // namespace sti
