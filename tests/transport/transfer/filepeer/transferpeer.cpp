// tarnix-transferpeer: one copy's transfer engine without the windows, for the end-to-end
// tests and the transfer benchmark. It logs in to the messaging server as the given user,
// offers files by id and/or downloads one file from a peer, and reads commands from its
// standard input ("pause", "resume", "cancel", "quit"; for an uploader "pause-offers",
// "resume-offers", "cancel-offers", and "complete-offers", which closes its sessions as
// completed whatever the downloader has, as a lying peer would).
//
//   tarnix-transferpeer --server HOST[:PORT] --user HEX32 [--local-port P]
//       [--offer FILEID=PATH]... [--download PEER FILEID PATH] [--timeout-ms T]
//       [--announce FILEID=NAME]... [--list-all]
// (--announce: the name told for an offered file, hostile names included; --list-all: every
// answer lists the other offered files after the one asked for.)
//
// Lines on stdout: "online" once logged in; for a download one final line
// "ok bytes=N ms=T mbps=X cpu_s=C" or "fail <reason> bytes=N" (exit code 0 only on ok);
// "closed <by> <reason>" whenever a session of this copy ends; "interrupted bytes=N" when a
// download's session ended without an end of the download (it starts again by itself).

#include "FileRecords.h"
#include "PeerPlatform.h"

#include "infra/os/Clock.h"
#include "messaging/KV2Service.h"
#include "transport/transfer/CloseReason.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace filepeer;

namespace {

struct SOptions {
    std::string Host = "127.0.0.1";
    std::uint16_t Port = 1864;
    FileId User;
    std::uint16_t LocalPort = 0;
    std::map<FileId, std::string> Offers;
    filepeer::SAnnouncement Announcement;
    bool Download = false;
    FileId Peer;
    FileId File;
    std::string Path;
    std::uint64_t TimeoutMs = 600000;
};

bool ParsePort(const std::string& text, std::uint16_t& port)
{
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value > 65535) {
        return false;
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

bool ParseOptions(int argc, char** argv, SOptions& options, std::string& error)
{
    bool haveUser = false;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        auto next = [&](std::string& value) {
            if (i + 1 >= argc) {
                error = name + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        std::string value;
        if (name == "--server") {
            if (!next(value)) {
                return false;
            }
            const std::size_t colon = value.rfind(':');
            options.Host = value.substr(0, colon);
            if (colon != std::string::npos && !ParsePort(value.substr(colon + 1), options.Port)) {
                error = "bad port in --server";
                return false;
            }
        } else if (name == "--user") {
            if (!next(value) || !ParseId(value, options.User)) {
                error = "--user needs 32 hexadecimal digits";
                return false;
            }
            haveUser = true;
        } else if (name == "--local-port") {
            if (!next(value) || !ParsePort(value, options.LocalPort)) {
                error = "bad --local-port";
                return false;
            }
        } else if (name == "--offer") {
            FileId id;
            if (!next(value) || value.size() < 34 || value[32] != '=' || !ParseId(value.substr(0, 32), id)) {
                error = "--offer needs FILEID=PATH";
                return false;
            }
            options.Offers[id] = value.substr(33);
        } else if (name == "--announce") {
            FileId id;
            if (!next(value) || value.size() < 34 || value[32] != '=' || !ParseId(value.substr(0, 32), id)) {
                error = "--announce needs FILEID=NAME";
                return false;
            }
            options.Announcement.Names[id] = value.substr(33);
        } else if (name == "--list-all") {
            options.Announcement.ListAll = true;
        } else if (name == "--download") {
            std::string peer, file;
            if (!next(peer) || !next(file) || !next(options.Path) || !ParseId(peer, options.Peer) ||
                !ParseId(file, options.File)) {
                error = "--download needs PEER FILEID PATH";
                return false;
            }
            options.Download = true;
        } else if (name == "--timeout-ms") {
            if (!next(value)) {
                return false;
            }
            options.TimeoutMs = std::strtoull(value.c_str(), nullptr, 10);
        } else {
            error = "unknown switch " + name;
            return false;
        }
    }
    if (!haveUser) {
        error = "--user is required";
        return false;
    }
    return true;
}

void Say(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// A command the service cannot take is said, so the driving script sees it was lost.
void Posted(Status status)
{
    if (status != ST_SUCCESS)
        Say(std::string("fail post ") + StatusText(status));
}

// The application's side of the service: accepts every connect request and serves the
// offered files from a fresh upload record per session.
class CEvents : public KV2Service::CKV2Service::CKV2ServiceEvents {
public:
    CEvents(const std::map<FileId, std::string>& offers, const filepeer::SAnnouncement& announcement)
        : m_offers(offers), m_announcement(announcement)
    {}

    void OnKeepAliveReply(std::uint32_t) override {}
    void OnStatusChanged(std::uint8_t status) override { m_status = status; }
    void OnServerNotice(std::uint8_t) override {}
    bool OnPeerRequest(std::uint32_t, const std::uint8_t*, std::uint32_t) override { return !m_offers.empty(); }
    IUploadCallback* GetUploadCallback(std::uint32_t) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_uploads.push_back(std::make_unique<CFileUpload>(m_offers, m_announcement));
        m_uploads.back()->SetPaused(m_paused);
        m_uploads.back()->AddRef(); // the reference the service's message carries
        return m_uploads.back().get();
    }
    void OnCommand35(std::uint32_t, bool) override {}

    bool Online() const { return m_status.load() == KV2Service::CKV2Service::STATUS_ONLINE; }
    void SetPaused(bool paused)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_paused = paused;
        for (auto& upload : m_uploads) {
            upload->SetPaused(paused);
        }
    }
    // Upload sessions that ended since the last call, as "by reason".
    std::vector<std::string> TakeClosed()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        std::vector<std::string> closed;
        for (std::size_t i = 0; i < m_uploads.size(); ++i) {
            const int count = m_uploads[i]->State().CloseCount();
            if (m_reported.size() <= i) {
                m_reported.resize(i + 1, 0);
            }
            if (count > m_reported[i]) {
                m_reported[i] = count;
                closed.push_back(std::to_string(m_uploads[i]->State().ClosedBy()) + " " +
                                 std::to_string(m_uploads[i]->State().ClosedReason()));
            }
        }
        return closed;
    }

private:
    const std::map<FileId, std::string> m_offers;
    const filepeer::SAnnouncement m_announcement;
    std::atomic<int> m_status{0};
    std::mutex m_lock;
    bool m_paused = false;
    // Records live to the end of the program: the engine may hold them until its thread stops.
    std::vector<std::unique_ptr<CFileUpload>> m_uploads;
    std::vector<int> m_reported;
};

// Commands from standard input, taken by the main loop.
class CCommandReader {
public:
    CCommandReader()
    {
        std::thread([this] {
            std::string line;
            while (std::getline(std::cin, line)) {
                while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
                    line.pop_back();
                }
                std::lock_guard<std::mutex> guard(m_lock);
                m_lines.push_back(line);
            }
        }).detach();
    }
    bool Take(std::string& line)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_lines.empty()) {
            return false;
        }
        line = m_lines.front();
        m_lines.pop_front();
        return true;
    }

private:
    std::mutex m_lock;
    std::deque<std::string> m_lines;
};

} // namespace

int main(int argc, char** argv)
{
    SOptions options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "tarnix-transferpeer: %s\n", error.c_str());
        return 2;
    }

    KV2Service::SServiceSettings settings;
    settings.Host = options.Host;
    settings.Port = options.Port;
    // Leaked on purpose: the service is a thread that the thread manager stops at exit.
    auto* service = new KV2Service::CKV2Service(settings);
    CEvents events(options.Offers, options.Announcement);
    if (!service->Start(&events, options.User.data(), options.LocalPort, false) || !service->Connect()) {
        Say("fail start bytes=0");
        return 1;
    }

    std::unique_ptr<CFileDownload> download;
    if (options.Download) {
        download = std::make_unique<CFileDownload>(options.Path);
    }
    CCommandReader commands;
    const std::uint64_t started = STI_OS::GetClock();
    std::uint64_t firstByteAt = 0;
    std::uint64_t haveAtStart = download ? download->Have() : 0;
    bool announced = false;
    bool posted = false;
    int reportedDownloadCloses = 0;
    int result = -1;

    while (result < 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const std::uint64_t now = STI_OS::GetClock();
        if (!announced && events.Online()) {
            announced = true;
            Say("online");
        }
        if (download && !posted && events.Online()) {
            posted = service->PostStartDownload(options.File.data(), options.Peer.data(), download.get()) == ST_SUCCESS;
        }
        std::string line;
        while (commands.Take(line)) {
            if (line == "quit") {
                result = download ? 1 : 0;
            } else if (line == "pause" && download) {
                Posted(service->PostDownloadCommand(options.File.data(), CLOSE_REASON_PAUSED));
            } else if (line == "resume" && download) {
                posted = false;
            } else if (line == "cancel" && download) {
                Posted(service->PostDownloadCommand(options.File.data(), CLOSE_REASON_CANCELED));
            } else if (line == "pause-offers") {
                events.SetPaused(true);
                for (const auto& offer : options.Offers) {
                    Posted(service->PostUploadCommand(offer.first.data(), CLOSE_REASON_PAUSED));
                }
            } else if (line == "resume-offers") {
                events.SetPaused(false);
            } else if (line == "cancel-offers" || line == "complete-offers") {
                const std::uint32_t reason = line == "cancel-offers" ? CLOSE_REASON_CANCELED : CLOSE_REASON_COMPLETED;
                for (const auto& offer : options.Offers) {
                    Posted(service->PostUploadCommand(offer.first.data(), reason));
                }
            }
            Say("command " + line);
        }
        for (const std::string& closed : events.TakeClosed()) {
            Say("closed " + closed);
        }
        if (download) {
            if (firstByteAt == 0 && download->Have() > haveAtStart) {
                firstByteAt = now;
            }
            const int closes = download->State().CloseCount();
            if (closes > reportedDownloadCloses) {
                reportedDownloadCloses = closes;
                const int reason = download->State().ClosedReason();
                Say("closed " + std::to_string(download->State().ClosedBy()) + " " + std::to_string(reason));
                if (reason == CLOSE_REASON_CANCELED || reason == CLOSE_REASON_FILE_NOT_FOUND ||
                    reason == CLOSE_REASON_NO_SESSION || reason == CLOSE_REASON_FILE_ERROR) {
                    Say("fail closed-" + std::to_string(reason) + " bytes=" + std::to_string(download->Have()));
                    result = 1;
                } else if (reason == CLOSE_REASON_NO_REASON || reason == CLOSE_REASON_NETWORK_ERROR) {
                    Say("interrupted bytes=" + std::to_string(download->Have()));
                }
            }
            if (download->IsComplete()) {
                const std::uint64_t bytes = download->Size();
                const std::uint64_t from = firstByteAt != 0 ? firstByteAt : started;
                const double seconds = static_cast<double>(now - from) / 1000.0;
                char text[160];
                std::snprintf(text, sizeof text, "ok bytes=%llu ms=%llu mbps=%.2f cpu_s=%.2f",
                              static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(now - from),
                              seconds > 0 ? static_cast<double>(bytes - haveAtStart) / 1e6 / seconds : 0.0,
                              ProcessCpuSeconds());
                Say(text);
                result = 0;
            } else if (!download->Error().empty()) {
                Say("fail " + download->Error() + " bytes=" + std::to_string(download->Have()));
                result = 1;
            }
        }
        if (result < 0 && now - started > options.TimeoutMs) {
            Say("fail timeout bytes=" + std::to_string(download ? download->Have() : 0));
            result = 1;
        }
    }
    if (download) {
        download->Flush();
        // The session's last message (the cancel, the completion) is still on its way to the
        // peer: give the engine time to let the record go and the transport to deliver it.
        for (int i = 0; i < 100 && download->State().Refs() > 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    }
    std::fflush(stdout);
    // The engine may still hold the records: leave without running their destructors.
    std::_Exit(result);
}
