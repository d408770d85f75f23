#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "infra/DmsDate.h"
#include "infra/TextUtilities.h"
#include "infra/Uid.h"

TEST(DmsDate, ValidatesLeapYearsMonthLengthsAndRanges)
{
    EXPECT_NO_THROW(CdmsDate(29, 2, 2000));
    EXPECT_NO_THROW(CdmsDate(29, 2, 2004));
    EXPECT_THROW(CdmsDate(29, 2, 1900), CdmsDate::Error);
    EXPECT_THROW(CdmsDate(29, 2, 2005), CdmsDate::Error);
    EXPECT_THROW(CdmsDate(31, 4, 2005), CdmsDate::Error);
    EXPECT_THROW(CdmsDate(1, 13, 2005), CdmsDate::Error);
    EXPECT_THROW(CdmsDate(0, 1, 2005), CdmsDate::Error);
    EXPECT_THROW(CdmsDate(1, 1, 0), CdmsDate::Error);
    // A day that does not fit the 8-bit field must not wrap into a valid one (257 -> 1).
    EXPECT_THROW(CdmsDate(257, 1, 2005), CdmsDate::Error);
}

TEST(DmsDate, ParsesLooseTextAndFormatsWithoutLeadingZeros)
{
    CdmsDate leap("29.2.2004");
    EXPECT_STREQ("29.2.2004", leap.Format());
    EXPECT_STREQ("5.6.2007", CdmsDate("05.06.2007").Format());
    EXPECT_STREQ("1.2.2005", CdmsDate("1/2/2005").Format());
    // Separators are not checked: this reads as day 20, month 5, year 2.
    CdmsDate iso("2005-02-01");
    EXPECT_EQ(20, iso.Day());
    EXPECT_EQ(5, iso.Month());
    EXPECT_EQ(2, iso.Year());
    EXPECT_THROW(CdmsDate(".2.2005"), CdmsDate::Error);
    EXPECT_THROW(CdmsDate(""), CdmsDate::Error);
    EXPECT_THROW(CdmsDate("7"), CdmsDate::Error); // ends early; must not read past the text
    EXPECT_THROW(CdmsDate(static_cast<const char*>(nullptr)), CdmsDate::Error);
}

TEST(DmsDate, OrdersByYearThenMonthThenDay)
{
    EXPECT_TRUE(CdmsDate(31, 12, 2004) < CdmsDate(1, 1, 2005));
    EXPECT_FALSE(CdmsDate(1, 1, 2005) < CdmsDate(31, 12, 2004));
    EXPECT_TRUE(CdmsDate(1, 2, 2005) < CdmsDate(1, 3, 2005));
    EXPECT_TRUE(CdmsDate(1, 3, 2005) < CdmsDate(2, 3, 2005));
    EXPECT_FALSE(CdmsDate(2, 3, 2005) < CdmsDate(2, 3, 2005));
}

TEST(FormatUid, GroupsLowerCaseHexInStorageOrder)
{
    unsigned char uid[16];
    for (int i = 0; i < 16; ++i)
        uid[i] = static_cast<unsigned char>(i);
    EXPECT_EQ("00010203-0405-0607-08090a0b0c0d0e0f", FormatUid(uid));

    for (int i = 0; i < 16; ++i)
        uid[i] = static_cast<unsigned char>(0xF0 + i);
    EXPECT_EQ("f0f1f2f3-f4f5-f6f7-f8f9fafbfcfdfeff", FormatUid(uid));

    ClearUid(uid);
    const std::string zero = FormatUid(uid);
    EXPECT_EQ(35u, zero.size());
    EXPECT_EQ("00000000-0000-0000-0000000000000000", zero);
}

TEST(TokenizeString, SplitsAtSeparatorRunsAndSkipsLeadingBlanksAfterTheFirst)
{
    const std::string text = " a, b,,  c ;d";
    const std::vector<std::string> tokens = TokenizeString(text, ",;");
    ASSERT_EQ(4u, tokens.size());
    EXPECT_EQ(" a", tokens[0]); // the first token keeps its blanks
    EXPECT_EQ("b", tokens[1]);
    EXPECT_EQ("c ", tokens[2]);
    EXPECT_EQ("d", tokens[3]);
    EXPECT_EQ(" a, b,,  c ;d", text) << "the caller's text must stay as it was";

    EXPECT_TRUE(TokenizeString("", ",").empty());
    EXPECT_TRUE(TokenizeString(",,,", ",").empty());
    EXPECT_EQ(std::vector<std::string>({"x", "y"}), TokenizeString("x, ,y", ","));
    EXPECT_EQ(std::vector<std::string>({"whole"}), TokenizeString("whole", ","));
}

TEST(EmailHelpers, AcceptOnlyAtSignThenDotWithTextAround)
{
    EXPECT_TRUE(IsValidEmail("a@b.c"));
    EXPECT_TRUE(IsValidEmail("first.last@mail.example.org"));
    EXPECT_FALSE(IsValidEmail("@b.c"));
    EXPECT_FALSE(IsValidEmail("a@.c"));
    EXPECT_FALSE(IsValidEmail("a@b."));
    EXPECT_FALSE(IsValidEmail("ab.c"));
    EXPECT_FALSE(IsValidEmail("a.b@c"));
    EXPECT_FALSE(IsValidEmail(""));

    EXPECT_EQ("user", GetEmailUser("user@host.org"));
    EXPECT_EQ("", GetEmailUser("no-at-sign"));
    EXPECT_EQ("", GetEmailUser("@host"));
}

TEST(PathHelpers, SplitAtTheLastSeparator)
{
    EXPECT_EQ("file.txt", GetPathFileName("C:\\dir\\file.txt"));
    EXPECT_EQ("C:\\dir", GetPathDirectory("C:\\dir\\file.txt"));
    EXPECT_EQ("txt", GetPathExtension("C:\\dir\\file.txt"));
    EXPECT_EQ("gz", GetPathExtension("archive.tar.gz"));
    EXPECT_EQ("", GetPathExtension("C:\\dir\\noext"));
    EXPECT_EQ("", GetPathFileName("file.txt"));
    EXPECT_EQ("", GetPathDirectory("file.txt"));
    EXPECT_EQ("", GetPathFileName("C:\\dir\\"));
}

TEST(StrFormat, FormatsLongTextsAnd64BitIntegers)
{
    EXPECT_EQ("5000000000", StrFormat("%lld", 5000000000LL));
    EXPECT_EQ("-9223372036854775808", StrFormat("%lld", static_cast<long long>(INT64_MIN)));
    EXPECT_EQ("18446744073709551615", StrFormat("%llu", static_cast<unsigned long long>(UINT64_MAX)));
    const std::string big(5000, 'x');
    EXPECT_EQ(big + "!7", StrFormat("%s!%d", big.c_str(), 7));
    EXPECT_EQ("", StrFormat("%s", ""));
}
