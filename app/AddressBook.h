#pragma once
// CAddressBook: the user's contacts, (e-mail address, display name) pairs in the order they were
// added, kept in an items file ("AddressBook.xml" in the program's folder). Owned by
// CSettingsManager; every operation may be called from any thread and holds the book's own lock
// (never taken together with the transfer registry's).

#include "app/XmlStore.h"
#include "framework/String.h"
#include "infra/Lock.h"

class CAddressBook {
public:
    using Entry = std::pair<CString, CString>; // e-mail, name

    CAddressBook() = default;
    CAddressBook(const CAddressBook&) = delete;
    CAddressBook& operator=(const CAddressBook&) = delete;

    // Remembers the path and replaces the list with the file's; false when the file is missing
    // or damaged (the list is then empty; a damaged file is kept as "<path>.bad").
    bool Load(const CString& path);
    // Writes the whole list to the path given to Load; false before Load or when the save fails.
    // A file Load could not read (held, XmlStore.h) is read first, and its addresses the list
    // lacks join it; while it stays unreadable, nothing is written.
    bool Save();
    // Appends the pair; saves when asked and answers the save's result, else true.
    bool Add(const CString& email, const CString& name, bool save);
    // The first pair whose address equals `email` regardless of case (in the thread's ANSI code
    // page), or an empty pair with `found` false.
    Entry Find(const CString& email, bool& found) const;
    // Empties the list and saves it.
    bool Clear();
    // For completing a typed address: every pair when `text` is empty; otherwise, in list order,
    // the pairs in which the first occurrence of the text (regardless of case) starts the address
    // or follows a blank, or else does so in the name.
    void GetSuggestions(const CString& text, CItemList& suggestions) const;

private:
    // Caller holds the lock. Reads a held file and puts its entries the list lacks first.
    void MergeHeldFile();

    mutable sti::CRecursiveMutex m_lock; // guards both members; Add re-enters it to save
    CItemList m_entries;
    CString m_path;
};
