#pragma once
// CSettingsManager: the program's configuration, held in memory and mirrored in the registry
// under HKEY_CURRENT_USER "Software\Tarnix\" (the user id under HKEY_LOCAL_MACHINE).
//
// A process singleton (longevity 190): read once when made, each setter writes at once, and
// everything is written again when it is destroyed, which also brings the autostart entry in
// step with LoadOnStartup. Getters and setters may be called from any thread.

#include <atomic>
#include <cstdint>
#include <memory>

#include "app/RegistryKey.h"
#include "app/RegistrySetting.h"
#include "framework/String.h"
#include "infra/Lock.h"
#include "infra/Longevity.h"

class CAddressBook;

// Where the settings live; the defaults are the program's. Tests point it elsewhere.
struct SSettingsLocation {
    const char* settingsKey = "Software\\Tarnix\\";
    const char* runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
    const char* runValue = "Tarnix";
    // The folder of "AddressBook.xml", ending in "\"; null: the program's folder.
    const char* xmlFolder = nullptr;
};

class CSettingsManager {
public:
    static constexpr std::uint32_t LONGEVITY = sti::longevity::SETTINGS_MANAGER;
    static constexpr int COLUMN_COUNT = 7;
    static constexpr int DEFAULT_COLUMN_WIDTH = 90;
    static constexpr int MAX_COLUMN_WIDTH = 4096;
    static constexpr int MAX_BANDWIDTH = 2; // 0 maximal, 1 normal, 2 polite
    static constexpr int USER_ID_SIZE = 16;

    // The process instance (sti::CSingleton); null only when it could not be made.
    static CSettingsManager* Instance();

    CSettingsManager() : CSettingsManager(SSettingsLocation()) {}
    explicit CSettingsManager(const SSettingsLocation& location);
    ~CSettingsManager();
    CSettingsManager(const CSettingsManager&) = delete;
    CSettingsManager& operator=(const CSettingsManager&) = delete;

    int GetShowSplash() const { return m_showSplash.Get(); }
    void SetShowSplash(int v) { m_showSplash.Set(v); }
    int GetBandwidth() const { return m_bandwidth.Get(); }
    void SetBandwidth(int v) { m_bandwidth.Set(v); }
    int GetAntivirus() const { return m_antivirus.Get(); }
    void SetAntivirus(int v) { m_antivirus.Set(v); }
    int GetMaxDownloads() const { return m_maxDownloads.Get(); }
    void SetMaxDownloads(int v) { m_maxDownloads.Set(v); }
    int GetMaxUploads() const { return m_maxUploads.Get(); }
    void SetMaxUploads(int v) { m_maxUploads.Set(v); }
    int GetUnlimitedDownloads() const { return m_unlimitedDownloads.Get(); }
    void SetUnlimitedDownloads(int v) { m_unlimitedDownloads.Set(v); }
    int GetUnlimitedUploads() const { return m_unlimitedUploads.Get(); }
    void SetUnlimitedUploads(int v) { m_unlimitedUploads.Set(v); }
    int GetABSortColumn() const { return m_abSortColumn.Get(); }
    void SetABSortColumn(int v) { m_abSortColumn.Set(v); }
    int GetABSortAsceding() const { return m_abSortAsceding.Get(); }
    void SetABSortAsceding(int v) { m_abSortAsceding.Set(v); }
    int GetShowToolTipDownloadComplete() const { return m_showToolTipDownloadComplete.Get(); }
    void SetShowToolTipDownloadComplete(int v) { m_showToolTipDownloadComplete.Set(v); }
    int GetShowToolTipUploadComplete() const { return m_showToolTipUploadComplete.Get(); }
    void SetShowToolTipUploadComplete(int v) { m_showToolTipUploadComplete.Set(v); }
    int GetShowToolTipNewUpdate() const { return m_showToolTipNewUpdate.Get(); }
    void SetShowToolTipNewUpdate(int v) { m_showToolTipNewUpdate.Set(v); }
    int GetExtructOutlook() const { return m_extructOutlook.Get(); }
    void SetExtructOutlook(int v) { m_extructOutlook.Set(v); }
    int GetDownloadsCompleted() const { return m_downloadsCompleted.Get(); }
    void SetDownloadsCompleted(int v) { m_downloadsCompleted.Set(v); }
    int GetTAFSate() const { return m_tafSate.Get(); }
    void SetTAFSate(int v) { m_tafSate.Set(v); }
    int GetLocalPort() const { return m_localPort.Get(); }
    void SetLocalPort(int v) { m_localPort.Set(v); }
    int GetEnableLocalConnections() const { return m_enableLocalConnections.Get(); }
    void SetEnableLocalConnections(int v) { m_enableLocalConnections.Set(v); }
    int GetLoadOnStartup() const { return m_loadOnStartup.Get(); }
    void SetLoadOnStartup(int v) { m_loadOnStartup.Set(v); }

    CString GetDownloadLocation() const { return m_downloadLocation.Get(); }
    void SetDownloadLocation(const char* v) { m_downloadLocation.Set(v); }
    CString GetMyName() const { return m_myName.Get(); }
    void SetMyName(const char* v) { m_myName.Set(v); }
    CString GetMyEmail() const { return m_myEmail.Get(); }
    void SetMyEmail(const char* v) { m_myEmail.Set(v); }
    CString GetSubject() const { return m_subject.Get(); }
    void SetSubject(const char* v) { m_subject.Set(v); }
    CString GetMessage() const { return m_message.Get(); }
    void SetMessage(const char* v) { m_message.Set(v); }
    CString GetWizardSelectFilesDir() const { return m_wizardSelectFilesDir.Get(); }
    void SetWizardSelectFilesDir(const char* v) { m_wizardSelectFilesDir.Set(v); }
    CString GetInitialFileLink() const { return m_initialFileLink.Get(); }
    void SetInitialFileLink(const char* v) { m_initialFileLink.Set(v); }

    // The transfer list's column widths (written when the object is destroyed). An index
    // outside 0..6 is ignored (reads give the default); widths are clamped to 0..MAX_COLUMN_WIDTH.
    int GetColumnWidth(int index) const;
    void SetColumnWidth(int index, int width);
    // The main window's placement; all zero until one has been stored.
    WINDOWPLACEMENT GetWindowPlacement() const;
    void SetWindowPlacement(const WINDOWPLACEMENT& placement);
    // The 16-byte user id; fixed for the life of the object.
    void GetUserId(unsigned char id[USER_ID_SIZE]) const;

    // The program's drive and folder, ending in "\".
    CString GetProgramFolder() const { return m_programFolder; }

    // Read from "AddressBook.xml" when the settings are made; lives until they are written back.
    CAddressBook& GetAddressBook() { return *m_addressBook; }

    // Values that live only for the run.
    void SetServerNotice(int value) { m_serverNotice.store(value); }
    int GetServerNotice() const { return m_serverNotice.load(); }
    void SetTAFPrompted(bool flag) { m_tafPrompted.store(flag); }
    bool GetTAFPrompted() const { return m_tafPrompted.load(); }

    // The autostart command: the program's path in quotes followed by " /background".
    static CString AutostartCommand();

private:
    void ReadBinarySettings();
    void InitDownloadLocation();
    void WriteAutostart() const;

    // Declared first: every setting below writes through it, also while being destroyed.
    const CRegistryKey m_key;
    const CString m_runKey;
    const CString m_runValue;

    RegistrySetting<int> m_showSplash;
    RegistrySetting<int> m_bandwidth;
    RegistrySetting<int> m_antivirus;
    RegistrySetting<int> m_maxDownloads;
    RegistrySetting<int> m_maxUploads;
    RegistrySetting<int> m_unlimitedDownloads;
    RegistrySetting<int> m_unlimitedUploads;
    RegistrySetting<int> m_abSortColumn;
    RegistrySetting<int> m_abSortAsceding;
    RegistrySetting<int> m_showToolTipDownloadComplete;
    RegistrySetting<int> m_showToolTipUploadComplete;
    RegistrySetting<int> m_showToolTipNewUpdate;
    RegistrySetting<int> m_extructOutlook;
    RegistrySetting<int> m_downloadsCompleted;
    RegistrySetting<int> m_tafSate;
    RegistrySetting<int> m_localPort;
    RegistrySetting<int> m_enableLocalConnections;
    RegistrySetting<int> m_loadOnStartup;
    RegistrySetting<CString> m_downloadLocation;
    RegistrySetting<CString> m_myName;
    RegistrySetting<CString> m_myEmail;
    RegistrySetting<CString> m_subject;
    RegistrySetting<CString> m_message;
    RegistrySetting<CString> m_wizardSelectFilesDir;
    RegistrySetting<CString> m_initialFileLink;

    std::atomic<bool> m_tafPrompted{false};
    std::atomic<int> m_serverNotice{0};
    CString m_programFolder;

    mutable sti::CMutex m_windowLock; // guards the column widths and the placement
    int m_columnWidths[COLUMN_COUNT];
    WINDOWPLACEMENT m_windowPlacement;
    unsigned char m_userId[USER_ID_SIZE];

    // Destroyed first thing in the destructor, before the settings are written back.
    std::unique_ptr<CAddressBook> m_addressBook;
};

// True when the command line contains " /background" (started by the autostart entry).
bool IsBackgroundStart(const char* commandLine);
// The Windows folder followed by "\temp".
CString GetTempFolder();
// Whole days in a count of seconds.
std::int64_t GetDays(std::int64_t seconds);
