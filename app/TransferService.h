#pragma once
// What the transfer manager needs of the messaging service: start and connect it, hand it mails
// and reports, and post requests to the transport-manager thread. The process's service stands
// behind CKV2TransferService; tests put a fake in its place.
//
// A callback handed to PostStartDownload is held for the message (AddRef before the post,
// Release when the post fails); the transport manager lets it go once its session holds it.

#include <cstdint>
#include <string>

#include "infra/Status.h"
#include "messaging/KV2Service.h"

class IDownloadCallback;

class ITransferService {
public:
    using Events = KV2Service::CKV2Service::CKV2ServiceEvents;

    virtual ~ITransferService() = default;
    // Once; `events` is not owned and must outlive the service's thread.
    virtual bool Start(Events* events, const std::uint8_t userId[16], std::uint16_t localPort,
                       bool enableLocalConnections) = 0;
    virtual bool Connect() = 0;
    virtual bool Disconnect() = 0;
    // Asks the service's thread to stop and waits for it (nothing when it never started).
    virtual void Stop() = 0;
    virtual bool SendMailRequest(std::uint32_t kind, const std::string& text) = 0;
    virtual bool SendReport(const std::string& text) = 0;
    virtual Status PostStartDownload(const std::uint8_t fileId[16], const std::uint8_t peerId[16],
                                     IDownloadCallback* callback) = 0;
    virtual Status PostDownloadCommand(const std::uint8_t fileId[16], std::uint32_t command) = 0;
    virtual Status PostUploadCommand(const std::uint8_t fileId[16], std::uint32_t command) = 0;
    virtual Status PostUploadLevel(const std::uint8_t fileId[16], std::uint32_t level) = 0;
    virtual std::uint16_t GetAntLocalPort() = 0;
};

// The messaging service `service` (not owned; the process's when null).
class CKV2TransferService : public ITransferService {
public:
    explicit CKV2TransferService(KV2Service::CKV2Service* service = nullptr);

    bool Start(Events* events, const std::uint8_t userId[16], std::uint16_t localPort,
               bool enableLocalConnections) override;
    bool Connect() override;
    bool Disconnect() override;
    void Stop() override;
    bool SendMailRequest(std::uint32_t kind, const std::string& text) override;
    bool SendReport(const std::string& text) override;
    Status PostStartDownload(const std::uint8_t fileId[16], const std::uint8_t peerId[16],
                             IDownloadCallback* callback) override;
    Status PostDownloadCommand(const std::uint8_t fileId[16], std::uint32_t command) override;
    Status PostUploadCommand(const std::uint8_t fileId[16], std::uint32_t command) override;
    Status PostUploadLevel(const std::uint8_t fileId[16], std::uint32_t level) override;
    std::uint16_t GetAntLocalPort() override;

private:
    KV2Service::CKV2Service* Service();

    KV2Service::CKV2Service* m_service;
    bool m_started = false;
};
