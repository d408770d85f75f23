#include "app/SettingsManager.h"

#include <cstring>
#include <shlobj.h>

#include "app/AddressBook.h"
#include "framework/RegistryHandle.h"
#include "infra/Singleton.h"

namespace {

static_assert(sizeof(WINDOWPLACEMENT) == 44, "the stored placement is the 44-byte Win32 record");

const char kColumnWidths[] = "ColumnWidths";
const char kWindowPlacement[] = "WindowPlacement";
const char kUserId[] = "UserId";
const char kReceivedFolder[] = "My Recieved Files";
const char kFallbackDownloadFolder[] = "C:\\temp";
const char kAddressBookFile[] = "AddressBook.xml";

// The full path of the program's own file, however long.
CString ModulePath()
{
    CString path;
    for (DWORD size = MAX_PATH;; size *= 2) {
        const DWORD length = GetModuleFileNameA(nullptr, path.GetBuffer(static_cast<int>(size)), size);
        if (length == 0) {
            path.ReleaseBuffer(0);
            return path;
        }
        if (length < size || size >= 32768) {
            path.ReleaseBuffer(static_cast<int>(length < size ? length : size));
            return path;
        }
    }
}

bool IsDirectory(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

CSettingsManager* CSettingsManager::Instance()
{
    return sti::CSingleton<CSettingsManager>::Instance();
}

CSettingsManager::CSettingsManager(const SSettingsLocation& location)
    : m_key(location.settingsKey), m_runKey(location.runKey), m_runValue(location.runValue),
      m_showSplash(m_key, "ShowSplash", 1), m_bandwidth(m_key, "Bandwidth", 0, 0, MAX_BANDWIDTH),
      m_antivirus(m_key, "Antivirus", 0), m_maxDownloads(m_key, "MaxDownloads", 0),
      m_maxUploads(m_key, "MaxUploads", 0), m_unlimitedDownloads(m_key, "UnlimitedDownloads", 1),
      m_unlimitedUploads(m_key, "UnlimitedUploads", 1), m_abSortColumn(m_key, "ABSortColumn", 0),
      m_abSortAsceding(m_key, "ABSortAsceding", 1),
      m_showToolTipDownloadComplete(m_key, "ShowToolTipDownloadComplete", 1),
      m_showToolTipUploadComplete(m_key, "ShowToolTipUploadComplete", 1),
      m_showToolTipNewUpdate(m_key, "ShowToolTipNewUpdate", 1), m_extructOutlook(m_key, "ExtructOutlook", 1),
      m_downloadsCompleted(m_key, "DownloadsCompleted", 0), m_tafSate(m_key, "TAFSate", 0),
      m_localPort(m_key, "LocalPort", 0, 0, 65535), m_enableLocalConnections(m_key, "EnableLocalConnections", 1),
      m_loadOnStartup(m_key, "LoadOnStartup", 1), m_downloadLocation(m_key, "DownloadLocation", ""),
      m_myName(m_key, "MyName", ""), m_myEmail(m_key, "MyEmail", ""), m_subject(m_key, "Subject", ""),
      m_message(m_key, "Message", ""), m_wizardSelectFilesDir(m_key, "WizardSelectFilesDir", ""),
      m_initialFileLink(m_key, "InitialFileLink", "")
{
    const CString module = ModulePath();
    m_programFolder = module.Left(module.ReverseFind('\\') + 1);
    ReadBinarySettings();
    InitDownloadLocation();
    m_addressBook = std::make_unique<CAddressBook>();
    m_addressBook->Load((location.xmlFolder ? CString(location.xmlFolder) : m_programFolder) + kAddressBookFile);
}

CSettingsManager::~CSettingsManager()
{
    m_addressBook.reset();
    {
        sti::CScopedLock guard(m_windowLock);
        m_key.SetBinary(kColumnWidths, m_columnWidths, sizeof m_columnWidths);
        m_key.SetBinary(kWindowPlacement, &m_windowPlacement, sizeof m_windowPlacement);
    }
    m_key.SetBinary(kUserId, m_userId, sizeof m_userId, false);
    WriteAutostart();
    // The settings themselves are written once more by their destructors, last declared first.
}

void CSettingsManager::ReadBinarySettings()
{
    int widths[COLUMN_COUNT];
    if (m_key.GetBinary(kColumnWidths, widths, sizeof widths) == sizeof widths) {
        for (int i = 0; i < COLUMN_COUNT; ++i)
            m_columnWidths[i] = std::min(std::max(widths[i], 0), MAX_COLUMN_WIDTH);
    } else {
        for (int& width : m_columnWidths)
            width = DEFAULT_COLUMN_WIDTH;
    }

    if (m_key.GetBinary(kWindowPlacement, &m_windowPlacement, sizeof m_windowPlacement) != sizeof m_windowPlacement)
        std::memset(&m_windowPlacement, 0, sizeof m_windowPlacement);

    if (m_key.GetBinary(kUserId, m_userId, sizeof m_userId, false) != sizeof m_userId) {
        // The last eight bytes (Data4) of two fresh GUIDs; stored at once, so a crash before
        // exit cannot make the next run invent another id.
        GUID first;
        GUID second;
        std::memset(&first, 0, sizeof first);
        std::memset(&second, 0, sizeof second);
        CoCreateGuid(&first);
        CoCreateGuid(&second);
        std::memcpy(m_userId, first.Data4, 8);
        std::memcpy(m_userId + 8, second.Data4, 8);
        m_key.SetBinary(kUserId, m_userId, sizeof m_userId, false);
    }
}

void CSettingsManager::InitDownloadLocation()
{
    if (!m_downloadLocation.Get().IsEmpty())
        return;
    CString location(kFallbackDownloadFolder);
    char documents[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents)) && documents[0]) {
        CString folder(documents);
        folder += "\\";
        folder += kReceivedFolder;
        if (CreateDirectoryA(folder, nullptr) || IsDirectory(folder))
            location = folder;
    }
    m_downloadLocation.Set(location);
}

void CSettingsManager::WriteAutostart() const
{
    CRegistryHandle run;
    if (run.Create(HKEY_CURRENT_USER, m_runKey) != ERROR_SUCCESS)
        return;
    if (m_loadOnStartup.Get())
        run.WriteString(m_runValue, AutostartCommand());
    else
        run.DeleteValue(m_runValue);
}

CString CSettingsManager::AutostartCommand()
{
    CString command("\"");
    command += ModulePath();
    command += "\" /background";
    return command;
}

int CSettingsManager::GetColumnWidth(int index) const
{
    if (index < 0 || index >= COLUMN_COUNT)
        return DEFAULT_COLUMN_WIDTH;
    sti::CScopedLock guard(m_windowLock);
    return m_columnWidths[index];
}

void CSettingsManager::SetColumnWidth(int index, int width)
{
    if (index < 0 || index >= COLUMN_COUNT)
        return;
    sti::CScopedLock guard(m_windowLock);
    m_columnWidths[index] = std::min(std::max(width, 0), MAX_COLUMN_WIDTH);
}

WINDOWPLACEMENT CSettingsManager::GetWindowPlacement() const
{
    sti::CScopedLock guard(m_windowLock);
    return m_windowPlacement;
}

void CSettingsManager::SetWindowPlacement(const WINDOWPLACEMENT& placement)
{
    sti::CScopedLock guard(m_windowLock);
    m_windowPlacement = placement;
}

void CSettingsManager::GetUserId(unsigned char id[USER_ID_SIZE]) const
{
    std::memcpy(id, m_userId, sizeof m_userId);
}

bool IsBackgroundStart(const char* commandLine)
{
    return commandLine && std::strstr(commandLine, " /background") != nullptr;
}

CString GetTempFolder()
{
    char windows[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    CString folder(windows, length < MAX_PATH ? static_cast<int>(length) : 0);
    folder += "\\temp";
    return folder;
}

std::int64_t GetDays(std::int64_t seconds)
{
    return seconds / 86400;
}
