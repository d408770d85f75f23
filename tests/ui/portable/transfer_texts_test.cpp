#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "ui/portable/HandOffText.h"
#include "ui/portable/ProgramTypes.h"
#include "ui/portable/RemainingTime.h"
#include "ui/portable/SizeUnits.h"

TEST(TransferTexts, SizesReadInTheirLargestUnitUpToGigabytes)
{
    const char* const units[kSizeUnitCount] = {"bytes", "KB", "MB", "GB"};
    EXPECT_EQ("0.00bytes", FormatByteCount(0, units));
    EXPECT_EQ("512.00bytes", FormatByteCount(512, units));
    EXPECT_EQ("1023.00bytes", FormatByteCount(1023, units));
    EXPECT_EQ("1.50KB", FormatByteCount(1536, units));
    EXPECT_EQ("3.00MB/s", FormatByteCount(3 << 20, units, "/s"));
    EXPECT_EQ("1023.00GB", FormatByteCount(std::int64_t(1023) << 30, units));
    // A terabyte and more stays in gigabytes rather than losing its unit.
    EXPECT_EQ("1024.00GB", FormatByteCount(std::int64_t(1) << 40, units));
    EXPECT_EQ("1048576.00GB", FormatByteCount(std::int64_t(1) << 50, units));
    EXPECT_EQ("8589934592.00GB", FormatByteCount(INT64_MAX, units));
    EXPECT_EQ("0.00bytes", FormatByteCount(-5, units));
}

TEST(TransferTexts, RemainingTimeKeepsEveryHour)
{
    EXPECT_EQ("01:02:05", FormatRemainingTime(3725));
    EXPECT_EQ("60:00:00", FormatRemainingTime(216000));
    EXPECT_EQ("00:00:59", FormatRemainingTime(59));
    EXPECT_EQ("596523:14:07", FormatRemainingTime(INT32_MAX));
    EXPECT_EQ("00:00:00", FormatRemainingTime(-1));
}

TEST(TransferTexts, AHandOffIsReadOnlyWithinItsLengthAndTheSection)
{
    std::string section(kHandOffSectionSize, 'x');
    std::string text = "unchanged";
    for (std::int64_t length : {std::int64_t(-1), std::int64_t(2048), std::int64_t(100000), INT64_MIN, INT64_MAX}) {
        EXPECT_FALSE(IsHandOffLengthAcceptable(length)) << length;
        // A null section shows that nothing is read for such a length.
        EXPECT_FALSE(ReadHandOffText(nullptr, kHandOffSectionSize, length, text)) << length;
    }
    EXPECT_FALSE(ReadHandOffText(section.data(), section.size(), 2047, text)) << "no zero in the section";
    EXPECT_EQ("unchanged", text);

    section[2047] = '\0';
    ASSERT_TRUE(ReadHandOffText(section.data(), section.size(), 2047, text));
    EXPECT_EQ(std::string(2047, 'x'), text);
    EXPECT_FALSE(ReadHandOffText(section.data(), section.size(), 2046, text)) << "the zero lies past length + 1";

    section[5] = '\0';
    ASSERT_TRUE(ReadHandOffText(section.data(), section.size(), 2047, text)) << "a shorter text fits too";
    EXPECT_EQ("xxxxx", text);
    section[0] = '\0';
    ASSERT_TRUE(ReadHandOffText(section.data(), section.size(), 0, text));
    EXPECT_EQ("", text);
}

TEST(TransferTexts, EveryTypeWindowsRunsCountsAsAProgram)
{
    const char* wine = ".COM;.EXE;.BAT;.CMD;.VBS;.VBE;.JS;.JSE;.WSF;.WSH;.MSC";
    for (const char* name : {"a.exe", "A.EXE", "a.bat", "b.Cmd", "c.js", "d.scr", "e.pif", "f.lnk", "g.hta", "h.msi",
                             "i.cpl", "C:\\dir\\run.exe", "trail.exe.", "trail.exe .. "})
        EXPECT_TRUE(RunsAsProgram(name, wine)) << name;
    for (const char* name : {"a.txt", "exe", "C:\\dir.exe\\file", "C:\\dir.exe\\file.txt", "a.exe.txt", ""})
        EXPECT_FALSE(RunsAsProgram(name, wine)) << name;

    EXPECT_TRUE(RunsAsProgram("x.bat", nullptr)) << "the default list without PATHEXT";
    EXPECT_TRUE(RunsAsProgram("x.py", "py; .RB")) << "entries with and without their dot";
    EXPECT_TRUE(RunsAsProgram("x.rb", "py; .RB"));
    EXPECT_FALSE(RunsAsProgram("x.bat", "py")) << "the machine's own list holds";
    EXPECT_TRUE(RunsAsProgram("x.exe", "py")) << "but never drops the fixed types";
}
