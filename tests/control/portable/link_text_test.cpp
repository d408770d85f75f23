// What of a page's text the browser link control hands over: links only, one byte per character.

#include <gtest/gtest.h>

#include <string>

#include "control/portable/LinkText.h"

namespace {

LinkTextFault From(const std::u16string& text, std::string& link)
{
    return HandOverLinkFromText(text.data(), text.size(), link);
}

} // namespace

TEST(LinkText, EachCharacterBecomesTheByteOfItsOwnValue)
{
    std::string out = "old";
    ASSERT_TRUE(ToOneByteText(u"a\u00e9\u00ff\u0080", 4, out));
    EXPECT_EQ(std::string("a\xE9\xFF\x80"), out);
    // A NUL is a character too: the length decides, not a terminator.
    ASSERT_TRUE(ToOneByteText(u"a\0b", 3, out));
    EXPECT_EQ(std::string("a\0b", 3), out);
    EXPECT_FALSE(ToOneByteText(u"http://x/\u0100", 10, out));
    EXPECT_EQ("", out);
    EXPECT_FALSE(ToOneByteText(u"\u20ac", 1, out)) << "no code page: the euro sign has no byte";
    EXPECT_FALSE(ToOneByteText(u"\xd83d\xde00", 2, out)) << "nor has a surrogate pair";
}

TEST(LinkText, OnlyLinksThatCannotEscapeTheirQuotesPass)
{
    const std::string link = "http://tarnix.test/fl.php?fe=a%40b.test&fn=x+y";
    EXPECT_EQ(LinkTextFault::None, CheckHandOverLink(link));
    EXPECT_EQ(LinkTextFault::None, CheckHandOverLink("http:"));
    EXPECT_EQ(LinkTextFault::None, CheckHandOverLink("http://x/\xE9\xFF"));

    // What the program would open as a file, or whose quoting a page could end.
    for (const char* other :
         {"", "HTTP://x/", "https://x/", "file://x/y.tnl", "C:\\links\\a.tnl", "\\\\host\\a.tnl", " http://x/", "http"})
        EXPECT_EQ(LinkTextFault::NotALink, CheckHandOverLink(other)) << other;
    for (const char* bad : {"http://x/\" /background", "http://x/\r\nmore", "http://x/\ty", "http://x/\x7F",
                            "http://x/\x85", "http://x/\x9F"})
        EXPECT_EQ(LinkTextFault::ForbiddenCharacter, CheckHandOverLink(bad)) << bad;
    EXPECT_EQ(LinkTextFault::ForbiddenCharacter, CheckHandOverLink(std::string("http://x/\0y", 11)));

    // The section holds 2047 characters and a zero.
    std::string longest = "http://x/" + std::string(kMaxHandOverLinkLength - 9, 'a');
    EXPECT_EQ(LinkTextFault::None, CheckHandOverLink(longest));
    EXPECT_EQ(LinkTextFault::TooLong, CheckHandOverLink(longest + "a"));
}

TEST(LinkText, APagesTextIsConvertedThenCheckedAndNothingElseIsKept)
{
    std::string link = "old";
    EXPECT_EQ(LinkTextFault::None, From(u"http://x/\u00e9", link));
    EXPECT_EQ("http://x/\xE9", link);
    EXPECT_EQ(LinkTextFault::NotOneByte, From(u"http://x/\u0101", link));
    EXPECT_EQ("", link);
    EXPECT_EQ(LinkTextFault::ForbiddenCharacter, From(u"http://x/\u0085", link));
    EXPECT_EQ(LinkTextFault::NotALink, From(u"42", link));
    EXPECT_EQ(LinkTextFault::NotALink, HandOverLinkFromText(nullptr, 0, link)) << "a null text counts as empty";
    EXPECT_EQ(LinkTextFault::TooLong, From(u"http://x/" + std::u16string(3000, u'\u0101'), link));
    EXPECT_EQ("", link);
}
