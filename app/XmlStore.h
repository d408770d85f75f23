#pragma once
// The program's three XML files, rewritten whole on every save and read back with pugixml:
// the transfer list "DUList.xml", the sleeping links and mails "SleepingLinks.xml", and items
// files such as "AddressBook.xml". All are UTF-16 LE without a byte-order mark; texts are the
// program's 8-bit ANSI text, converted with the thread's ANSI code page.
//
// A save builds the whole document in memory, writes it to "<path>.tmp", flushes and closes it,
// then moves it over the target in one replace: a save that fails at any step returns false and
// leaves the previous file whole; a stale "<path>.tmp" is simply overwritten. A load returns
// false when the file is missing, cannot be read or does not parse as a whole document with the
// expected root; such a damaged file is renamed to "<path>.bad" (one kept), and the lists come
// back empty, never partial. A file that exists but could not be read (locked, say), or could
// not be put aside, is held: it is left as it is and no save replaces it until a later load
// reads it (the save returns false and says so in the debug log). Its owner therefore loads a
// held file again before each save and merges what it read into its own list. Nothing here
// throws (out of memory is a failed call). Callers serialise the calls for one path; any thread
// may make them.

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "app/FileLink.h"
#include "app/TAFEmail.h"
#include "framework/String.h"

// Whether the file at `path` is held: it exists, and no load of this run has read it yet.
bool IsStoreFileHeld(const CString& path);

// One "file" element of "DUList.xml": what a transfer record keeps across a restart.
struct STransferListItem {
    static constexpr int ID_SIZE = 16;

    int type = 0;                       // 1 upload, 2 download
    unsigned char userId[ID_SIZE] = {}; // the peer's user id
    CString userEmail;                  // the peer's e-mail address
    unsigned char fileId[ID_SIZE] = {};
    std::int64_t transferred = 0; // "transfered_size"
    CString realName;             // full path of the file
    CString shortName;            // the file's name
    std::int64_t size = 0;
    int status = 6; // "td_status"
    // A link's first upload: the ids of the link's other files ("further_files").
    std::vector<std::array<unsigned char, ID_SIZE>> furtherFiles;
};

// Reading applies the list's rules: items without a valid file id or with a type other than 1
// or 2 are skipped, as is a second item of one type and file id; numbers out of range read as
// 0, transferred is clamped to the size, and statuses that stand for a session or an attempt
// (and any outside 0-15) read as 6. Loading replaces the list.
bool SaveTransferListXml(const CString& path, const std::vector<STransferListItem>& items);
bool LoadTransferListXml(const CString& path, std::vector<STransferListItem>& items);

// Links are rebuilt with sender, recipient, files, subject and message (the total is the sum of
// the files' sizes; a link without files is dropped); mails with sender, subject, body and
// recipients (a mail read back counts its age from the load). Only a mail's chosen recipients
// are saved, and they come back chosen. Loading replaces both lists.
bool SaveSleepingXml(const CString& path, const std::vector<CFileLink>& links, const std::vector<CTAFEmail>& mails);
bool LoadSleepingXml(const CString& path, std::vector<CFileLink>& links, std::vector<CTAFEmail>& mails);

// Items files: (key, value) pairs - for the address book (e-mail, display name). Loading
// appends to the list.
using CItemList = std::vector<std::pair<CString, CString>>;
bool SaveItemsXml(const CString& path, const CItemList& items);
bool LoadItemsXml(const CString& path, CItemList& items);
