#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "framework/File.h"

namespace {

// A file name of this test's own in the temporary folder, removed again at the end.
class TempFile {
public:
    explicit TempFile(const char* name)
    {
        char dir[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, dir);
        m_path.Format("%sframework_%lu_%s", dir, GetCurrentProcessId(), name);
        DeleteFileA(m_path);
    }
    ~TempFile() { DeleteFileA(m_path); }
    const char* Path() const { return m_path; }

private:
    CString m_path;
};

} // namespace

TEST(CFile, SeeksAndSizesBeyondFourGigabytes)
{
    TempFile temp("large.bin");
    CFile file(temp.Path(), CFile::modeReadWrite | CFile::modeCreate | CFile::shareExclusive);
    const std::uint64_t beyond = 5000000000ULL;
    file.SetLength(beyond);
    EXPECT_EQ(beyond, file.GetLength());
    EXPECT_EQ(beyond, file.SeekToEnd());
    EXPECT_EQ(beyond - 10, file.Seek(-10, CFile::current));
    file.Write("tail", 4);
    EXPECT_EQ(beyond - 6, file.GetPosition());
    EXPECT_EQ(beyond - 10, file.Seek(static_cast<std::int64_t>(beyond - 10), CFile::begin));
    char back[4] = {};
    EXPECT_EQ(4u, file.Read(back, 4));
    EXPECT_EQ(std::string("tail"), std::string(back, 4));
    file.SetLength(16);
    EXPECT_EQ(16u, file.GetLength());
    file.Close();
    EXPECT_FALSE(file.IsOpen());
}

TEST(CFile, FailuresCarryTheCauseThePlatformErrorAndTheName)
{
    TempFile temp("missing.bin");
    try {
        CFile file(temp.Path(), CFile::modeRead);
        FAIL() << "opening a missing file must throw";
    } catch (const CFileException& e) {
        EXPECT_EQ(CFileException::fileNotFound, e.GetCause());
        EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), e.GetOsError());
        EXPECT_EQ(CString(temp.Path()), e.GetFileName());
        EXPECT_NE(nullptr, std::strstr(e.what(), "not found"));
    }

    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(temp.Path(), CFile::modeRead, &error));
    EXPECT_EQ(CFileException::fileNotFound, error.GetCause());

    char byte;
    try {
        file.Read(&byte, 1);
        FAIL() << "reading a closed file must throw";
    } catch (const CFileException& e) {
        EXPECT_EQ(CFileException::invalidFile, e.GetCause());
    }
    EXPECT_THROW(file.Seek(0, CFile::begin), CFileException);
    EXPECT_THROW(file.GetLength(), CFileException);
    EXPECT_THROW(CFile::Remove(temp.Path()), CFileException);
}

TEST(CFile, ShareModesKeepOtherWritersOut)
{
    TempFile temp("shared.bin");
    CFile writer(temp.Path(), CFile::modeWrite | CFile::modeCreate | CFile::shareDenyWrite);
    writer.Write("abc", 3);

    CFile second;
    CFileException error;
    EXPECT_FALSE(second.Open(temp.Path(), CFile::modeWrite | CFile::shareDenyNone, &error));
    EXPECT_EQ(CFileException::sharingViolation, error.GetCause());
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), error.GetOsError());

    // A reader that lets others write may come in while the writer denies only writing.
    CFile reader;
    EXPECT_TRUE(reader.Open(temp.Path(), CFile::modeRead | CFile::shareDenyNone));
}

TEST(CFile, CreateTruncatesUnlessToldNotTo)
{
    TempFile temp("truncate.bin");
    {
        CFile file(temp.Path(), CFile::modeWrite | CFile::modeCreate);
        file.Write("keep me", 7);
    }
    {
        CFile file(temp.Path(), CFile::modeWrite | CFile::modeCreate | CFile::modeNoTruncate);
        EXPECT_EQ(7u, file.GetLength());
    }
    {
        CFile file(temp.Path(), CFile::modeWrite | CFile::modeCreate);
        EXPECT_EQ(0u, file.GetLength());
        EXPECT_EQ(CString("truncate.bin"), file.GetFileName().Right(12));
    }
}

TEST(CStdioFile, ReadsLinesOfAnyLengthAndEnding)
{
    TempFile temp("lines.txt");
    const std::string longLine(1000, 'L');
    {
        CStdioFile file(temp.Path(), CFile::modeWrite | CFile::modeCreate);
        file.WriteString("first\r\n");
        file.WriteString((longLine + "\n").c_str());
        file.WriteString("\n");
        file.WriteString("last without end");
    }
    CStdioFile file(temp.Path(), CFile::modeRead | CFile::shareDenyWrite);
    CString line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ("first", line);
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(CString(longLine), line);
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ("", line);
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ("last without end", line);
    EXPECT_FALSE(file.ReadString(line));
}
