#pragma once
// The transport-manager thread ("TransportManager"): every file transfer session of the
// program, driven by the thread's own dispatcher in turns of at most 40 ms. Other threads
// reach it only by STransportManagerInternalMsg records on its pipe queue, whose writing end
// the messaging service keeps; server commands go back out through the service's outlet.
// Stopping it closes every upload and then every download with the shutdown reason.

#include "infra/Longevity.h"
#include "infra/QueueThread.h"
#include "infra/Status.h"
#include "transport/transfer/DownloadsManager.h"
#include "transport/transfer/TransportManagerInternalMsg.h"
#include "transport/transfer/TransportManagerOutlet.h"
#include "transport/transfer/TransportTimings.h"

#include <cstdint>
#include <memory>

class CAnt;

// Called on the messaging service's thread when it starts: creates the pipe pair, starts the
// process's transport-manager thread on one end and gives the service the other (queue).
// ST_NO_MEMORY (queue null, no thread) on any failure; ST_ALREADY_CONNECTED (queue null)
// while the thread runs already.
Status StartTransportManager(std::unique_ptr<CTransportManagerQueue>& queue, ITransportManagerOutlet* outlet);

class CTransportManagerThread : public sti::CQueueThread<STransportManagerInternalMsg> {
public:
    static constexpr std::uint32_t LONGEVITY = sti::longevity::TRANSPORT_MANAGER_THREAD;
    static constexpr std::uint32_t TURN_MS = 40;

    // The process's thread (null only if it cannot be created).
    static CTransportManagerThread* Instance();

    // Connections go through the given transport (it outlives this), the process's when null.
    explicit CTransportManagerThread(CAnt* ant = nullptr);
    // Requests the stop and waits for the thread to end.
    ~CTransportManagerThread() override;

    // Production keeps the defaults. Before Launch or Init.
    void SetTimings(const STransportTimings& timings) { m_timings = timings; }

    // What StartTransportManager does, for this thread.
    Status Launch(std::unique_ptr<CTransportManagerQueue>& queue, ITransportManagerOutlet* outlet);
    // Before Start: keeps the reading end (null: none) and creates the managers.
    // ST_NO_MEMORY when they cannot be had.
    Status Init(std::unique_ptr<CTransportManagerQueue> queue, ITransportManagerOutlet* outlet);

    // The thread's own from here on (or the caller's, for a thread never started; checked in
    // debug builds).

    // One record. Types 1 and 2 without managers give ST_CONNECTION_CLOSED; 6 and unknown
    // types do nothing.
    Status Dispatch(const STransportManagerInternalMsg& message);
    // Null before Init and after the thread ended.
    CDownloadsManager* GetDownloads() const
    {
        STI_OWNING_THREAD(m_threadOwner);
        return m_downloads.get();
    }
    CUploadsManager* GetUploads() const
    {
        STI_OWNING_THREAD(m_threadOwner);
        return m_downloads ? &m_downloads->Uploads() : nullptr;
    }

protected:
    std::uint32_t Run() override;
    sti::IBaseSockEventHandler* NewQueueHandler() override;
    void OnExit() override;

private:
    CAnt* m_ant; // not owned
    STransportTimings m_timings;
    std::unique_ptr<CDownloadsManager> m_downloads; // with the uploads inside
};
