#pragma once
// What the three XML files hold, as plain values free of any Windows type, so that the readers
// and writers can be built and fuzzed natively. Texts are UTF-16; the Windows layer (XmlStore.h)
// converts them from and to the program's 8-bit text.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace xmlstore {

using Text = std::u16string;
constexpr std::size_t ID_SIZE = 16;

using Id = std::array<unsigned char, ID_SIZE>;

// One "file" of "DUList.xml".
struct TransferRecord {
    int type = 0; // 1 upload, 2 download
    unsigned char userId[ID_SIZE] = {};
    Text userEmail;
    unsigned char fileId[ID_SIZE] = {};
    std::int64_t transferred = 0;
    Text realName;
    Text shortName;
    std::int64_t size = 0;
    int status = 6;
    std::vector<Id> furtherFiles; // the first upload of a link: the ids of the link's other files
};

// One "file" of a sleeping link.
struct LinkFileRecord {
    Text shortName;
    Text fullName;
    unsigned char id[ID_SIZE] = {};
    std::int64_t size = 0;
};

// One "filelink" of "SleepingLinks.xml".
struct LinkRecord {
    unsigned char senderId[ID_SIZE] = {};
    Text senderEmail;
    Text senderName;
    Text recipientEmail;
    Text recipientName;
    std::vector<LinkFileRecord> files;
    Text subject;
    Text message;
    std::int64_t totalSize = 0; // written as is; read back as the sum of the sizes
};

// An "item": attribute "name" and the element's text (an address book's e-mail and name).
using Item = std::pair<Text, Text>;

// One "taf_mail" of "SleepingLinks.xml".
struct MailRecord {
    Text senderName;
    Text senderEmail;
    Text subject;
    Text body;
    std::vector<Item> recipients;
};

} // namespace xmlstore
