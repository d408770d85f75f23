// The link URL: its codecs, what a built URL carries, and how the parser treats hostile text.

#include <clocale>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "app/LinkUrlCodec.h"
#include "support/LinkTestSupport.h"

using linktest::Entry;
using linktest::PREFIX;

namespace {

const std::string kZeroId = "AAAAAAAAAAAAAAAAAAAAAA%3D%3D";

// A URL with the sender e-mail, both ids and the size, followed by `tail`.
CString Url(const std::string& tail)
{
    return CString(PREFIX + ("fe=a%40b&fg=" + kZeroId + "&ts=10&tt=" + kZeroId + tail));
}

CFileLink Parsed(const CString& url, bool expected = true)
{
    CFileLink link;
    EXPECT_EQ(expected, link.ParseLinkURL(url)) << url.GetString();
    return link;
}

CFileLink LinkWithFiles(int count, const CString& name = "file.txt")
{
    CFileLink link = linktest::TwoPartyLink();
    for (int i = 0; i < count; ++i)
        link.m_entries.push_back(Entry(i, name, 100 + i));
    link.m_totalSize = 100 * count;
    return link;
}

} // namespace

TEST(LinkUrlCodec, EncodesOnlyAsciiLettersAndDigitsAsThemselvesWhateverTheLocale)
{
    const std::string text = "aZ09 \t-.|\xE9\x80\xFF";
    const std::string expected = "aZ09++%2D%2E%7C%E9%80%FF";
    EXPECT_EQ(expected, linkurl::UrlEncodeLink(text));
    // A Western code page calls 0xE9 a letter; the URL must not change with it.
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, ".1252") || std::setlocale(LC_ALL, "")) {
        EXPECT_EQ(expected, linkurl::UrlEncodeLink(text));
    }
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(LinkUrlCodec, DecodesWhatItEncodedAndCopiesStrayPercentSigns)
{
    std::string all;
    std::string back; // white space comes back as blanks
    for (int b = 1; b < 256; ++b) {
        all += static_cast<char>(b);
        back += b >= '\t' && b <= '\r' ? ' ' : static_cast<char>(b);
    }
    EXPECT_EQ(back, linkurl::UrlDecode(linkurl::UrlEncodeLink(all)));
    EXPECT_EQ("Aj z % %4 %zz% %A", linkurl::UrlDecode("%41%6a+z % %4 %zz% %%41"));
    EXPECT_EQ(std::string("a\0b", 3), linkurl::UrlDecode("a%00b"));
    EXPECT_STREQ("a", CFileLink::UrlDecode("a%00b")); // a CString ends at the NUL
}

TEST(LinkUrlCodec, IdsTravelAsTwentyFourBase64CharactersAndNothingElseDecodes)
{
    unsigned char id[16];
    for (int i = 0; i < 16; ++i)
        id[i] = static_cast<unsigned char>(i * 17);
    const CString text = CFileLink::IdToBase64(id);
    EXPECT_EQ(24, text.GetLength());
    unsigned char back[16] = {};
    ASSERT_TRUE(CFileLink::Base64ToId(text, back));
    EXPECT_EQ(0, std::memcmp(id, back, 16));
    ASSERT_TRUE(CFileLink::Base64ToId(text.Left(22), back)); // padding left out

    for (const char* bad : {"", "AAAAAAAAAAAAAAAAAAAA" /* 15 bytes */, "AAAAAAAAAAAAAAAAAAAAAAA=" /* 17 */,
                            "AAAAAAAAAAA AAAAAAAAAAA==", "AAAAAAAAAAAAAAAAAAAAA*==", "AAAAAAAAAAAAAAAAAAAAAA=",
                            "AAAAAAAAAAA=AAAAAAAAAA==", "AAAAAAAAAAAAAAAAAAAAAAA"}) {
        EXPECT_FALSE(CFileLink::Base64ToId(bad, back)) << bad;
        EXPECT_EQ(0, std::memcmp(id, back, 16)) << "a refused text leaves the id alone";
    }
}

TEST(LinkUrlBuild, WritesTheLongOrShortQueryInItsFixedOrder)
{
    CFileLink link = LinkWithFiles(2, "a b.txt");
    std::memset(link.m_senderUserId, 0, 16);
    std::memset(link.m_entries[0].m_fileId, 0, 16);
    EXPECT_EQ(CString(PREFIX + ("fe=me%40here%2Etest&fg=" + kZeroId + "&te=you%40there%2Etest&tn=You&ts=200&tt=" +
                                kZeroId + "&tc=2&fn=a+b%2Etxt%7Ca+b%2Etxt")),
              link.BuildLinkURL());
    link.m_recipientEmail.Empty();
    EXPECT_NE(-1, link.BuildLinkURL().Find("&te=&tn=You&"));
    link.m_recipientName.Empty();
    EXPECT_EQ(-1, link.BuildLinkURL().Find("&te="));
    EXPECT_EQ(-1, link.BuildLinkURL().Find("&tn="));
}

TEST(LinkUrlBuild, NamesAtMostThreeFilesAndParsesBackToTheFirst)
{
    CFileLink sent = LinkWithFiles(5, "r.pdf");
    sent.m_totalSize = 5000000000LL;
    // Bytes whose base64 holds "+", "/" and "=", which travel percent-encoded.
    const unsigned char id[16] = {0xFB, 0xFF, 0xBF, 0xFB, 0xFF, 0xBF, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    std::memcpy(sent.m_entries[0].m_fileId, id, 16);
    const CString url = sent.BuildLinkURL();
    EXPECT_NE(-1, url.Find("tt=%2B%2F%2B%2F%2B%2F"));
    EXPECT_EQ(url.GetLength() - 36, url.Find("&tc=5&fn=r%2Epdf%7Cr%2Epdf%7Cr%2Epdf"));

    CFileLink got = Parsed(url);
    EXPECT_EQ(sent.m_senderEmail, got.m_senderEmail);
    EXPECT_EQ(0, std::memcmp(sent.m_senderUserId, got.m_senderUserId, 16));
    EXPECT_EQ(5000000000LL, got.m_totalSize);
    ASSERT_EQ(5u, got.m_entries.size());
    EXPECT_EQ(0, std::memcmp(id, got.m_entries[0].m_fileId, 16));
    EXPECT_EQ("r.pdf", got.m_entries[0].m_name);
    EXPECT_EQ(5000000000LL, got.m_entries[0].m_size);
}

TEST(LinkUrlBuild, Fills2047CharactersWholeAndShortensBeyondKeepingTheExtension)
{
    CFileLink link = LinkWithFiles(1, ".txt");
    const int base = link.BuildLinkURL().GetLength();
    const CString fits = CString(std::string(2047 - base, 'n')) + ".txt";
    link.m_entries[0].m_name = fits;
    EXPECT_EQ(2047, link.BuildLinkURL().GetLength());
    EXPECT_EQ(fits, Parsed(link.BuildLinkURL()).m_entries[0].m_name);

    for (const CString& name : {"n" + fits, CString(std::string(3000, 'n')) + ".txt"}) {
        link.m_entries[0].m_name = name;
        const CString url = link.BuildLinkURL();
        EXPECT_LE(url.GetLength(), 2047);
        const CString got = Parsed(url).m_entries[0].m_name;
        EXPECT_GT(got.GetLength(), 500);
        EXPECT_EQ("nnn.txt", got.Right(7));
    }
}

TEST(LinkUrlBuild, NeverExceeds2047CharactersWhateverTheTexts)
{
    const std::string wide(3000, '@'); // three characters each in the URL
    CFileLink link = LinkWithFiles(0);
    link.m_senderEmail = CString(wide);
    link.m_recipientEmail = CString(wide);
    link.m_recipientName = CString(wide);
    link.m_entries = {Entry(0, CString("a." + std::string(3000, 'x')), 1), Entry(1, CString(wide), 1)};
    const CString url = link.BuildLinkURL();
    EXPECT_LE(url.GetLength(), 2047);
    const CFileLink got = Parsed(url);
    EXPECT_GT(got.m_senderEmail.GetLength(), 100);
    EXPECT_EQ(0, CString(wide).Find(got.m_senderEmail));
    EXPECT_EQ(2u, got.m_entries.size());
}

TEST(LinkUrlParse, FailsAsAWholeOnHostileQueriesKeepingWhatCameBefore)
{
    const char* const tails[] = {
        "&zz=1",
        "&fx=1",
        "&tq=1",
        "&FE=1", // unknown keys
        "&tc=0",
        "&tc=-1",
        "&tc=1000000000",
        "&tc=10001",
        "&tc=2x",
        "&tc=",
        "&tc= ",
        "&ts=-1",
        "&ts=%2D5",
        "&ts=12abc",
        "&ts=9223372036854775808",
        "&ts=",
        "&fg=AAAAAAAAAAAAAAAAAAAA",
        "&tt=AAAAAAAAAAAAAAAAAAAAAAA%3D",
        "&tt=", // 15 and 17 bytes, none
        "&fg=%00AAAAAAAAAAAAAAAAAAAAA%3D%3D",
        "&fn=a%00.exe",
        "&te=a%00b", // NUL bytes
    };
    for (const char* tail : tails) {
        CFileLink link = Parsed(Url(std::string("&tn=Bob") + tail + "&te=x"), false);
        EXPECT_EQ("a@b", link.m_senderEmail) << tail;
        EXPECT_EQ("Bob", link.m_recipientName) << tail;
        EXPECT_TRUE(link.m_recipientEmail.IsEmpty()) << tail;
        EXPECT_EQ(1u, link.m_entries.size()) << tail;
    }
    EXPECT_EQ(size_t(linkurl::MAX_FILE_COUNT), Parsed(Url("&tc=10000")).m_entries.size());
    EXPECT_EQ(9223372036854775807LL, Parsed(Url("&ts=9223372036854775807")).m_totalSize);
}

TEST(LinkUrlParse, RefusesAnotherPrefixWithoutTouchingTheLink)
{
    const CString url = LinkWithFiles(2).BuildLinkURL();
    CString upper = url;
    upper.SetAt(0, 'H');
    CFileLink target = LinkWithFiles(4);
    for (const CString& text : {upper, url.Mid(1), CString()})
        EXPECT_FALSE(target.ParseLinkURL(text));
    EXPECT_EQ(4u, target.m_entries.size());
    EXPECT_EQ("Files", target.m_subject);
}

TEST(LinkUrlParse, TakesEmptyValuesStrayPercentSignsAndOddKeysAsText)
{
    CFileLink link = Parsed(CString(PREFIX + ("fe=&fg=" + kZeroId + "&te=&tn=Bob&tc=2&fn=")));
    EXPECT_TRUE(link.m_senderEmail.IsEmpty());
    EXPECT_TRUE(link.m_recipientEmail.IsEmpty());
    EXPECT_EQ("Bob", link.m_recipientName);
    EXPECT_EQ(2u, link.m_entries.size());
    EXPECT_EQ(1u, Parsed(Url("&tc=1&fn")).m_entries.size()); // a last key without "="
    EXPECT_EQ("y", Parsed(Url("&fee=x&t=1&&te=y")).m_recipientEmail);
    EXPECT_EQ("50% off%4.txt", Parsed(Url("& fn= 50%+off%4.txt")).m_entries[0].m_name);
}

TEST(LinkUrlParse, MakesFileNamesSafeToJoinToAFolder)
{
    const char* const cases[][2] = {
        {"..%5C..%5CWindows%5Cevil%2Eexe", "evil.exe"},
        {"sub%2F..%2Fx%2Etxt", "x.txt"},
        {"C%3Afile%2Etxt", "C_file.txt"},
        {"a%2A%3F%22%3C%3Eb", "a_____b"},
        {"tab%09%01x", "tab__x"},
        {"%2E%2E", "_.."},
        {"..%5C", ""},
        {"CON", "_CON"},
        {"nul%2Etxt", "_nul.txt"},
        {"com1", "_com1"},
        {"LPT%B2%2Elog", "_LPT\xB2.log"},
        {"console", "console"},
        {"caf%E9+%80%FF%2Etxt", "caf\xE9 \x80\xFF.txt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c[1], Parsed(Url(std::string("&fn=") + c[0])).m_entries[0].m_name) << c[0];

    // Bytes from 0x80 leave as escapes and come back as they were.
    CFileLink link = LinkWithFiles(1, "\xC4rger \xFC"
                                      "ber \x80.doc");
    const CString url = link.BuildLinkURL();
    for (int i = 0; i < url.GetLength(); ++i)
        ASSERT_LT(static_cast<unsigned char>(url[i]), 0x80);
    EXPECT_EQ(link.m_entries[0].m_name, Parsed(url).m_entries[0].m_name);
}

TEST(FileLinkEntries, FreshIdsJoinedNamesAndDeepCopies)
{
    const unsigned char zero[16] = {};
    EXPECT_EQ(0, std::memcmp(zero, CLinkFileEntry().m_fileId, 16));
    const CLinkFileEntry a(true);
    const CLinkFileEntry b(true);
    EXPECT_NE(0, std::memcmp(a.m_fileId, b.m_fileId, 16));
    // Each half is a GUID's Data4, whose first byte carries the variant bits 10xxxxxx.
    EXPECT_EQ(0x80, a.m_fileId[0] & 0xC0);
    EXPECT_EQ(0x80, a.m_fileId[8] & 0xC0);

    CFileLink link = LinkWithFiles(0);
    for (const char* name : {"a", "b", "c"})
        link.m_entries.push_back(Entry(0, name, name[0] - 'a' + 1));
    EXPECT_EQ("C:\\send\\c", link.m_entries[2].m_path);
    std::int64_t total = 0;
    EXPECT_EQ("a, b, c", link.JoinFileNames(", ", -1, total));
    EXPECT_EQ(6, total);
    EXPECT_EQ("a|b", link.JoinFileNames("|", 2, total));
    EXPECT_EQ(3, total);

    CFileLink copy = link;
    copy.m_entries[0].m_name = "changed";
    EXPECT_EQ("a", link.m_entries[0].m_name);
    EXPECT_TRUE(copy.IsKindOf(RUNTIME_CLASS(CFileLink)));
}
