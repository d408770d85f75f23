#include "app/TransferService.h"

using KV2Service::CKV2Service;

CKV2TransferService::CKV2TransferService(CKV2Service* service) : m_service(service) {}

CKV2Service* CKV2TransferService::Service()
{
    if (!m_service)
        m_service = CKV2Service::Instance();
    return m_service;
}

bool CKV2TransferService::Start(Events* events, const std::uint8_t userId[16], std::uint16_t localPort,
                                bool enableLocalConnections)
{
    CKV2Service* service = Service();
    m_started = service && service->Start(events, userId, localPort, enableLocalConnections);
    return m_started;
}

bool CKV2TransferService::Connect()
{
    return Service() && m_service->Connect();
}

bool CKV2TransferService::Disconnect()
{
    return Service() && m_service->Disconnect();
}

void CKV2TransferService::Stop()
{
    if (!m_started || !m_service)
        return;
    m_service->RequestStop();
    (void)m_service->Wait(sti::WAIT_INFINITE); // ends only when the thread has
    m_started = false;
}

bool CKV2TransferService::SendMailRequest(std::uint32_t kind, const std::string& text)
{
    return m_started && m_service->SendMailRequest(kind, text);
}

bool CKV2TransferService::SendReport(const std::string& text)
{
    return m_started && m_service->SendReport(text);
}

Status CKV2TransferService::PostStartDownload(const std::uint8_t fileId[16], const std::uint8_t peerId[16],
                                              IDownloadCallback* callback)
{
    return m_started ? m_service->PostStartDownload(fileId, peerId, callback) : ST_NOT_CONNECTED;
}

Status CKV2TransferService::PostDownloadCommand(const std::uint8_t fileId[16], std::uint32_t command)
{
    return m_started ? m_service->PostDownloadCommand(fileId, command) : ST_NOT_CONNECTED;
}

Status CKV2TransferService::PostUploadCommand(const std::uint8_t fileId[16], std::uint32_t command)
{
    return m_started ? m_service->PostUploadCommand(fileId, command) : ST_NOT_CONNECTED;
}

Status CKV2TransferService::PostUploadLevel(const std::uint8_t fileId[16], std::uint32_t level)
{
    return m_started ? m_service->PostUploadLevel(fileId, level) : ST_NOT_CONNECTED;
}

std::uint16_t CKV2TransferService::GetAntLocalPort()
{
    return m_started ? m_service->GetAntLocalPort() : 0;
}
