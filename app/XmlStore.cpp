#include "app/XmlStore.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <new>
#include <set>
#include <string>

#include <windows.h>

#include "app/AnsiText.h"
#include "app/XmlStoreFile.h"
#include "app/portable/ItemsXml.h"
#include "app/portable/SleepingXml.h"
#include "app/portable/TransferListXml.h"
#include "app/portable/Utf16Text.h"

namespace {

static_assert(STransferListItem::ID_SIZE == xmlstore::ID_SIZE && CFileLink::ID_SIZE == xmlstore::ID_SIZE,
              "identifiers are 16 bytes everywhere");

// Paths whose file exists but was not read in this run (locked, say), or was damaged and could
// not be put aside: a save would replace a list this run never saw, so none is made until a
// later load reads the file. Windows names compare without case.
class CHeldFiles {
public:
    static CHeldFiles& Instance()
    {
        static CHeldFiles held;
        return held;
    }
    // Without the memory to note one path, every path is held.
    void Set(const CString& path, bool held) noexcept
    {
        try {
            const std::string key = Key(path);
            std::lock_guard<std::mutex> guard(m_lock);
            if (held)
                m_paths.insert(key);
            else
                m_paths.erase(key);
        } catch (const std::bad_alloc&) {
            if (held)
                m_all = true;
        }
    }
    bool IsHeld(const CString& path) noexcept
    {
        if (m_all)
            return true;
        try {
            const std::string key = Key(path);
            std::lock_guard<std::mutex> guard(m_lock);
            return m_paths.count(key) != 0;
        } catch (const std::bad_alloc&) {
            return true;
        }
    }

private:
    static std::string Key(const CString& path)
    {
        std::string key = path.str();
        if (!key.empty())
            CharUpperBuffA(&key[0], static_cast<DWORD>(key.size()));
        return key;
    }

    std::mutex m_lock;
    std::set<std::string> m_paths;
    std::atomic<bool> m_all{false};
};

bool Save(const CString& path, const xmlstore::Text& document)
{
    if (CHeldFiles::Instance().IsHeld(path)) {
        const std::string line = "Tarnix: " + path.str() + " could not be read yet; it is not saved over\n";
        OutputDebugStringA(line.c_str());
        return false;
    }
    return ReplaceFileAside(path, xmlstore::Utf16ToLittleEndian(document));
}

// Reads `path` and hands its bytes to `read` (which parses and converts them, all or nothing);
// a file that exists but does not read as a whole document is renamed to "<path>.bad", so that
// no later save replaces it unseen. One that cannot be read, or put aside, is held: saves to it
// are refused.
template <typename Read>
bool Load(const CString& path, Read read)
{
    std::string bytes;
    const StoreFileRead result = ReadStoreFile(path, bytes);
    if (result != StoreFileRead::Read) {
        CHeldFiles::Instance().Set(path, result == StoreFileRead::Failed);
        return false;
    }
    bool parsed = false;
    try {
        parsed = read(bytes.data(), bytes.size());
    } catch (const std::bad_alloc&) {
        // Read, but not taken: the file is as good as unread.
        CHeldFiles::Instance().Set(path, true);
        return false;
    }
    CHeldFiles::Instance().Set(path, parsed ? false : !KeepDamagedFile(path));
    return parsed;
}

// Out of memory is a failed save or load, never an exception: the engine's callbacks save.
template <typename Body>
bool NoThrow(Body body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return false;
    }
}

xmlstore::Item ToItem(const CString& key, const CString& value)
{
    return xmlstore::Item(AnsiToUtf16(key), AnsiToUtf16(value));
}

xmlstore::TransferRecord ToRecord(const STransferListItem& item)
{
    xmlstore::TransferRecord record;
    record.type = item.type;
    std::memcpy(record.userId, item.userId, xmlstore::ID_SIZE);
    record.userEmail = AnsiToUtf16(item.userEmail);
    std::memcpy(record.fileId, item.fileId, xmlstore::ID_SIZE);
    record.transferred = item.transferred;
    record.realName = AnsiToUtf16(item.realName);
    record.shortName = AnsiToUtf16(item.shortName);
    record.size = item.size;
    record.status = item.status;
    record.furtherFiles = item.furtherFiles;
    return record;
}

STransferListItem FromRecord(const xmlstore::TransferRecord& record)
{
    STransferListItem item;
    item.type = record.type;
    std::memcpy(item.userId, record.userId, xmlstore::ID_SIZE);
    item.userEmail = Utf16ToAnsi(record.userEmail);
    std::memcpy(item.fileId, record.fileId, xmlstore::ID_SIZE);
    item.transferred = record.transferred;
    item.realName = Utf16ToAnsi(record.realName);
    item.shortName = Utf16ToAnsi(record.shortName);
    item.size = record.size;
    item.status = record.status;
    item.furtherFiles = record.furtherFiles;
    return item;
}

xmlstore::LinkRecord ToRecord(const CFileLink& link)
{
    xmlstore::LinkRecord record;
    std::memcpy(record.senderId, link.m_senderUserId, xmlstore::ID_SIZE);
    record.senderEmail = AnsiToUtf16(link.m_senderEmail);
    record.senderName = AnsiToUtf16(link.m_senderName);
    record.recipientEmail = AnsiToUtf16(link.m_recipientEmail);
    record.recipientName = AnsiToUtf16(link.m_recipientName);
    for (const CLinkFileEntry& entry : link.m_entries) {
        xmlstore::LinkFileRecord file;
        file.shortName = AnsiToUtf16(entry.m_name);
        file.fullName = AnsiToUtf16(entry.m_path);
        std::memcpy(file.id, entry.m_fileId, xmlstore::ID_SIZE);
        file.size = entry.m_size;
        record.files.push_back(std::move(file));
    }
    record.subject = AnsiToUtf16(link.m_subject);
    record.message = AnsiToUtf16(link.m_message);
    record.totalSize = link.m_totalSize;
    return record;
}

CFileLink FromRecord(const xmlstore::LinkRecord& record)
{
    CFileLink link;
    std::memcpy(link.m_senderUserId, record.senderId, xmlstore::ID_SIZE);
    link.m_senderEmail = Utf16ToAnsi(record.senderEmail);
    link.m_senderName = Utf16ToAnsi(record.senderName);
    link.m_recipientEmail = Utf16ToAnsi(record.recipientEmail);
    link.m_recipientName = Utf16ToAnsi(record.recipientName);
    for (const xmlstore::LinkFileRecord& file : record.files) {
        CLinkFileEntry entry;
        entry.m_name = Utf16ToAnsi(file.shortName);
        entry.m_path = Utf16ToAnsi(file.fullName);
        std::memcpy(entry.m_fileId, file.id, xmlstore::ID_SIZE);
        entry.m_size = file.size;
        link.m_entries.push_back(entry);
    }
    link.m_subject = Utf16ToAnsi(record.subject);
    link.m_message = Utf16ToAnsi(record.message);
    link.m_totalSize = record.totalSize;
    return link;
}

// Only the chosen recipients are kept: the file has no mark for the others, and a mail read
// back goes to every recipient it lists.
xmlstore::MailRecord ToRecord(const CTAFEmail& mail)
{
    xmlstore::MailRecord record;
    record.senderName = AnsiToUtf16(mail.m_senderName);
    record.senderEmail = AnsiToUtf16(mail.m_senderEmail);
    record.subject = AnsiToUtf16(mail.m_subject);
    record.body = AnsiToUtf16(mail.m_body);
    for (const STAFRecipient& recipient : mail.m_recipients)
        if (recipient.m_chosen)
            record.recipients.push_back(ToItem(recipient.m_email, recipient.m_name));
    return record;
}

// Made anew, so the mail's age counts from now.
CTAFEmail FromRecord(const xmlstore::MailRecord& record)
{
    CTAFEmail mail;
    mail.m_senderName = Utf16ToAnsi(record.senderName);
    mail.m_senderEmail = Utf16ToAnsi(record.senderEmail);
    mail.m_subject = Utf16ToAnsi(record.subject);
    mail.m_body = Utf16ToAnsi(record.body);
    for (const xmlstore::Item& item : record.recipients)
        mail.m_recipients.push_back(STAFRecipient{Utf16ToAnsi(item.first), Utf16ToAnsi(item.second), true});
    return mail;
}

} // namespace

bool IsStoreFileHeld(const CString& path)
{
    return CHeldFiles::Instance().IsHeld(path);
}

bool SaveTransferListXml(const CString& path, const std::vector<STransferListItem>& items)
{
    return NoThrow([&] {
        std::vector<xmlstore::TransferRecord> records;
        records.reserve(items.size());
        for (const STransferListItem& item : items)
            records.push_back(ToRecord(item));
        return Save(path, xmlstore::WriteTransferList(records));
    });
}

bool LoadTransferListXml(const CString& path, std::vector<STransferListItem>& items)
{
    items.clear();
    std::vector<STransferListItem> read;
    const bool loaded = NoThrow([&] {
        return Load(path, [&](const char* data, std::size_t size) {
            std::vector<xmlstore::TransferRecord> records;
            if (!xmlstore::ReadTransferList(data, size, records))
                return false;
            for (const xmlstore::TransferRecord& record : records)
                read.push_back(FromRecord(record));
            return true;
        });
    });
    if (loaded)
        items.swap(read);
    return loaded;
}

bool SaveSleepingXml(const CString& path, const std::vector<CFileLink>& links, const std::vector<CTAFEmail>& mails)
{
    return NoThrow([&] {
        std::vector<xmlstore::LinkRecord> linkRecords;
        for (const CFileLink& link : links)
            linkRecords.push_back(ToRecord(link));
        std::vector<xmlstore::MailRecord> mailRecords;
        for (const CTAFEmail& mail : mails)
            mailRecords.push_back(ToRecord(mail));
        return Save(path, xmlstore::WriteSleeping(linkRecords, mailRecords));
    });
}

bool LoadSleepingXml(const CString& path, std::vector<CFileLink>& links, std::vector<CTAFEmail>& mails)
{
    links.clear();
    mails.clear();
    std::vector<CFileLink> readLinks;
    std::vector<CTAFEmail> readMails;
    const bool loaded = NoThrow([&] {
        return Load(path, [&](const char* data, std::size_t size) {
            std::vector<xmlstore::LinkRecord> linkRecords;
            std::vector<xmlstore::MailRecord> mailRecords;
            if (!xmlstore::ReadSleeping(data, size, linkRecords, mailRecords))
                return false;
            for (const xmlstore::LinkRecord& record : linkRecords)
                readLinks.push_back(FromRecord(record));
            for (const xmlstore::MailRecord& record : mailRecords)
                readMails.push_back(FromRecord(record));
            return true;
        });
    });
    if (loaded) {
        links.swap(readLinks);
        mails.swap(readMails);
    }
    return loaded;
}

bool SaveItemsXml(const CString& path, const CItemList& items)
{
    return NoThrow([&] {
        std::vector<xmlstore::Item> records;
        records.reserve(items.size());
        for (const auto& item : items)
            records.push_back(ToItem(item.first, item.second));
        return Save(path, xmlstore::WriteItems(records));
    });
}

bool LoadItemsXml(const CString& path, CItemList& items)
{
    CItemList read;
    const bool loaded = NoThrow([&] {
        return Load(path, [&](const char* data, std::size_t size) {
            std::vector<xmlstore::Item> records;
            if (!xmlstore::ReadItems(data, size, records))
                return false;
            for (const xmlstore::Item& record : records)
                read.emplace_back(Utf16ToAnsi(record.first), Utf16ToAnsi(record.second));
            return true;
        });
    });
    if (!loaded)
        return false;
    if (items.empty()) {
        items.swap(read);
        return true;
    }
    // Without the memory to append, the file counts as unread.
    if (NoThrow([&] {
            items.insert(items.end(), read.begin(), read.end());
            return true;
        }))
        return true;
    CHeldFiles::Instance().Set(path, true);
    return false;
}
