#include <string>

#include <gtest/gtest.h>

#include "ui/portable/CookieValue.h"

TEST(CookieValue, OnlyTheNamedCookiesOwnValueUpToItsSemicolon)
{
    std::string value;
    ASSERT_TRUE(FindCookieValue("TNAction=a%3Db&c=1", "TNAction", value));
    EXPECT_EQ("a%3Db&c=1", value);
    ASSERT_TRUE(FindCookieValue("TNAction=first; other=1", "TNAction", value));
    EXPECT_EQ("first", value);
    ASSERT_TRUE(FindCookieValue("x=2;  TNAction=; other=1", "TNAction", value));
    EXPECT_EQ("", value);
    // Another cookie whose name ends in the name is passed over.
    ASSERT_TRUE(FindCookieValue("OldTNAction=no; TNAction=yes", "TNAction", value));
    EXPECT_EQ("yes", value);
    EXPECT_FALSE(FindCookieValue("OldTNAction=no; other=TNAction=", "TNAction", value));
    EXPECT_FALSE(FindCookieValue("", "TNAction", value));
    EXPECT_FALSE(FindCookieValue("TNAction", "TNAction", value));
}
