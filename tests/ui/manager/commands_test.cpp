// The manager's commands on the selected rows: which question they ask, and that they act on the
// records that were selected when they asked; links opened from text and resent by recipient;
// files opened through the shell.

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include "app/TransferingFile.h"
#include "framework/MessageBox.h"
#include "support/CoreTestSupport.h"
#include "support/ManagerTestSupport.h"
#include "ui/ShellOpen.h"
#include "ui/res/ui_ids.h"
#include "window/ModalDriver.h"
#include "window/RegistryValueScope.h"

using namespace managertest;
using windowtest::CModalDriver;

namespace {

// Runs `during` inside the next message box, then answers it.
class CBoxAction {
public:
    CBoxAction(std::function<void()> during, int answer) : m_during(std::move(during)), m_answer(answer)
    {
        SetMessageBoxHook(&Box, this);
    }
    ~CBoxAction() { SetMessageBoxHook(nullptr, nullptr); }

    std::vector<std::string> texts;

private:
    static int Box(const char* text, UINT, void* context)
    {
        auto* self = static_cast<CBoxAction*>(context);
        self->texts.push_back(text);
        self->m_during();
        return self->m_answer;
    }

    std::function<void()> m_during;
    int m_answer;
};

bool Contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

// A program the shell started writes it: nothing wakes the message queue.
bool AppearsWithin(const CString& path, DWORD milliseconds)
{
    for (const DWORD start = ::GetTickCount(); !coretest::Exists(path); ::Sleep(20)) {
        if (::GetTickCount() - start > milliseconds)
            return false;
    }
    return true;
}

} // namespace

TEST_F(UIManagerTest, CancelAsksByWhatIsSelectedAndCancelsTheRecordsSelectedThen)
{
    const std::vector<std::uint32_t> dl = Receive({"a.txt", "b.txt", "c.txt"}, 4);
    const std::uint32_t ul = Send({"u.txt"}, "", 5)[0];
    Tick();

    answers = {IDNO, IDNO, IDNO};
    for (const std::vector<std::uint32_t>& selection : {std::vector<std::uint32_t>{dl[0]}, {ul}, {dl[0], ul}}) {
        Select(selection);
        ui->OnCancel();
    }
    EXPECT_EQ((std::vector<std::string>{StringText(IDS_CANCEL_RECEIVING), StringText(IDS_CANCEL_SENDING),
                                        StringText(IDS_CANCEL_SEVERAL)}),
              boxes);
    EXPECT_EQ(FS_CONNECTING, CoreStatus(dl[0])) << "No cancels nothing";

    // Nothing selected: no question, but the rows are brought up to date.
    Select({});
    ASSERT_TRUE(transfers->Registry().SetStatus(dl[1], FS_PAUSED));
    ui->OnCancel();
    EXPECT_EQ(3u, boxes.size());
    EXPECT_EQ(FS_PAUSED, ui->GetTransferAt(kDownloadRows, 1)->m_fileStatus);

    // While the box is open the first row goes: the others move up under the positions selected.
    Select({dl[1], dl[2]});
    {
        CBoxAction removeFirst(
            [&] {
                ASSERT_TRUE(transfers->Registry().Remove(dl[0]));
                Tick();
            },
            IDYES);
        ui->OnCancel();
    }
    EXPECT_EQ(-1, CoreStatus(dl[1]));
    EXPECT_EQ(-1, CoreStatus(dl[2]));
    EXPECT_NE(-1, CoreStatus(ul)) << "the upload is not touched";
    int uploads = 0, downloads = 0;
    ui->GetItemCounts(uploads, downloads);
    EXPECT_EQ(1, uploads);
    EXPECT_EQ(0, downloads);
}

TEST_F(UIManagerTest, CleaningTakesOnlyWhatTheCoreReportedCompleted)
{
    const std::vector<std::uint32_t> dl = Receive({"done.txt", "whole.txt"}, 6);
    ASSERT_TRUE(transfers->Registry().SetStatus(dl[0], FS_COMPLETED));
    Tick();
    // Every byte is there, but the core has not finished the file.
    CMainManager::PushUIEvent(SUIEvent::Progress(dl[1], FS_RECEIVING, 10, 10, 0));
    Tick();
    ui->OnCleanCompleted();
    EXPECT_EQ(-1, CoreStatus(dl[0]));
    EXPECT_NE(-1, CoreStatus(dl[1]));

    Select({dl[1]});
    ui->OnPause();
    EXPECT_EQ(FS_PAUSED, CoreStatus(dl[1]));
    ui->OnResume();
    EXPECT_NE(FS_PAUSED, CoreStatus(dl[1]));
}

TEST_F(UIManagerTest, LinkTextsOpenAsLinksOrLinkFiles)
{
    const CLinkFileEntry entry = coretest::Entry(0, "linked.txt", 10, CString(), 7);
    const CString url = coretest::LinkOf({entry}).BuildLinkURL();
    ui->OpenLinkText(url);
    CString upper = url;
    upper.MakeUpper(); // "HTTP:" is a file name, and no such file exists
    ui->OpenLinkText(upper);
    ui->OpenLinkText(folder / "missing.tnl");
    const CLinkFileEntry fromFile = coretest::Entry(0, "filed.txt", 10, CString(), 8);
    coretest::WriteFileBytes(folder / "offer.tnl", coretest::LinkOf({fromFile}).BuildLinkURL().str() + "\r\n");
    ui->OpenLinkText(folder / "offer.tnl");
    Tick();
    int uploads = 0, downloads = 0;
    ui->GetItemCounts(uploads, downloads);
    ASSERT_EQ(2, downloads);
    EXPECT_EQ("linked.txt", ui->GetTransferAt(kDownloadRows, 0)->m_shortName.str());
    EXPECT_EQ("filed.txt", ui->GetTransferAt(kDownloadRows, 1)->m_shortName.str());
}

TEST_F(UIManagerTest, ResentFilesGoOnlyToWhomTheyWereOfferedAndTheUnaddressedToOneAskedAddress)
{
    const std::vector<std::uint32_t> carol = Send({"a.txt", "b.txt"}, "carol@test.example", 10);
    const std::uint32_t dave = Send({"c.txt"}, "dave@test.example", 11)[0];
    const std::uint32_t copied = Send({"d.txt"}, "", 12)[0];
    const std::uint32_t other = Send({"e.txt"}, "", 13)[0];
    Tick();
    const std::size_t before = service.Mails().size();

    Select({carol[0], dave, copied, carol[1], other});
    {
        CModalDriver answer("#32770", [](HWND page) {
            ::SetDlgItemTextA(page, 1049, "erin@test.example");
            windowtest::PostCommand(page, IDOK);
        });
        ui->OnResendLink();
        EXPECT_TRUE(answer.Done()) << "the address is asked once";
    }
    std::vector<std::string> mails = service.Mails();
    mails.erase(mails.begin(), mails.begin() + static_cast<std::ptrdiff_t>(before));
    ASSERT_EQ(3u, mails.size());
    EXPECT_TRUE(Contains(mails[0], "carol") && Contains(mails[0], "a.txt") && Contains(mails[0], "b.txt"));
    EXPECT_TRUE(Contains(mails[1], "dave") && Contains(mails[1], "c.txt") && !Contains(mails[1], "carol"));
    EXPECT_TRUE(Contains(mails[2], "erin") && Contains(mails[2], "d.txt") && Contains(mails[2], "e.txt"));
    const STransferRef ref = ui->FindItem(copied);
    EXPECT_EQ("erin@test.example", ui->GetTransferAt(ref.kind, ref.index)->m_userEmail.str());
    EXPECT_EQ("dave@test.example", ui->GetTransferAt(kUploadRows, ui->FindItem(dave).index)->m_userEmail.str());

    // Cancel on the question leaves the unaddressed rows out.
    const std::uint32_t last = Send({"f.txt"}, "", 14)[0];
    Tick();
    Select({last});
    {
        CModalDriver cancel("#32770", [](HWND page) { windowtest::PostCommand(page, IDCANCEL); });
        ui->OnResendLink();
    }
    EXPECT_EQ(before + 3, service.Mails().size());
}

TEST_F(UIManagerTest, FilesWindowsRunsAsProgramsAreOpenedOnlyAfterYes)
{
    const CString recorder = RecorderPath();
    const std::vector<std::uint32_t> ids = Send({"x.exe", "x.scr", "x.bat", "y.tnxopen"}, "", 15);
    for (const char* program : {"x.exe", "x.scr"})
        ASSERT_TRUE(::CopyFileA(recorder, folder / program, FALSE));
    coretest::WriteFileBytes(folder / "x.bat", "echo ran > \"" + (folder / "opened.txt").str() + "\"\r\n");
    Tick();

    answers = {IDNO, IDNO, IDNO};
    for (int i = 0; i < 3; ++i)
        ui->OpenFile(kUploadRows, ui->FindItem(ids[static_cast<std::size_t>(i)]).index);
    EXPECT_EQ(std::vector<std::string>(3, kRunProgramQuestion), boxes);
    EXPECT_FALSE(AppearsWithin(folder / "opened.txt", 300)) << "No starts nothing";

    // The test's own type opens through its registered command: the recorder, in the file's folder.
    windowtest::CRegistryValueScope type(HKEY_LOCAL_MACHINE, "Software\\Classes\\.tnxopen", "", "TarnixOpenTest");
    const CString command = "\"" + (folder / "x.exe") + "\" \"%1\"";
    windowtest::CRegistryValueScope open(HKEY_LOCAL_MACHINE, "Software\\Classes\\TarnixOpenTest\\shell\\open\\command",
                                         "", command);
    ui->OpenFile(kUploadRows, ui->FindItem(ids[3]).index);
    EXPECT_EQ(3u, boxes.size()) << "no question for a document";
    ASSERT_TRUE(AppearsWithin(folder / "opened.txt", 10000));
    const std::string opened = coretest::ReadFileBytes(folder / "opened.txt");
    EXPECT_EQ(0, CString(opened.substr(0, opened.find('\n'))).CompareNoCase(folder.Path())) << opened;
    EXPECT_TRUE(Contains(opened, "y.tnxopen")) << opened;
    ::DeleteFileA(folder / "opened.txt");

    answers = {IDYES};
    ui->OpenFile(kUploadRows, ui->FindItem(ids[0]).index);
    ASSERT_TRUE(AppearsWithin(folder / "opened.txt", 10000));
    for (const char* key : {"Software\\Classes\\TarnixOpenTest", "Software\\Classes\\.tnxopen"})
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
}
