// The hand-off from another copy of the program: the section is one per prefix, so this program
// holds the display lock that the browser control's hand-off tests hold too.

#include <cstring>

#include <gtest/gtest.h>

#include "app/TransferingFile.h"
#include "support/CoreTestSupport.h"
#include "support/ManagerTestSupport.h"
#include "ui/portable/HandOffText.h"

using namespace managertest;

namespace {

// The section as the first copy of the program makes it, written through a view of its own.
class CSection {
public:
    CSection()
    {
        m_handle =
            ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kHandOffSectionSize, kHandOffName);
        m_view = static_cast<char*>(::MapViewOfFile(m_handle, FILE_MAP_WRITE, 0, 0, kHandOffSectionSize));
    }
    ~CSection()
    {
        ::UnmapViewOfFile(m_view);
        ::CloseHandle(m_handle);
    }
    void Fill(char c) { std::memset(m_view, c, kHandOffSectionSize); }
    void Write(const CString& text) { std::memcpy(m_view, text.GetString(), text.GetLength() + 1); }
    bool Valid() const { return m_view != nullptr; }

private:
    HANDLE m_handle;
    char* m_view;
};

} // namespace

TEST_F(UIManagerTest, AHandedOverLinkOpensOnlyWhenItsLengthAndZeroFitTheSection)
{
    CSection section;
    ASSERT_TRUE(section.Valid());
    int opened = 0;
    const auto count = [&] {
        Tick();
        int uploads = 0, downloads = 0;
        ui->GetItemCounts(uploads, downloads);
        return downloads;
    };

    const CString url = coretest::LinkOf({coretest::Entry(0, "handed.txt", 10, CString(), 20)}).BuildLinkURL();
    section.Write(url);
    for (LPARAM length : {LPARAM(-1), LPARAM(0), LPARAM(kHandOffSectionSize), LPARAM(100000)})
        ui->OnLinkFromOtherInstance(length);
    EXPECT_EQ(0, count()) << "a length the section cannot hold, or too short for the zero";
    EXPECT_EQ(0, window->Count("from tray"));

    ui->OnLinkFromOtherInstance(url.GetLength());
    EXPECT_EQ(++opened, count());
    EXPECT_EQ(1, window->Count("from tray"));

    // Every byte up to the end of the section counts; the zero must be among them.
    const CString longest = coretest::LinkOf({coretest::Entry(0, "longest.txt", 10, CString(), 21)}).BuildLinkURL();
    section.Fill('x');
    section.Write(longest);
    ui->OnLinkFromOtherInstance(kHandOffSectionSize - 1);
    EXPECT_EQ(++opened, count()) << "a shorter text than announced still fits";
    section.Fill('h');
    ui->OnLinkFromOtherInstance(kHandOffSectionSize - 1);
    EXPECT_EQ(opened, count()) << "no zero in the section";
    EXPECT_EQ(2, window->Count("from tray"));
}
