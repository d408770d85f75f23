#include <gtest/gtest.h>

#include "framework/String.h"
#include "string_table_ids.h"

TEST(StringTable, LoadsTextsByNumberWhateverTheirLength)
{
    CString text;
    ASSERT_TRUE(text.LoadString(IDS_TEST_SHORT));
    EXPECT_EQ("The cool program Tarnix!", text);

    ASSERT_TRUE(text.LoadString(IDS_TEST_LONG));
    EXPECT_EQ(603, text.GetLength());
    EXPECT_EQ("end", text.Right(3));
    EXPECT_EQ(CString('L', 600), text.Left(600));
}

TEST(StringTable, MissingNumberLeavesTheTextAlone)
{
    CString text("unchanged");
    EXPECT_FALSE(text.LoadString(IDS_TEST_MISSING));
    EXPECT_EQ("unchanged", text);
}
