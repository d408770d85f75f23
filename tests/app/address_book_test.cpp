// The address book: lookups regardless of case, e-mail completion, and its file.

#include <gtest/gtest.h>

#include "app/AddressBook.h"
#include "support/LinkTestSupport.h"
#include "support/ScratchFolder.h"

namespace {

CItemList Suggestions(const CAddressBook& book, const CString& text)
{
    CItemList list;
    list.emplace_back("stale", "entry");
    book.GetSuggestions(text, list);
    return list;
}

} // namespace

TEST(AddressBook, SuggestsWhereTheFirstOccurrenceBeginsTheAddressOrAWordOfTheName)
{
    CAddressBook book;
    book.Add("bob@x.test", "Robert", false);
    book.Add("jim@x.test", "Jim Bob", false);
    book.Add("abob@x.test", "Abob Bob", false); // first found inside a word in both
    book.Add("x@bob.test", "Bobby", false);     // not at the address's start, but the name's
    book.Add("\xC9mile@x.test", "\xC9mile Zola", false);
    const CItemList all = Suggestions(book, "");
    ASSERT_EQ(5u, all.size());
    EXPECT_EQ("bob@x.test", all[0].first);

    const CItemList bob = Suggestions(book, "BoB");
    ASSERT_EQ(3u, bob.size());
    EXPECT_EQ("bob@x.test", bob[0].first);
    EXPECT_EQ("jim@x.test", bob[1].first);
    EXPECT_EQ("x@bob.test", bob[2].first);
    EXPECT_TRUE(Suggestions(book, "ob").empty());
    if (GetACP() == 1252)
        EXPECT_EQ(1u, Suggestions(book, "\xE9mile z").size());
    else
        std::printf("note: the ANSI code page is %u, not 1252; accented letters not checked\n", GetACP());
}

TEST(AddressBook, FindsAddressesRegardlessOfCaseAndKeepsItsFile)
{
    CScratchFolder folder;
    const CString path = folder + "AddressBook.xml";
    CAddressBook book;
    EXPECT_FALSE(book.Save()); // no file to save to before Load
    EXPECT_FALSE(book.Load(path));
    ASSERT_TRUE(book.Add("Ann@X.test", "Ann & 'Co'", true));
    ASSERT_TRUE(book.Add("\xC9mile@x.test", "\xC9mile", true));

    CAddressBook again;
    ASSERT_TRUE(again.Load(path));
    bool found = false;
    EXPECT_EQ(CAddressBook::Entry("Ann@X.test", "Ann & 'Co'"), again.Find("ann@x.TEST", found));
    EXPECT_TRUE(found);
    if (GetACP() == 1252) {
        EXPECT_EQ("\xC9mile", again.Find("\xE9MILE@X.TEST", found).second);
        EXPECT_TRUE(found);
    }
    EXPECT_EQ(CAddressBook::Entry(), again.Find("nobody@x.test", found));
    EXPECT_FALSE(found);

    ASSERT_TRUE(again.Clear());
    ASSERT_TRUE(book.Load(path));
    EXPECT_TRUE(Suggestions(book, "").empty());
}

TEST(AddressBook, ReplaceTakesTheWholeListAndLeavesTheFileToOneSave)
{
    CScratchFolder folder;
    const CString path = folder + "AddressBook.xml";
    CAddressBook book;
    book.Load(path);
    ASSERT_TRUE(book.Add("old@x.test", "Old", true));

    book.Replace({{"new@x.test", "New"}, {"two@x.test", "Two"}});
    CAddressBook onDisk;
    ASSERT_TRUE(onDisk.Load(path));
    EXPECT_EQ(1u, Suggestions(onDisk, "").size()) << "nothing written before the save";

    ASSERT_TRUE(book.Save());
    ASSERT_TRUE(onDisk.Load(path));
    EXPECT_EQ((CItemList{{"new@x.test", "New"}, {"two@x.test", "Two"}}), Suggestions(onDisk, ""));
}
