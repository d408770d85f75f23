// The XML store's files without Windows: what a save writes reads back exactly, and a damaged or
// hostile file never yields more than the list's rules allow.

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/portable/ItemsXml.h"
#include "app/portable/SleepingXml.h"
#include "app/portable/TransferListXml.h"
#include "app/portable/Utf16Text.h"

using namespace xmlstore;

namespace {

constexpr std::int64_t kBig = (std::int64_t{1} << 32) + 7; // over 4 GiB

// Texts that must come back unchanged, each a trap for a reader or a writer.
const std::vector<Text> kTexts = {
    u"",         u"a&b 'c' <d> \"e\" >",           u"crlf\r\nlf\ncr\rtab\t",      u"   ",
    u" \t\r\n ", u"\u00E9\u00FF\u20AC \U0001F600", u"&amp; &#13; ]]> <!-- x -->", u"\x7F\u0085\uFFFD end ",
};

void FillId(unsigned char id[ID_SIZE], int seed)
{
    for (std::size_t i = 0; i < ID_SIZE; ++i)
        id[i] = static_cast<unsigned char>(i < 4 ? seed >> (8 * i) : seed * 31 + i * 17);
}

std::vector<TransferRecord> SampleList(std::size_t count)
{
    static const int kKeptStatuses[] = {5, 6, 7, 9, 10, 13};
    std::vector<TransferRecord> list(count);
    for (std::size_t i = 0; i < count; ++i) {
        TransferRecord& r = list[i];
        const Text& text = kTexts[i % kTexts.size()];
        r.type = 1 + i % 2;
        FillId(r.userId, static_cast<int>(i) + 1000);
        FillId(r.fileId, static_cast<int>(i));
        r.userEmail = text + u"@x";
        r.realName = u"C:\\d\\" + text;
        r.shortName = text;
        r.size = i % 3 == 0 ? std::numeric_limits<std::int64_t>::max() : kBig + static_cast<std::int64_t>(i);
        r.transferred = r.size - static_cast<std::int64_t>(i % 2);
        r.status = kKeptStatuses[i % 6];
        if (i % 3 == 1)
            r.furtherFiles = {Id{1, 2}, Id{static_cast<unsigned char>(i)}};
    }
    return list;
}

void ExpectSame(const TransferRecord& a, const TransferRecord& b)
{
    EXPECT_EQ(a.type, b.type);
    EXPECT_EQ(0, std::memcmp(a.userId, b.userId, ID_SIZE));
    EXPECT_EQ(0, std::memcmp(a.fileId, b.fileId, ID_SIZE));
    EXPECT_EQ(a.userEmail, b.userEmail);
    EXPECT_EQ(a.realName, b.realName);
    EXPECT_EQ(a.shortName, b.shortName);
    EXPECT_EQ(a.size, b.size);
    EXPECT_EQ(a.transferred, b.transferred);
    EXPECT_EQ(a.status, b.status);
    EXPECT_EQ(a.furtherFiles, b.furtherFiles);
}

std::vector<TransferRecord> ReadList(const std::string& bytes, bool expected = true)
{
    std::vector<TransferRecord> list;
    EXPECT_EQ(expected, ReadTransferList(bytes.data(), bytes.size(), list)) << bytes;
    return list;
}

LinkRecord SampleLink()
{
    LinkRecord link;
    FillId(link.senderId, 7);
    link.senderEmail = kTexts[1];
    link.senderName = kTexts[2];
    link.recipientEmail = kTexts[3];
    link.recipientName = kTexts[5];
    for (int i = 0; i < 2; ++i) {
        LinkFileRecord file;
        file.shortName = kTexts[6];
        file.fullName = kTexts[7];
        FillId(file.id, i);
        file.size = kBig;
        link.files.push_back(file);
    }
    link.subject = kTexts[4];
    link.message = kTexts[2];
    link.totalSize = 99; // not read back: the files' sum is
    return link;
}

} // namespace

TEST(XmlStoreFiles, AnEmptyItemsFileIsTheRootTagsAloneInUtf16LittleEndian)
{
    const std::string expected("<\0i\0t\0e\0m\0s\0>\0<\0/\0i\0t\0e\0m\0s\0>\0", 30);
    EXPECT_EQ(expected, Utf16ToLittleEndian(WriteItems({})));
}

TEST(XmlStoreFiles, EveryTextIdAndSizeReadsBackExactly)
{
    const std::vector<TransferRecord> list = SampleList(2 * kTexts.size());
    const std::vector<TransferRecord> back = ReadList(Utf16ToLittleEndian(WriteTransferList(list)));
    ASSERT_EQ(list.size(), back.size());
    for (std::size_t i = 0; i < list.size(); ++i)
        ExpectSame(list[i], back[i]);

    std::vector<Item> items;
    for (const Text& text : kTexts)
        items.emplace_back(text, text);
    std::vector<Item> itemsBack = {{u"kept", u"before"}};
    const std::string itemBytes = Utf16ToLittleEndian(WriteItems(items));
    ASSERT_TRUE(ReadItems(itemBytes.data(), itemBytes.size(), itemsBack));
    items.insert(items.begin(), {u"kept", u"before"});
    EXPECT_EQ(items, itemsBack);

    MailRecord mail{kTexts[1], kTexts[2], kTexts[6], kTexts[7], items};
    std::vector<LinkRecord> links;
    std::vector<MailRecord> mails;
    const std::string sleeping = Utf16ToLittleEndian(WriteSleeping({SampleLink(), SampleLink()}, {mail}));
    ASSERT_TRUE(ReadSleeping(sleeping.data(), sleeping.size(), links, mails));
    ASSERT_EQ(2u, links.size());
    LinkRecord expected = SampleLink();
    expected.totalSize = 2 * kBig;
    EXPECT_EQ(WriteSleeping({expected, expected}, {mail}), WriteSleeping(links, mails));
}

TEST(XmlStoreFiles, HostileValuesFollowTheListRules)
{
    const std::string id = "00112233445566778899aabbccddeeff";
    auto file = [](const std::string& type, const std::string& fileId, const std::string& rest) {
        return "<file><type>" + type + "</type><file_uid>" + fileId + "</file_uid>" + rest + "</file>";
    };
    std::string document = "<files>";
    for (const char* badType : {"0", "3", "-1", " 1", "", "x"})
        document += file(badType, id, "");
    for (const char* badId : {"00112233445566778899AABBCCDDEEF", "00112233445566778899AABBCCDDEEFF0",
                              "00112233445566778899AABBCCDDEEFG", " 0112233445566778899AABBCCDDEEFF"})
        document += file("1", badId, "");
    document += file("1", id, "<user_uid>short</user_uid><file_size>-5</file_size><td_status>3</td_status>");
    document += file("1", "00112233445566778899AABBCCDDEEFF", "<user_email>second</user_email>");
    document += file("2", id, "<file_size>99999999999999999999</file_size><user_email>\xC3(</user_email>");
    for (int status = 0; status <= 16; ++status)
        document += file("2", id.substr(0, 30) + std::to_string(status / 10) + std::to_string(status % 10),
                         "<file_size>10</file_size><transfered_size>11</transfered_size><td_status>" +
                             std::to_string(status) + "</td_status>");
    document += "</files>";

    const std::vector<TransferRecord> list = ReadList(document);
    ASSERT_EQ(2u + 17u, list.size());
    const unsigned char zeros[ID_SIZE] = {};
    EXPECT_EQ(0, std::memcmp(zeros, list[0].userId, ID_SIZE));
    EXPECT_EQ(0x00, list[0].fileId[0]);
    EXPECT_EQ(0xFF, list[0].fileId[15]);
    EXPECT_EQ(0, list[0].size);
    EXPECT_EQ(6, list[0].status);
    EXPECT_EQ(2, list[1].type);
    EXPECT_EQ(0, list[1].size);
    EXPECT_EQ(u"\uFFFD(", list[1].userEmail);
    const int restored[17] = {6, 6, 6, 6, 6, 5, 6, 7, 6, 9, 10, 6, 6, 13, 6, 6, 6};
    for (int status = 0; status <= 16; ++status) {
        EXPECT_EQ(restored[status], list[2 + status].status) << status;
        EXPECT_EQ(10, list[2 + status].transferred);
    }
}

// XML 1.0's characters: what a strict reader takes, literally or as a reference.
bool IsXmlChar(std::uint32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// Empty when a strict reader takes every character of the document; else what it refuses.
std::string StrictReaderRefuses(const Text& document)
{
    for (std::size_t i = 0; i < document.size(); ++i) {
        std::uint32_t c = document[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < document.size() && document[i + 1] >= 0xDC00 &&
            document[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (document[++i] - 0xDC00);
        if (!IsXmlChar(c))
            return "character " + std::to_string(c) + " at " + std::to_string(i);
        if (c != u'&' || i + 1 >= document.size() || document[i + 1] != u'#')
            continue;
        const std::size_t end = document.find(u';', i);
        const bool hex = i + 2 < document.size() && document[i + 2] == u'x';
        std::string digits;
        for (std::size_t j = i + (hex ? 3 : 2); j < end && j < document.size(); ++j)
            digits += static_cast<char>(document[j]);
        if (end == Text::npos || digits.empty() || !IsXmlChar(std::stoul(digits, nullptr, hex ? 16 : 10)))
            return "reference &#" + digits + "; at " + std::to_string(i);
    }
    return std::string();
}

TEST(XmlStoreFiles, EveryFileTheStoreWritesIsWellFormedWhateverItsTexts)
{
    // Every control character, U+FFFE, U+FFFF and unpaired surrogates, around characters XML has.
    Text hostile, expected;
    for (char16_t c = 0; c < 0x20; ++c) {
        hostile += c;
        expected += c == u'\t' || c == u'\n' || c == u'\r' ? c : u'\uFFFD';
    }
    for (const Text& bad : {Text(1, u'\xFFFE'), Text(1, u'\xFFFF'), Text(1, char16_t(0xD800)),
                            Text(1, char16_t(0xDFFF)), Text{char16_t(0xDC00), char16_t(0xD800)}}) {
        hostile += bad + u"\U0001F600 x";
        expected += Text(bad.size(), u'\uFFFD') + u"\U0001F600 x";
    }
    hostile += char16_t(0xDBFF); // cut in the middle of a pair
    expected += u'\uFFFD';

    TransferRecord record = SampleList(1)[0];
    record.userEmail = record.realName = record.shortName = hostile;
    LinkRecord link = SampleLink();
    link.senderEmail = link.senderName = link.subject = link.message = link.files[0].shortName = hostile;
    const MailRecord mail{hostile, hostile, hostile, hostile, {{hostile, hostile}}};
    const Text documents[] = {WriteTransferList({record}), WriteItems({{hostile, hostile}}),
                              WriteSleeping({link}, {mail})};
    for (const Text& document : documents)
        EXPECT_EQ("", StrictReaderRefuses(document));

    const std::vector<TransferRecord> list = ReadList(Utf16ToLittleEndian(documents[0]));
    ASSERT_EQ(1u, list.size());
    EXPECT_EQ(expected, list[0].userEmail);
    EXPECT_EQ(expected, list[0].shortName);
    std::vector<Item> items;
    const std::string itemBytes = Utf16ToLittleEndian(documents[1]);
    ASSERT_TRUE(ReadItems(itemBytes.data(), itemBytes.size(), items));
    EXPECT_EQ((std::vector<Item>{{expected, expected}}), items);
    std::vector<LinkRecord> links;
    std::vector<MailRecord> mails;
    const std::string sleeping = Utf16ToLittleEndian(documents[2]);
    ASSERT_TRUE(ReadSleeping(sleeping.data(), sleeping.size(), links, mails));
    ASSERT_EQ(1u, links.size());
    EXPECT_EQ(expected, links[0].senderEmail);
    EXPECT_EQ(expected, links[0].message);
    ASSERT_EQ(1u, mails.size());
    EXPECT_EQ(expected, mails[0].recipients.at(0).first);
}

TEST(XmlStoreFiles, AFileCutAtAnyLengthIsRefusedAndNothingIsTaken)
{
    MailRecord mail{u"s", u"s@x", u"subject", u"body", {{u"a@b", u"A"}}};
    const std::string files[] = {Utf16ToLittleEndian(WriteTransferList(SampleList(3))),
                                 Utf16ToLittleEndian(WriteItems({{u"a@b", u"A"}, {u"c@d", u"C"}})),
                                 Utf16ToLittleEndian(WriteSleeping({SampleLink()}, {mail}))};
    for (const std::string& whole : files) {
        for (std::size_t cut = 0; cut < whole.size(); ++cut) {
            // Each list holds one entry beforehand, which a refused file must leave alone.
            std::vector<TransferRecord> records(1);
            std::vector<Item> items(1);
            std::vector<LinkRecord> links(1);
            std::vector<MailRecord> mails(1);
            ASSERT_FALSE(ReadTransferList(whole.data(), cut, records) || ReadItems(whole.data(), cut, items) ||
                         ReadSleeping(whole.data(), cut, links, mails))
                << cut;
            ASSERT_TRUE(records.size() == 1 && items.size() == 1 && links.size() == 1 && mails.size() == 1);
        }
    }
}

TEST(XmlStoreFiles, TenThousandRecordsReadBack)
{
    const std::vector<TransferRecord> list = SampleList(10000);
    const std::vector<TransferRecord> back = ReadList(Utf16ToLittleEndian(WriteTransferList(list)));
    ASSERT_EQ(list.size(), back.size());
    ExpectSame(list.back(), back.back());
}
