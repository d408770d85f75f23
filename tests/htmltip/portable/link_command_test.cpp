// The command line that opens a link through the program registered for ".htm" pages.

#include <gtest/gtest.h>

#include "htmltip/portable/LinkCommand.h"

namespace {

using htmltip::BuildOpenCommand;

TEST(LinkCommand, CutsAtTheQuotedPlaceholderThenAtABareOneElseAppends)
{
    EXPECT_EQ(BuildOpenCommand("\"C:\\Program Files\\Web\\web.exe\" -nohome \"%1\" -x", "http://a/b"),
              "\"C:\\Program Files\\Web\\web.exe\" -nohome http://a/b");
    EXPECT_EQ(BuildOpenCommand("web.exe %1 \"%1\"", "http://a/"), "web.exe %1 http://a/");
    EXPECT_EQ(BuildOpenCommand("web.exe -url %1", "http://a/"), "web.exe -url http://a/");
    EXPECT_EQ(BuildOpenCommand("winebrowser -nohome", "http://a/"), "winebrowser -nohome http://a/");
}

TEST(LinkCommand, QuotesTargetsWithBlanksAndRefusesOnesThatCannotBeQuoted)
{
    EXPECT_EQ(BuildOpenCommand("web.exe \"%1\"", "C:\\My Files\\a.htm"), "web.exe \"C:\\My Files\\a.htm\"");
    EXPECT_EQ(BuildOpenCommand("web.exe \"%1\"", "a\" -evil \"b"), "");
    EXPECT_EQ(BuildOpenCommand("web.exe \"%1\"", "a\r\nb"), "");
    EXPECT_EQ(BuildOpenCommand("web.exe \"%1\"", ""), "");
}

} // namespace
