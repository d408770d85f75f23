#pragma once
// CTransferManager: every transfer command passes through it. It starts the messaging service,
// sends file offers and their link mails, accepts received links, pauses, resumes, cancels and
// removes transfers, keeps the link mails and invitations the service could not take
// ("sleeping") and hands them over again once the service is online, and hears the service's
// events. It owns the transfer registry and is the core's hand-off to the service.
//
// A process singleton (longevity 170). Commands come from the user-interface thread, events on
// the service thread. Posts to the transport manager are made after the registry's lock is
// left. The sleeping lists have a lock of their own, never held together with the registry's.
// Tests construct one with a service, folder and settings of their own (one at a time).

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

#include "app/FileLink.h"
#include "app/ServiceHandOff.h"
#include "app/TAFEmail.h"
#include "app/TransferRegistry.h"
#include "app/TransferService.h"
#include "framework/Time.h"
#include "infra/Lock.h"
#include "infra/Longevity.h"

class CSettingsManager;

class CTransferManager : public ITransferService::Events, public IServiceHandOff {
public:
    static constexpr std::uint32_t LONGEVITY = sti::longevity::TRANSFER_MANAGER;
    static constexpr int SERVICE_ONLINE = 3;
    static constexpr std::uint32_t COMMAND_CANCEL = 3;
    static constexpr std::uint32_t COMMAND_PAUSE = 4;

    struct SConfig {
        CSettingsManager* settings = nullptr; // not owned; the process's when null
        ITransferService* service = nullptr;  // not owned; the process's service when null
        CString folder;                       // the program's files; the settings' when empty
        CTime (*clock)() = nullptr;           // ages of sleeping mails; the system's when null
    };

    static CTransferManager* Instance();

    CTransferManager();
    explicit CTransferManager(const SConfig& config);
    // Saves the sleeping lists, stops the service's thread, then the registry ends.
    ~CTransferManager() override;
    CTransferManager(const CTransferManager&) = delete;
    CTransferManager& operator=(const CTransferManager&) = delete;

    CTransferRegistry& Registry() { return *m_registry; }

    void Start(const std::uint8_t userId[16], std::uint16_t localPort, bool enableLocalConnections);
    bool Connect();
    bool Disconnect();

    bool SendOffer(const CFileLink& link);
    bool SendLink(const CFileLink& link);
    bool SendLinkMail(const CFileLink& link);
    bool SendInvitation(const CTAFEmail& mail);
    void AddSleepingMail(const CTAFEmail& mail);
    bool ResendSleeping();
    bool AcceptLink(const CFileLink& link);

    bool CancelDownload(std::uint32_t id);
    bool PauseDownload(std::uint32_t id);
    bool SuspendDownload(std::uint32_t id);
    bool ResumeDownload(std::uint32_t id);
    bool ResumeSuspendedDownload(std::uint32_t id);
    bool RemoveUpload(std::uint32_t id);
    bool PauseUpload(std::uint32_t id);
    bool SuspendUpload(std::uint32_t id);
    bool ResumeUpload(std::uint32_t id);
    bool ResumeSuspendedUpload(std::uint32_t id);
    void ApplyLimits(bool resume);
    // Tells the session sending the file its bandwidth level (2 minus the Bandwidth setting).
    Status PostUploadLevel(const unsigned char fileId[16], std::uint32_t level);

    bool LoadSleeping();
    bool SaveSleeping();
    std::size_t SleepingLinkCount();
    std::size_t SleepingMailCount();
    CString SleepingPath() const { return m_folder + "SleepingLinks.xml"; }
    CString ListPath() const;

    // Service events (service thread).
    void OnKeepAliveReply(std::uint32_t value) override;
    void OnStatusChanged(std::uint8_t status) override;
    void OnServerNotice(std::uint8_t type) override;
    bool OnPeerRequest(std::uint32_t requester, const std::uint8_t clientId[16], std::uint32_t session) override;
    IUploadCallback* GetUploadCallback(std::uint32_t session) override;
    void OnCommand35(std::uint32_t value, bool flag) override;
    void OnMailSent(std::uint32_t kind, const std::string& text) override;
    void OnMailNotSent(std::uint32_t kind, const std::string& text) override;

    // The core's hand-off to the service (any thread).
    void SendReport(const CString& line) override;
    bool SendMailRequest(const CString& request) override;

private:
    bool BelowDownloadLimit();
    bool BelowUploadLimit();
    bool PauseOrSuspendDownload(std::uint32_t id, std::int32_t status);
    bool ResumeDownloadFrom(std::uint32_t id, std::int32_t status);
    // A whole download whose move to its name failed tries the move again.
    bool RetryFinishedDownload(std::uint32_t id);
    bool PauseOrSuspendUpload(std::uint32_t id, std::int32_t status);
    bool ResumeUploadFrom(std::uint32_t id, std::int32_t status);
    void SetLinkStatus(const CFileLink& link, std::int32_t status, std::int32_t only = -1);
    // Under m_sleepingLock. A sleeping file this run could not read at its start is read, and
    // what it holds joins the lists, before they are saved over it.
    void MergeHeldSleeping();
    void Report(int kind, const unsigned char fileId[16]);
    // Saves the list when a command changed a record; its argument.
    bool Saved(bool changed);
    CTime Now() const;

    CSettingsManager* m_settings;
    std::unique_ptr<CKV2TransferService> m_ownService;
    ITransferService* m_service;
    CString m_folder;
    CTime (*m_clock)();
    std::unique_ptr<CTransferRegistry> m_registry;
    std::atomic<bool> m_started{false};
    std::atomic<int> m_serviceState{0};

    sti::CMutex m_sleepingLock; // the two lists and their file; never with the registry's
    std::vector<CFileLink> m_sleepingLinks;
    std::vector<CTAFEmail> m_sleepingMails;
    // Mails the service took and has not yet said were written or lost, by request text (two
    // with one text are the same mail), so that one that never left can sleep again. Under
    // m_sleepingLock.
    std::deque<std::pair<std::string, CFileLink>> m_handedOver;
    std::deque<std::pair<std::string, CTAFEmail>> m_handedOverInvitations;
};
