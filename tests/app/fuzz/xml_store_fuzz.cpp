// Feeds arbitrary bytes to the three readers of the XML store and checks what must hold for any
// input: no fault; a refused file changes nothing; what was read obeys the list's rules and,
// written, read and written again, comes out the same (a text XML cannot hold is written as
// U+FFFD the first time).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/portable/ItemsXml.h"
#include "app/portable/SleepingXml.h"
#include "app/portable/TransferListXml.h"
#include "app/portable/Utf16Text.h"

using namespace xmlstore;

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void TransferList(const std::uint8_t* data, std::size_t size)
{
    std::vector<TransferRecord> list(1);
    if (!ReadTransferList(data, size, list)) {
        Check(list.size() == 1 && list[0].type == 0);
        return;
    }
    std::set<std::pair<int, std::string>> keys;
    for (const TransferRecord& r : list) {
        Check(r.type == 1 || r.type == 2);
        Check(r.status == 5 || r.status == 6 || r.status == 7 || r.status == 9 || r.status == 10 || r.status == 13);
        Check(r.transferred >= 0 && r.transferred <= r.size);
        Check(keys.emplace(r.type, std::string(reinterpret_cast<const char*>(r.fileId), ID_SIZE)).second);
    }
    const Text written = WriteTransferList(list);
    const std::string bytes = Utf16ToLittleEndian(written);
    std::vector<TransferRecord> again;
    Check(ReadTransferList(bytes.data(), bytes.size(), again));
    Check(WriteTransferList(again) == written);
}

void Sleeping(const std::uint8_t* data, std::size_t size)
{
    std::vector<LinkRecord> links(1);
    std::vector<MailRecord> mails(1);
    if (!ReadSleeping(data, size, links, mails)) {
        Check(links.size() == 1 && mails.size() == 1);
        return;
    }
    for (const LinkRecord& link : links) {
        Check(!link.files.empty());
        std::int64_t sum = 0;
        for (const LinkFileRecord& file : link.files) {
            Check(file.size >= 0);
            sum = file.size > INT64_MAX - sum ? INT64_MAX : sum + file.size;
        }
        Check(link.totalSize == sum);
    }
    const Text written = WriteSleeping(links, mails);
    const std::string bytes = Utf16ToLittleEndian(written);
    std::vector<LinkRecord> linksAgain;
    std::vector<MailRecord> mailsAgain;
    Check(ReadSleeping(bytes.data(), bytes.size(), linksAgain, mailsAgain));
    Check(WriteSleeping(linksAgain, mailsAgain) == written);
}

void Items(const std::uint8_t* data, std::size_t size)
{
    std::vector<Item> items;
    if (!ReadItems(data, size, items)) {
        Check(items.empty());
        return;
    }
    const Text written = WriteItems(items);
    const std::string bytes = Utf16ToLittleEndian(written);
    std::vector<Item> again;
    Check(ReadItems(bytes.data(), bytes.size(), again));
    Check(WriteItems(again) == written);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TransferList(data, size);
    Sleeping(data, size);
    Items(data, size);
    return 0;
}
