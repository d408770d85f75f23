#include "transport/transfer/TransportManagerThread.h"

#include "infra/Singleton.h"
#include "transport/transfer/CloseReason.h"
#include "transport/transfer/TransportCallback.h"
#include "transport/transfer/TransportManagerControlHandler.h"

#include <new>
#include <utility>

Status StartTransportManager(std::unique_ptr<CTransportManagerQueue>& queue, ITransportManagerOutlet* outlet)
{
    queue.reset();
    CTransportManagerThread* thread = CTransportManagerThread::Instance();
    if (thread == nullptr) {
        return ST_NO_MEMORY;
    }
    return thread->Launch(queue, outlet);
}

CTransportManagerThread* CTransportManagerThread::Instance()
{
    return sti::CSingleton<CTransportManagerThread>::Instance();
}

CTransportManagerThread::CTransportManagerThread(CAnt* ant) : CQueueThread("TransportManager"), m_ant(ant) {}

CTransportManagerThread::~CTransportManagerThread()
{
    StopAndWait();
    m_downloads.reset();
    m_pendingQueue.reset();
}

Status CTransportManagerThread::Launch(std::unique_ptr<CTransportManagerQueue>& queue, ITransportManagerOutlet* outlet)
{
    queue.reset();
    if (IsRunning()) {
        return ST_ALREADY_CONNECTED;
    }
    std::unique_ptr<CTransportManagerQueue> producer;
    std::unique_ptr<CTransportManagerQueue> consumer;
    if (CTransportManagerQueue::CreatePair(producer, consumer) != ST_SUCCESS) {
        return ST_NO_MEMORY;
    }
    if (Init(std::move(consumer), outlet) != ST_SUCCESS) {
        return ST_NO_MEMORY;
    }
    if (Start() != ST_SUCCESS) {
        m_pendingQueue.reset();
        m_downloads.reset();
        return ST_NO_MEMORY;
    }
    queue = std::move(producer);
    return ST_SUCCESS;
}

Status CTransportManagerThread::Init(std::unique_ptr<CTransportManagerQueue> queue, ITransportManagerOutlet* outlet)
{
    std::unique_ptr<CDownloadsManager> downloads(new (std::nothrow) CDownloadsManager(outlet, m_ant));
    if (!downloads) {
        return ST_NO_MEMORY;
    }
    downloads->SetTimings(m_timings);
    m_downloads = std::move(downloads);
    m_pendingQueue = std::move(queue);
    return ST_SUCCESS;
}

sti::IBaseSockEventHandler* CTransportManagerThread::NewQueueHandler()
{
    return new (std::nothrow) CTransportManagerControlHandler(*this);
}

std::uint32_t CTransportManagerThread::Run()
{
    // Nothing could ever reach a thread without its queue.
    if (m_dispatcher == nullptr || m_queue == nullptr) {
        return 1;
    }
    while (!IsStopRequested()) {
        // The dispatcher handles its own errors and sleeps the round on a broken poller.
        (void)m_dispatcher->Run(TURN_MS);
    }
    return 0;
}

void CTransportManagerThread::OnExit()
{
    CloseQueue();
    m_pendingQueue.reset();
    if (m_downloads) {
        // The peers are not told: reason 8 sends no Close, the records still hear OnClosed.
        m_downloads->Uploads().CloseAll(CLOSE_REASON_SHUTDOWN);
        m_downloads->CloseAll(CLOSE_REASON_SHUTDOWN);
        m_downloads.reset();
    }
    CQueueThread::OnExit();
}

Status CTransportManagerThread::Dispatch(const STransportManagerInternalMsg& message)
{
    STI_OWNING_THREAD(m_threadOwner);
    if (!m_downloads) {
        // A refused message gives back the reference its callback carries.
        if (message.Type == TM_MSG_START_DOWNLOAD && message.StartCallback)
            message.StartCallback->Release();
        if (message.Type == TM_MSG_NEW_UPLOAD && message.UploadCallback)
            message.UploadCallback->Release();
        const bool closing = message.Type == TM_MSG_CLOSE_DOWNLOAD || message.Type == TM_MSG_CLOSE_UPLOAD;
        return closing ? ST_CONNECTION_CLOSED : ST_SUCCESS;
    }
    CDownloadsManager& downloads = *m_downloads;
    switch (message.Type) {
    case TM_MSG_START_DOWNLOAD: {
        // The message's reference ends here: the session took its own, or there is none.
        const Status status = downloads.StartDownload(message.StartFileId, message.StartPeerId, message.StartCallback);
        if (message.StartCallback)
            message.StartCallback->Release();
        return status;
    }
    case TM_MSG_CLOSE_DOWNLOAD:
        return downloads.CloseDownload(message.CloseFileId, message.CloseReason);
    case TM_MSG_CLOSE_UPLOAD:
        return downloads.Uploads().CloseUpload(message.CloseFileId, message.CloseReason);
    case TM_MSG_SESSION_ANSWER:
        return downloads.OnSessionAnswer(message.AnswerFileId, message.AnswerTicket);
    case TM_MSG_INCOMING_DOWNLOAD:
        return downloads.OnIncomingConnection(message.IncomingSession, message.IncomingTicket, message.IncomingKeyLow,
                                              message.IncomingKeyHigh);
    case TM_MSG_NEW_UPLOAD: {
        const Status status = downloads.Uploads().NewUpload(message.UploadPeer, message.UploadKeyLow,
                                                            message.UploadKeyHigh, message.UploadCallback);
        if (message.UploadCallback)
            message.UploadCallback->Release();
        return status;
    }
    case TM_MSG_SESSION_NOTICE:
        return downloads.OnSessionNotice(message.NoticeSession, message.NoticeValue);
    case TM_MSG_UPLOAD_LEVEL:
        return downloads.Uploads().SetLevel(message.LevelFileId, message.Level);
    default:
        return ST_SUCCESS;
    }
}
