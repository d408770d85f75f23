#pragma once
// Shared by the transfer-core tests: a temp folder, a recording hand-off to the service, a
// tick source set by hand, and a fixture owning the queues' manager and a registry.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/FileLink.h"
#include "app/MainManager.h"
#include "app/SettingsManager.h"
#include "app/ServiceHandOff.h"
#include "app/TransferRegistry.h"
#include "infra/Lock.h"
#include "transport/transfer/TransferEntry.h"

namespace coretest {

// A fresh folder under the temp folder, removed with everything in it at the end.
class CTempFolder {
public:
    CTempFolder();
    ~CTempFolder();
    const CString& Path() const { return m_path; }
    CString operator/(const char* name) const { return m_path + "\\" + name; }

private:
    CString m_path;
};

// The settings keys of one test process, under HKCU\Software\<name> <process id>: the cases
// run in parallel processes over one registry, and a case reading another's values as they were
// written met a download limit of 0. Emptied at construction and removed at the end.
class CSettingsKeys {
public:
    explicit CSettingsKeys(const char* name);
    ~CSettingsKeys();
    CSettingsKeys(const CSettingsKeys&) = delete;
    CSettingsKeys& operator=(const CSettingsKeys&) = delete;
    // The settings in the base key, the autostart entry in its "Run" subkey.
    SSettingsLocation Location() const;

private:
    CString m_base;
    CString m_settings;
    CString m_run;
};

void WriteFileBytes(const CString& path, const std::string& bytes);
std::string ReadFileBytes(const CString& path); // empty when absent
bool Exists(const CString& path);
// Every file under `folder`, as paths relative to it.
std::vector<std::string> ListFiles(const CString& folder);

class CRecordingHandOff : public IServiceHandOff {
public:
    void SendReport(const CString& line) override;
    bool SendMailRequest(const CString& request) override;
    std::vector<std::string> Reports();
    std::vector<std::string> Mails();
    // Reports starting with the two letters.
    int Count(const char* code);
    std::atomic<bool> acceptMail{true};

private:
    sti::CMutex m_lock;
    std::vector<std::string> m_reports;
    std::vector<std::string> m_mails;
};

// The tick the registry sees.
extern std::atomic<std::uint32_t> g_tick;
std::uint32_t ManualTick();

// Link entry i: id bytes (0x40 + i, seed, ...), name, size, the path in `folder`.
CLinkFileEntry Entry(int index, const char* name, std::int64_t size, const CString& folder = CString(),
                     unsigned char seed = 0);
CFileLink LinkOf(const std::vector<CLinkFileEntry>& entries);
// The uploader's answer entry for a link entry: its id, its name (or the one given), its size.
STransferFileEntry Announce(const CLinkFileEntry& entry, const char* name = nullptr);

class CoreFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Pops every queued event; file-event snapshots are released.
    std::vector<SFileEvent> DrainFileEvents();
    std::vector<SUIEvent> DrainUIEvents();
    std::int32_t Status(std::uint32_t id);

    std::unique_ptr<CMainManager> manager;
    std::unique_ptr<CTransferRegistry> registry;
    CRecordingHandOff handOff;
    CTempFolder folder;
    long liveAtStart = 0;
};

} // namespace coretest
