// Winsock before windows.h.
#include "support/HttpResponder.h"

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/HttpDownloader.h"
#include "app/InternetEnvironment.h"
#include "framework/MessageBox.h"

namespace {

// Records what the controller forwards, as the progress dialog would see it.
class CRecorder : public IHttpDownloadCallback {
public:
    void OnStart(DWORD total, DWORD& present) override
    {
        Add([&] {
            m_total = total;
            m_present = present;
        });
    }
    void OnDone(bool success) override
    {
        Add([&] { m_done = success ? 1 : 0; });
    }
    void OnData(DWORD offset, DWORD length, const void*) override
    {
        Add([&] {
            if (offset != m_next)
                m_gaps++;
            m_next = offset + length;
            m_blocks++;
        });
    }
    void OnError(int code) override
    {
        Add([&] { m_errors.push_back(code); });
    }

    // Until OnDone or an error. An OnDone behind the error has come once the controller that
    // waits for its worker is gone.
    bool WaitEnd(int seconds = 20)
    {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, std::chrono::seconds(seconds),
                                  [&] { return m_done >= 0 || !m_errors.empty(); });
    }
    bool WaitBlocks(int count)
    {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, std::chrono::seconds(20), [&] { return m_blocks >= count; });
    }
    int Blocks()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_blocks;
    }

    DWORD m_total = 0, m_present = 0, m_next = 0;
    int m_done = -1, m_gaps = 0, m_blocks = 0;
    std::vector<int> m_errors;

private:
    template <class F>
    void Add(F change)
    {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            change();
        }
        m_changed.notify_all();
    }
    std::mutex m_lock;
    std::condition_variable m_changed;
};

// Connected, and an error dialog that answers as scripted without a window.
class CFakeInternet : public IInternetEnvironment {
public:
    bool IsConnected() override { return connected; }
    DWORD ErrorDialog(HWND, HINTERNET, DWORD error, DWORD) override
    {
        errors.push_back(error);
        return retries-- > 0 ? ERROR_INTERNET_FORCE_RETRY : ERROR_SUCCESS;
    }
    bool connected = true;
    int retries = 0;
    std::vector<DWORD> errors;
};

int RecordBox(const char* text, UINT type, void* context)
{
    static_cast<std::vector<std::string>*>(context)->push_back(std::string(text) + "|" + std::to_string(type));
    return IDOK;
}

std::string Pattern(size_t size)
{
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
    return data;
}

class HttpDownload : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetInternetEnvironment(&m_internet);
        SetMessageBoxHook(&RecordBox, &m_boxes);
        char folder[MAX_PATH];
        GetTempPathA(MAX_PATH, folder);
        m_target = std::string(folder) + "TarnixInstall-" + std::to_string(GetCurrentProcessId()) + ".exe";
        DeleteFileA(m_target.c_str());
    }
    void TearDown() override
    {
        SetMessageBoxHook(nullptr, nullptr);
        SetInternetEnvironment(nullptr);
        DeleteFileA(m_target.c_str());
    }
    std::string Url(const CHttpResponder& responder, const char* path = "/update/TarnixInstall.exe")
    {
        return "http://127.0.0.1:" + std::to_string(responder.Port()) + path;
    }
    // Runs one download to its end against the answer.
    void Fetch(SHttpAnswer answer)
    {
        CHttpResponder responder(std::move(answer));
        CHttpDownloader downloader(Url(responder).c_str(), m_target.c_str(), m_recorder);
        ASSERT_TRUE(downloader.Start());
        ASSERT_TRUE(m_recorder.WaitEnd());
    }
    std::string TargetBytes()
    {
        std::ifstream in(m_target, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool TargetExists() { return GetFileAttributesA(m_target.c_str()) != INVALID_FILE_ATTRIBUTES; }
    void ExpectReportedFailure()
    {
        EXPECT_EQ(m_recorder.m_errors, std::vector<int>{DOWNLOAD_ERROR_REPORTED});
        ASSERT_EQ(m_boxes.size(), 1u);
        EXPECT_EQ(m_boxes[0].rfind("Error in Auto Update\nAn error occured while trying to check for updates.", 0), 0u);
        EXPECT_NE(m_boxes[0].find("|" + std::to_string(MB_ICONSTOP)), std::string::npos);
        EXPECT_FALSE(TargetExists());
    }

    CFakeInternet m_internet;
    CRecorder m_recorder;
    std::vector<std::string> m_boxes;
    std::string m_target;
};

} // namespace

TEST_F(HttpDownload, ExactLengthOverAnOldLongerFileIsByteExactFromByteZero)
{
    std::ofstream(m_target, std::ios::binary) << std::string(300000, 'x');
    std::string body = Pattern(100000);
    Fetch({HttpHead("200 OK", "100000"), body, 7000, 0});
    EXPECT_EQ(m_recorder.m_done, 1);
    EXPECT_EQ(m_recorder.m_total, 100000u);
    EXPECT_EQ(m_recorder.m_present, 0u);
    EXPECT_EQ(m_recorder.m_gaps, 0);
    EXPECT_EQ(m_recorder.m_next, 100000u);
    EXPECT_TRUE(m_recorder.m_errors.empty());
    EXPECT_TRUE(TargetBytes() == body);
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(HttpDownload, ABodyLongerThanAnnouncedGivesOnlyTheAnnouncedBytes)
{
    std::string body = Pattern(90000);
    Fetch({HttpHead("200 OK", "40000"), body});
    EXPECT_EQ(m_recorder.m_done, 1);
    EXPECT_EQ(m_recorder.m_next, 40000u);
    EXPECT_TRUE(TargetBytes() == body.substr(0, 40000));
}

TEST_F(HttpDownload, AnswerOtherThan200IsReportedAndLeavesNoFile)
{
    std::ofstream(m_target, std::ios::binary) << "old";
    Fetch({HttpHead("404 Not Found", "5"), "nope!"});
    ExpectReportedFailure();
    EXPECT_EQ(m_recorder.m_done, -1);
}

TEST_F(HttpDownload, ContentLengthMustBeAPlainNumberFromOneUp)
{
    for (const char* length : {"", "abc", "0", "-5", "99999999999", "4294967296", "12x"}) {
        SCOPED_TRACE(length);
        m_recorder.m_errors.clear();
        m_boxes.clear();
        Fetch({HttpHead("200 OK", length), "hello"});
        ExpectReportedFailure();
        EXPECT_EQ(m_recorder.m_done, -1);
    }
}

TEST_F(HttpDownload, ATargetThatCannotBeOpenedIsReportedAndNeverDone)
{
    const std::string target = m_target;
    m_target += ".missing\\TarnixInstall.exe"; // in a folder that does not exist
    Fetch({HttpHead("200 OK", "5"), "hello"});
    EXPECT_EQ(m_recorder.m_total, 5u);
    ExpectReportedFailure();
    EXPECT_EQ(m_recorder.m_done, -1);

    // Held by a program that shares nothing: its bytes are left alone.
    m_target = target;
    m_recorder.m_errors.clear();
    m_boxes.clear();
    HANDLE holder = CreateFileA(m_target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(holder, "mine", 4, &written, nullptr);
    Fetch({HttpHead("200 OK", "5"), "hello"});
    CloseHandle(holder);
    EXPECT_EQ(m_recorder.m_errors, std::vector<int>{DOWNLOAD_ERROR_REPORTED});
    EXPECT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_recorder.m_done, -1);
    EXPECT_EQ(TargetBytes(), "mine");
}

TEST_F(HttpDownload, ABodyThatEndsEarlyIsNoSuccessAndLeavesNoFile)
{
    Fetch({HttpHead("200 OK", "100000"), Pattern(50000)});
    EXPECT_EQ(m_recorder.m_done, 0);
    EXPECT_EQ(m_recorder.m_next, 50000u);
    EXPECT_FALSE(TargetExists());
}

TEST_F(HttpDownload, AQueryIsNotSent)
{
    CHttpResponder responder({HttpHead("200 OK", "3"), "abc"});
    CHttpDownloader downloader(Url(responder, "/get/TarnixInstall.exe?version=2&lang=en").c_str(), m_target.c_str(),
                               m_recorder);
    ASSERT_TRUE(downloader.Start());
    ASSERT_TRUE(m_recorder.WaitEnd());
    EXPECT_EQ(responder.Requests(), std::vector<std::string>{"GET /get/TarnixInstall.exe HTTP/1.0"});
    EXPECT_EQ(TargetBytes(), "abc");
}

TEST_F(HttpDownload, CancelStopsReadingWithinOneBlock)
{
    CHttpResponder responder({HttpHead("200 OK", "10000000"), Pattern(10000000), 32768, 50});
    CHttpDownloader downloader(Url(responder).c_str(), m_target.c_str(), m_recorder);
    ASSERT_TRUE(downloader.Start());
    ASSERT_TRUE(m_recorder.WaitBlocks(3));
    downloader.Cancel();
    int atCancel = m_recorder.Blocks();
    ASSERT_TRUE(m_recorder.WaitEnd());
    EXPECT_FALSE(downloader.IsStarted());
    EXPECT_EQ(m_recorder.m_done, 0);
    EXPECT_LE(m_recorder.Blocks(), atCancel + 1);
    EXPECT_FALSE(TargetExists());
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(HttpDownload, StopEndsAWorkerWaitingOnASilentServerInTime)
{
    CHttpResponder responder({"", "", 0, 0, true});
    auto started = std::chrono::steady_clock::now();
    {
        CHttpDownloader downloader(Url(responder).c_str(), m_target.c_str(), m_recorder);
        ASSERT_TRUE(downloader.Start());
        ASSERT_TRUE(responder.WaitForRequest(10000));
        started = std::chrono::steady_clock::now();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started,
              std::chrono::milliseconds(CHttpDownloader::STOP_WAIT_MS + 1500));
    EXPECT_FALSE(TargetExists());
}

TEST_F(HttpDownload, RefusedConnectionIsRetriedOnlyWhenTheDialogAsks)
{
    // Nothing listens on port 1 of the loopback.
    m_internet.retries = 1;
    {
        CHttpDownloader downloader("http://127.0.0.1:1/x.exe", m_target.c_str(), m_recorder);
        ASSERT_TRUE(downloader.Start());
        ASSERT_TRUE(m_recorder.WaitEnd());
    }
    EXPECT_EQ(m_internet.errors.size(), 2u);
    ExpectReportedFailure();
    // Without a connection nothing is tried and nothing is shown.
    m_internet.connected = false;
    m_recorder.m_errors.clear();
    m_boxes.clear();
    CHttpDownloader offline("http://127.0.0.1:1/x.exe", m_target.c_str(), m_recorder);
    ASSERT_TRUE(offline.Start());
    ASSERT_TRUE(m_recorder.WaitEnd());
    EXPECT_EQ(m_recorder.m_errors, std::vector<int>{DOWNLOAD_ERROR_SILENT});
    EXPECT_TRUE(m_boxes.empty());
}
