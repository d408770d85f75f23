// tarnix-corepeer: the application core of one copy without its windows. It runs the transfer
// manager with a folder and settings key of its own, drains the two event queues in place of
// the user interface, prints what a user would see, and takes commands on stdin:
//   send PATH... to EMAIL | open LINK-OR-FILE | make-link USER FILE NAME SIZE | pause ID |
//   resume ID | cancel ID | list | quit
// Prints "online", "record ID TYPE STATUS TRANSFERRED SIZE NAME", "report LINE", "box TEXT".

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <deque>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>

#include "app/FileLink.h"
#include "app/MainManager.h"
#include "app/SettingsManager.h"
#include "app/TransferManager.h"
#include "app/TransferingFile.h"
#include "app/UserInterfaceSeam.h"
#include "framework/MessageBox.h"
#include "infra/ConditionVariable.h"
#include "transport/transfer/TransportManagerThread.h"

namespace {

std::mutex g_outputLock;

void Say(const std::string& line)
{
    std::lock_guard<std::mutex> guard(g_outputLock);
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

int PrintBox(const char* text, UINT, void*)
{
    Say(std::string("box ") + text);
    return IDOK;
}

// The transfer manager, with every report it hands to the service printed.
class CPrintingTransferManager : public CTransferManager {
public:
    using CTransferManager::CTransferManager;
    void SendReport(const CString& line) override
    {
        std::string text = line.str();
        for (char& c : text)
            c = c == '\t' ? ' ' : c;
        Say("report " + text);
        CTransferManager::SendReport(line);
    }
};

class CCommandReader {
public:
    CCommandReader()
    {
        std::thread([this] {
            std::string line;
            while (std::getline(std::cin, line)) {
                while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
                    line.pop_back();
                std::lock_guard<std::mutex> guard(m_lock);
                m_lines.push_back(line);
            }
            std::lock_guard<std::mutex> guard(m_lock);
            m_lines.push_back("quit");
        }).detach();
    }
    bool Take(std::string& line)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_lines.empty())
            return false;
        line = m_lines.front();
        m_lines.pop_front();
        return true;
    }

private:
    std::mutex m_lock;
    std::deque<std::string> m_lines;
};

struct SOptions {
    std::string folder; // the XML files; ends in "\"
    std::string downloads;
    std::string key = "Software\\Tarnix\\";
    std::string email = "me@test";
};

bool ParseOptions(int argc, char** argv, SOptions& options)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--folder")
            options.folder = value;
        else if (name == "--downloads")
            options.downloads = value;
        else if (name == "--key")
            options.key = value;
        else if (name == "--email")
            options.email = value;
        else
            return false;
    }
    if (!options.folder.empty() && options.folder.back() != '\\')
        options.folder += '\\';
    return true;
}

// Stands where the user interface will: drains the queues, runs the commands, and answers what
// the core asks of a user interface.
class CPeer : public IUserInterfaceSeam {
public:
    CPeer(CSettingsManager& settings, CTransferManager& transfers, CMainManager& manager)
        : m_settings(settings), m_transfers(transfers), m_manager(manager)
    {}

    void Drain()
    {
        SFileEvent fileEvent;
        while (m_manager.GetFileQueue().Pop(fileEvent, 0)) {
            if (fileEvent.kind == FILE_EVENT_ADDED) {
                m_ids.insert(fileEvent.id);
                // As the record was when it entered (a list read back shows its loaded status).
                if (fileEvent.snapshot)
                    Print(*fileEvent.snapshot);
                else
                    Print(fileEvent.id);
            } else {
                m_ids.erase(fileEvent.id);
                Say("removed " + std::to_string(fileEvent.id));
            }
            if (fileEvent.snapshot)
                fileEvent.snapshot->Release();
        }
        SUIEvent event;
        while (m_manager.GetUIQueue().Pop(event, 0)) {
            if (event.kind == UI_EVENT_STATE && event.first >= 0) {
                Say(event.first == CTransferManager::SERVICE_ONLINE ? "online"
                                                                    : "state " + std::to_string(event.first));
            } else if (event.kind == UI_EVENT_PROGRESS) {
                // Record ids travel as signed 32 bits; compared as the 32 bits they are.
                const std::uint32_t id = static_cast<std::uint32_t>(event.first);
                auto it = m_statuses.find(id);
                if (it == m_statuses.end() || it->second != event.second)
                    Print(id);
            }
        }
    }

    void Print(std::uint32_t id)
    {
        CTransferingFile copy;
        if (m_transfers.Registry().GetCopy(id, copy))
            Print(copy);
    }

    void Print(const CTransferingFile& copy)
    {
        m_statuses[copy.m_id] = copy.m_fileStatus;
        std::ostringstream line;
        line << "record " << copy.m_id << ' ' << copy.m_type << ' ' << copy.m_fileStatus << ' ' << copy.m_transferred
             << ' ' << copy.m_fileSize << ' ' << copy.m_shortName.str();
        Say(line.str());
    }

    bool Run(const std::string& line)
    {
        std::istringstream words(line);
        std::string command;
        words >> command;
        if (command == "quit")
            return false;
        if (command == "list") {
            for (std::uint32_t id : m_ids)
                Print(id);
        } else if (command == "send") {
            Send(words);
        } else if (command == "open") {
            OpenLinkText(line.substr(line.find("open") + 5).c_str());
        } else if (command == "make-link") {
            MakeLink(words);
        } else if (command == "pause" || command == "resume" || command == "cancel") {
            std::uint32_t id = 0;
            words >> id;
            const bool upload = (id & 0x80000000u) != 0;
            bool done = false;
            if (command == "pause")
                done = upload ? m_transfers.PauseUpload(id) : m_transfers.PauseDownload(id);
            else if (command == "resume")
                done = upload ? m_transfers.ResumeUpload(id) || m_transfers.ResumeSuspendedUpload(id)
                              : m_transfers.ResumeDownload(id) || m_transfers.ResumeSuspendedDownload(id);
            else
                done = upload ? m_transfers.RemoveUpload(id) : m_transfers.CancelDownload(id);
            Say(command + (done ? " done" : " refused"));
        } else if (!command.empty()) {
            Say("unknown " + command);
        }
        return true;
    }

    // A link URL, or the path of a link file.
    void OpenLinkText(const CString& text) override
    {
        CFileLink link;
        const bool parsed = text.str().rfind(CFileLink::GetLinkPagePrefix().str(), 0) == 0 ? link.ParseLinkURL(text)
                                                                                           : link.LoadFromFile(text);
        Say(parsed && m_transfers.AcceptLink(link) ? "opened" : "open failed");
    }

    void OnOptions() override { Say("options"); }
    bool ShowUpdateDialog(const CString&, const CString&, bool) override { return false; }
    void DestroyUpdateDialog() override {}

private:
    static bool ParseHexId(const std::string& text, unsigned char id[16])
    {
        if (text.size() != 32)
            return false;
        for (int i = 0; i < 16; ++i) {
            char* end = nullptr;
            const std::string pair = text.substr(2 * i, 2);
            id[i] = static_cast<unsigned char>(std::strtoul(pair.c_str(), &end, 16));
            if (*end != '\0')
                return false;
        }
        return true;
    }

    // make-link USER FILE NAME SIZE: accepts the link a peer outside this program would have
    // mailed (ids as 32 hex digits).
    void MakeLink(std::istringstream& words)
    {
        std::string user, file, name;
        long long size = 0;
        CFileLink link;
        CLinkFileEntry entry;
        if (!(words >> user >> file >> name >> size) || !ParseHexId(user, link.m_senderUserId) ||
            !ParseHexId(file, entry.m_fileId)) {
            Say("usage: make-link USER FILE NAME SIZE");
            return;
        }
        entry.m_name = name.c_str();
        entry.m_size = size;
        link.m_entries.push_back(entry);
        link.m_senderEmail = "peer@test";
        link.m_totalSize = size;
        Say(m_transfers.AcceptLink(link) ? "opened" : "open failed");
    }

    void Send(std::istringstream& words)
    {
        CFileLink link;
        std::string word;
        while (words >> word && word != "to") {
            CLinkFileEntry entry(true);
            entry.SetPath(word.c_str());
            WIN32_FILE_ATTRIBUTE_DATA data;
            if (!GetFileAttributesExA(word.c_str(), GetFileExInfoStandard, &data)) {
                Say("missing " + word);
                return;
            }
            entry.m_size = static_cast<std::int64_t>((std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
            link.m_totalSize += entry.m_size;
            link.m_entries.push_back(entry);
        }
        words >> word;
        if (link.m_entries.empty() || word.empty()) {
            Say("usage: send PATH... to EMAIL");
            return;
        }
        link.m_senderEmail = m_settings.GetMyEmail();
        link.m_senderName = m_settings.GetMyName();
        m_settings.GetUserId(link.m_senderUserId);
        link.m_recipientEmail = word.c_str();
        link.m_recipientName = word.substr(0, word.find('@')).c_str();
        link.m_subject = "files";
        link.m_message = "from the core peer";
        Say(m_transfers.SendOffer(link) ? "sent" : "sleeping");
    }

    CSettingsManager& m_settings;
    CTransferManager& m_transfers;
    CMainManager& m_manager;
    std::set<std::uint32_t> m_ids;
    std::map<std::uint32_t, std::int32_t> m_statuses;
};

} // namespace

int main(int argc, char** argv)
{
    SOptions options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: tarnix-corepeer [--folder DIR] [--downloads DIR] [--key KEY] [--email ADDRESS]\n");
        return 2;
    }
    SetMessageBoxHook(&PrintBox, nullptr);
    SSettingsLocation location;
    location.settingsKey = options.key.c_str();
    const std::string runKey = options.key + "Run\\";
    location.runKey = runKey.c_str();
    if (!options.folder.empty())
        location.xmlFolder = options.folder.c_str();
    {
        CSettingsManager settings(location);
        settings.SetLoadOnStartup(0);
        settings.SetMyEmail(options.email.c_str());
        settings.SetMyName(options.email.substr(0, options.email.find('@')).c_str());
        if (!options.downloads.empty()) {
            CreateDirectoryA(options.downloads.c_str(), nullptr);
            settings.SetDownloadLocation(options.downloads.c_str());
        }
        CMainManager manager;
        CTransferManager::SConfig config;
        config.settings = &settings;
        config.folder = options.folder.c_str();
        CPrintingTransferManager transfers(config);
        CPeer peer(settings, transfers, manager);
        manager.SetUserInterface(&peer);
        // The program's own start: system contacts, download folder, a pending link, connect.
        manager.Init(settings, transfers);
        CCommandReader commands;
        bool running = true;
        while (running) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            peer.Drain();
            std::string line;
            while (running && commands.Take(line))
                running = peer.Run(line);
        }
        // The engine stops first, as the program's exit does: its sessions end and the records
        // hear of it before the transfer manager goes.
        if (CTransportManagerThread* engine = CTransportManagerThread::Instance()) {
            engine->RequestStop();
            (void)engine->Wait(sti::WAIT_INFINITE); // ends only when the thread has
        }
        peer.Drain();
        manager.SetUserInterface(nullptr);
        Say("quit");
    }
    return 0;
}
