// Names from peers and links as they may stand in a download folder.

#include <gtest/gtest.h>

#include <string>

#include "app/portable/SafeFileName.h"

TEST(SafeFileName, HostileNamesBecomePlainNamesInsideTheFolder)
{
    const std::size_t room = 200;
    EXPECT_EQ("x", MakeSafeFileName("..\\..\\x", room));
    EXPECT_EQ("x", MakeSafeFileName("C:\\x", room));
    EXPECT_EQ("x", MakeSafeFileName("/x", room));
    EXPECT_EQ("a_b", MakeSafeFileName("a:b", room));
    EXPECT_EQ("a_b_c_d_e_f_g_h", MakeSafeFileName("a<b>c\"d|e?f*g\x01h", room));
    EXPECT_EQ("x", MakeSafeFileName("x. ", room));
    EXPECT_EQ("file", MakeSafeFileName("", room));
    EXPECT_EQ("file", MakeSafeFileName("..", room));
    EXPECT_EQ("file", MakeSafeFileName(".", room));
    EXPECT_EQ("file", MakeSafeFileName("dir\\", room));
    // Device names in any case and with any extension.
    EXPECT_EQ("_CON", MakeSafeFileName("CON", room));
    EXPECT_EQ("_nul.txt", MakeSafeFileName("nul.txt", room));
    EXPECT_EQ("_Com1.tar.gz", MakeSafeFileName("Com1.tar.gz", room));
    EXPECT_EQ("_lpt9 .x", MakeSafeFileName("lpt9 .x", room));
    EXPECT_EQ("_COM\xB9.txt", MakeSafeFileName("COM\xB9.txt", room));
    EXPECT_EQ("_lpt\xB3", MakeSafeFileName("lpt\xB3", room));
    EXPECT_EQ("com10", MakeSafeFileName("com10", room));
    EXPECT_EQ("console", MakeSafeFileName("console", room));
    // Never a working file's name, in any case.
    const unsigned char id[16] = {0xAB, 0x01};
    const std::string working = WorkingFileName(id);
    EXPECT_EQ("~AB010000000000000000000000000000", working);
    EXPECT_EQ("_AB010000000000000000000000000000", MakeSafeFileName(working, room));
    EXPECT_EQ("_ab010000000000000000000000000000.txt", MakeSafeFileName("~ab010000000000000000000000000000.txt", room));
    EXPECT_EQ("~AB01000000000000000000000000000", MakeSafeFileName(working.substr(0, 32), room));
    // Bytes of the ANSI code page stay as they are.
    EXPECT_EQ("\x80\xE9\xFF.txt", MakeSafeFileName("\x80\xE9\xFF.txt", room));
}

TEST(SafeFileName, LongNamesKeepTheirExtensionAndNumberedNamesGoBeforeIt)
{
    const std::string longName = std::string(300, 'n') + ".txt";
    const std::string cut = MakeSafeFileName(longName, 100);
    EXPECT_EQ(100u, cut.size());
    EXPECT_EQ(".txt", cut.substr(96));
    EXPECT_EQ(std::string(50, 'n'), MakeSafeFileName(std::string(300, 'n'), 50));
    EXPECT_EQ("ab", MakeSafeFileName("ab. . .txt", 4));
    EXPECT_EQ("report (2).txt", NumberedFileName("report.txt", 2));
    EXPECT_EQ("archive.tar (3).gz", NumberedFileName("archive.tar.gz", 3));
    EXPECT_EQ("README (12)", NumberedFileName("README", 12));
    EXPECT_EQ(".profile (2)", NumberedFileName(".profile", 2));
}
