#include <gtest/gtest.h>

#include <cinttypes>
#include <thread>
#include <vector>

#include "framework/String.h"

TEST(CString, CopiesAreIndependentAcrossThreads)
{
    const CString shared("the quick brown fox jumps over the lazy dog, many times over");
    std::vector<std::thread> threads;
    std::vector<int> failures(8, 0);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 20000; ++i) {
                CString copy = shared; // copied while others copy the same text
                copy.SetAt(0, static_cast<char>('A' + t));
                copy += static_cast<char>('0' + (i % 10));
                if (copy.GetAt(0) != 'A' + t || copy.GetLength() != shared.GetLength() + 1)
                    ++failures[t];
                CString moved = std::move(copy); // a copy handed on stays whole
                if (moved.Mid(1, 3) != "he ")
                    ++failures[t];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < 8; ++t)
        EXPECT_EQ(0, failures[t]) << "thread " << t;
    EXPECT_EQ("the quick brown fox jumps over the lazy dog, many times over", shared);
}

TEST(CString, FormatPrintsWhole64BitIntegersAndLongTexts)
{
    CString text;
    const std::int64_t size = 5000000000LL;
    text.Format("DC{\t}{%s}{\t}%lld{\t}%ld", "id", static_cast<long long>(size), 42L);
    EXPECT_EQ("DC{\t}{id}{\t}5000000000{\t}42", text);

    text.Format("%" PRId64 "/%" PRIu64, static_cast<std::int64_t>(-5000000000LL),
                static_cast<std::uint64_t>(UINT64_MAX));
    EXPECT_EQ("-5000000000/18446744073709551615", text);

    const CString longText('y', 3000);
    text.Format("<%s>", longText.GetString());
    EXPECT_EQ(3002, text.GetLength());
    EXPECT_EQ('>', text[3001]);

    text.AppendFormat("%02d:%02d", 1, 2);
    EXPECT_EQ("01:02", text.Right(5));
}

TEST(CString, ComparesWithAndWithoutCase)
{
    const CString hello("Hello");
    EXPECT_EQ(0, hello.CompareNoCase("hELLO"));
    EXPECT_NE(0, hello.Compare("hELLO"));
    EXPECT_LT(CString("abc").CompareNoCase("ABD"), 0);
    EXPECT_GT(CString("abd").CompareNoCase("ABC"), 0);
    EXPECT_LT(CString("ab").CompareNoCase("ABC"), 0);
    EXPECT_EQ(0, CString().CompareNoCase(nullptr));
    EXPECT_TRUE(CString("a") < CString("b"));
    EXPECT_TRUE("x" == CString("x"));
    EXPECT_TRUE(CString("x") != "y");
}

TEST(CString, SearchesAndSlicesClampOutOfRangePositions)
{
    const CString path("C:\\dir\\file.txt");
    EXPECT_EQ(2, path.Find('\\'));
    EXPECT_EQ(6, path.Find('\\', 3));
    EXPECT_EQ(6, path.ReverseFind('\\'));
    EXPECT_EQ(7, path.Find("file"));
    EXPECT_EQ(-1, path.Find("file", 8));
    EXPECT_EQ(-1, path.Find('x', 100));
    EXPECT_EQ(-1, path.Find("x", 100));
    EXPECT_EQ(-1, path.ReverseFind('/'));
    EXPECT_EQ(1, path.FindOneOf(":\\"));

    EXPECT_EQ("file.txt", path.Mid(7));
    EXPECT_EQ("file", path.Mid(7, 4));
    EXPECT_EQ("", path.Mid(100));
    EXPECT_EQ(path, path.Mid(-3));
    EXPECT_EQ("txt", path.Mid(12, 100));
    EXPECT_EQ("C:", path.Left(2));
    EXPECT_EQ("", path.Left(-1));
    EXPECT_EQ(path, path.Left(1000));
    EXPECT_EQ("txt", path.Right(3));
    EXPECT_EQ(path, path.Right(1000));
    EXPECT_EQ('\0', path.GetAt(1000));
    EXPECT_EQ('\0', path[-1]);
}

TEST(CString, ReplacesEveryOccurrenceAndCountsThem)
{
    CString text("a-b-c");
    EXPECT_EQ(2, text.Replace('-', '+'));
    EXPECT_EQ("a+b+c", text);

    text = "aaa";
    EXPECT_EQ(1, text.Replace("aa", "b")); // matches do not overlap
    EXPECT_EQ("ba", text);

    text = "xax";
    EXPECT_EQ(1, text.Replace("a", "aaaa")); // the replacement is not searched again
    EXPECT_EQ("xaaaax", text);

    text = "<?xml version=\"1.0\"?><r/>";
    EXPECT_EQ(1, text.Replace("<?xml version=\"1.0\"?>", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    EXPECT_EQ("<?xml version=\"1.0\" encoding=\"UTF-8\"?><r/>", text);

    EXPECT_EQ(0, text.Replace("", "z"));
    EXPECT_EQ(0, text.Replace("absent", "z"));
    EXPECT_EQ(3, CString("a.b.c.").Remove('.'));
}

TEST(CString, ChangesCaseTrimsAndEdits)
{
    CString text("  Mixed Case\t\r\n");
    EXPECT_EQ("Mixed Case", text.Trim());
    EXPECT_EQ("MIXED CASE", CString(text).MakeUpper());
    EXPECT_EQ("mixed case", CString(text).MakeLower());
    EXPECT_EQ("dir", CString("\\dir\\\\").Trim("\\"));
    text = "abc";
    text.Insert(1, "XY");
    EXPECT_EQ("aXYbc", text);
    text.Delete(1, 100);
    EXPECT_EQ("a", text);
    EXPECT_EQ("ab", CString("abc", 2));
    EXPECT_EQ("ab", CString("ab\0cd", 5));
    EXPECT_EQ("", CString(static_cast<const char*>(nullptr)));
}

TEST(CString, BufferAccessSetsTheLength)
{
    CString text("old");
    char* buffer = text.GetBuffer(64);
    ASSERT_NE(nullptr, buffer);
    const DWORD length = GetWindowsDirectoryA(buffer, 64);
    text.ReleaseBuffer();
    EXPECT_EQ(static_cast<int>(length), text.GetLength());
    EXPECT_NE(-1, text.Find(':'));

    text.GetBuffer(10)[0] = 'Z';
    text.ReleaseBuffer(1);
    EXPECT_EQ("Z", text);
}
