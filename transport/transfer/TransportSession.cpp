#include "transport/transfer/TransportSession.h"

#include "transport/transfer/TransportCallback.h"
#include "transport/transfer/TransportManagerHandler.h"

#include <cstring>

CTransportSession::CTransportSession(ISessionManagerBase* manager, IDownloadCallback* callback,
                                     const std::uint8_t fileId[TRANSFER_ID_SIZE],
                                     const std::uint8_t peerId[TRANSFER_ID_SIZE])
    : m_manager(manager), m_download(callback)
{
    if (fileId != nullptr) {
        std::memcpy(m_fileId, fileId, TRANSFER_ID_SIZE);
    }
    if (peerId != nullptr) {
        std::memcpy(m_peerId, peerId, TRANSFER_ID_SIZE);
    }
    if (m_download != nullptr) {
        m_download->AddRef();
    }
}

CTransportSession::CTransportSession(ISessionManagerBase* manager, IUploadCallback* callback, std::uint32_t keyLow,
                                     std::uint32_t keyHigh)
    : m_manager(manager), m_upload(callback), m_keyLow(keyLow), m_keyHigh(keyHigh)
{
    if (m_upload != nullptr) {
        m_upload->AddRef();
    }
}

CTransportSession::~CTransportSession()
{
    if (m_handler != nullptr) {
        m_handler->ForgetSession();
    }
    if (ITransportCallback* callback = GetCallback()) {
        callback->Release();
    }
}

void CTransportSession::Destroy(CTransportSession* session)
{
    if (session == nullptr) {
        return;
    }
    if (session->m_manager != nullptr) {
        // A session its manager no longer holds is deleted all the same.
        (void)session->m_manager->RemoveSession(session);
    }
    delete session;
}

ITransportCallback* CTransportSession::GetCallback() const
{
    if (m_download != nullptr) {
        return m_download;
    }
    return m_upload;
}

void CTransportSession::SetStatus(int status)
{
    m_status = status;
    if (ITransportCallback* callback = GetCallback()) {
        callback->SetSessionStatus(status);
    }
}

void CTransportSession::SetFileId(const std::uint8_t fileId[TRANSFER_ID_SIZE])
{
    std::memcpy(m_fileId, fileId, TRANSFER_ID_SIZE);
}
