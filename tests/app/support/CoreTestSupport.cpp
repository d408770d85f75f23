#include "support/CoreTestSupport.h"

#include <cstring>

#include <windows.h>

#include "app/TransferingFile.h"

namespace coretest {

std::atomic<std::uint32_t> g_tick{1000};

std::uint32_t ManualTick()
{
    return g_tick.load();
}

namespace {

void RemoveTree(const CString& folder)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(folder + "\\*", &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const CString name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            const CString path = folder + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path);
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder);
}

void Walk(const CString& folder, const std::string& prefix, std::vector<std::string>& out)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(folder + "\\*", &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            Walk(folder + "\\" + name.c_str(), prefix + name + "\\", out);
        else
            out.push_back(prefix + name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

} // namespace

CTempFolder::CTempFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static std::atomic<int> counter{0};
    m_path.Format("%stncore-%lu-%d", temp, GetCurrentProcessId(), counter++);
    RemoveTree(m_path);
    CreateDirectoryA(m_path, nullptr);
}

CTempFolder::~CTempFolder()
{
    RemoveTree(m_path);
}

CSettingsKeys::CSettingsKeys(const char* name)
{
    m_base.Format("Software\\%s %lu", name, GetCurrentProcessId());
    m_settings = m_base + "\\";
    m_run = m_base + "\\Run\\";
    RegDeleteTreeA(HKEY_CURRENT_USER, m_base);
}

CSettingsKeys::~CSettingsKeys()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, m_base);
}

SSettingsLocation CSettingsKeys::Location() const
{
    SSettingsLocation location;
    location.settingsKey = m_settings;
    location.runKey = m_run;
    return location;
}

void WriteFileBytes(const CString& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << path.str();
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string ReadFileBytes(const CString& path)
{
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes;
    char buffer[65536];
    DWORD count = 0;
    while (ReadFile(file, buffer, sizeof buffer, &count, nullptr) && count > 0)
        bytes.append(buffer, count);
    CloseHandle(file);
    return bytes;
}

bool Exists(const CString& path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> ListFiles(const CString& folder)
{
    std::vector<std::string> files;
    Walk(folder, "", files);
    return files;
}

void CRecordingHandOff::SendReport(const CString& line)
{
    sti::CScopedLock guard(m_lock);
    m_reports.push_back(line.str());
}

bool CRecordingHandOff::SendMailRequest(const CString& request)
{
    sti::CScopedLock guard(m_lock);
    if (!acceptMail)
        return false;
    m_mails.push_back(request.str());
    return true;
}

std::vector<std::string> CRecordingHandOff::Reports()
{
    sti::CScopedLock guard(m_lock);
    return m_reports;
}

std::vector<std::string> CRecordingHandOff::Mails()
{
    sti::CScopedLock guard(m_lock);
    return m_mails;
}

int CRecordingHandOff::Count(const char* code)
{
    sti::CScopedLock guard(m_lock);
    int count = 0;
    for (const std::string& report : m_reports)
        count += report.compare(0, 2, code) == 0 ? 1 : 0;
    return count;
}

CLinkFileEntry Entry(int index, const char* name, std::int64_t size, const CString& folder, unsigned char seed)
{
    CLinkFileEntry entry;
    for (int i = 0; i < CLinkFileEntry::ID_SIZE; ++i)
        entry.m_fileId[i] = static_cast<unsigned char>(i + 1);
    entry.m_fileId[0] = static_cast<unsigned char>(0x40 + index);
    entry.m_fileId[1] = seed;
    entry.m_name = name;
    entry.m_path = folder.IsEmpty() ? CString(name) : folder + "\\" + name;
    entry.m_size = size;
    return entry;
}

CFileLink LinkOf(const std::vector<CLinkFileEntry>& entries)
{
    CFileLink link;
    link.m_senderEmail = "alice@test";
    link.m_senderName = "Alice";
    for (int i = 0; i < CFileLink::ID_SIZE; ++i)
        link.m_senderUserId[i] = static_cast<unsigned char>(0xA0 + i);
    link.m_recipientEmail = "bob@test";
    link.m_recipientName = "Bob";
    link.m_entries = entries;
    for (const CLinkFileEntry& entry : entries)
        link.m_totalSize += entry.m_size;
    return link;
}

STransferFileEntry Announce(const CLinkFileEntry& entry, const char* name)
{
    STransferFileEntry out;
    std::memcpy(out.Id, entry.m_fileId, TRANSFER_ID_SIZE);
    out.Name = name ? name : entry.m_name.GetString();
    out.Size = static_cast<std::uint64_t>(entry.m_size);
    return out;
}

void CoreFixture::SetUp()
{
    liveAtStart = CTransferingFile::LiveCount();
    manager = std::make_unique<CMainManager>();
    registry = std::make_unique<CTransferRegistry>();
    registry->SetTickSource(&ManualTick);
    SetServiceHandOff(&handOff);
}

void CoreFixture::TearDown()
{
    registry.reset();
    SetServiceHandOff(nullptr);
    DrainFileEvents();
    manager.reset();
    EXPECT_EQ(liveAtStart, CTransferingFile::LiveCount()) << "records outlived their last release";
}

std::vector<SFileEvent> CoreFixture::DrainFileEvents()
{
    std::vector<SFileEvent> events;
    SFileEvent event;
    while (manager && manager->GetFileQueue().Pop(event, 0)) {
        if (event.snapshot) {
            EXPECT_EQ(1u, event.snapshot->GetRefCount());
            event.snapshot->Release();
            event.snapshot = nullptr;
        }
        events.push_back(event);
    }
    return events;
}

std::vector<SUIEvent> CoreFixture::DrainUIEvents()
{
    std::vector<SUIEvent> events;
    SUIEvent event;
    while (manager && manager->GetUIQueue().Pop(event, 0))
        events.push_back(event);
    return events;
}

std::int32_t CoreFixture::Status(std::uint32_t id)
{
    CTransferingFile copy;
    return registry->GetCopy(id, copy) ? copy.m_fileStatus : -100;
}

} // namespace coretest
