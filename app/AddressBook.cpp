#include "app/AddressBook.h"

#include <algorithm>
#include <string>

#include "app/AnsiText.h"

namespace {

// Lower case by the characters of the thread's ANSI code page, not its bytes.
std::wstring Lowered(const CString& text)
{
    const xmlstore::Text wide = AnsiToUtf16(text);
    std::wstring lowered(wide.begin(), wide.end());
    if (!lowered.empty())
        CharLowerBuffW(&lowered[0], static_cast<DWORD>(lowered.size()));
    return lowered;
}

// The first occurrence of `part` in `whole` starts it or follows a blank.
bool BeginsAWord(const std::wstring& whole, const std::wstring& part)
{
    const std::size_t at = whole.find(part);
    return at != std::wstring::npos && (at == 0 || whole[at - 1] == L' ');
}

} // namespace

bool CAddressBook::Load(const CString& path)
{
    sti::CScopedLock guard(m_lock);
    m_path = path;
    m_entries.clear();
    return LoadItemsXml(m_path, m_entries);
}

bool CAddressBook::Save()
{
    sti::CScopedLock guard(m_lock);
    if (m_path.IsEmpty())
        return false;
    MergeHeldFile();
    return SaveItemsXml(m_path, m_entries);
}

void CAddressBook::MergeHeldFile()
{
    CItemList read;
    if (!IsStoreFileHeld(m_path) || !LoadItemsXml(m_path, read))
        return;
    // The file's entries come first, as if read at the start; an address the run has wins.
    CItemList merged;
    for (const Entry& entry : read) {
        const std::wstring email = Lowered(entry.first);
        if (std::none_of(m_entries.begin(), m_entries.end(),
                         [&](const Entry& own) { return Lowered(own.first) == email; }))
            merged.push_back(entry);
    }
    merged.insert(merged.end(), m_entries.begin(), m_entries.end());
    m_entries.swap(merged);
}

bool CAddressBook::Add(const CString& email, const CString& name, bool save)
{
    sti::CScopedLock guard(m_lock);
    m_entries.emplace_back(email, name);
    return save ? Save() : true;
}

CAddressBook::Entry CAddressBook::Find(const CString& email, bool& found) const
{
    const std::wstring wanted = Lowered(email);
    sti::CScopedLock guard(m_lock);
    for (const Entry& entry : m_entries) {
        if (Lowered(entry.first) == wanted) {
            found = true;
            return entry;
        }
    }
    found = false;
    return Entry();
}

bool CAddressBook::Clear()
{
    sti::CScopedLock guard(m_lock);
    MergeHeldFile(); // cleared with the rest
    m_entries.clear();
    return Save();
}

void CAddressBook::GetSuggestions(const CString& text, CItemList& suggestions) const
{
    suggestions.clear();
    const std::wstring typed = Lowered(text);
    sti::CScopedLock guard(m_lock);
    for (const Entry& entry : m_entries) {
        if (typed.empty() || BeginsAWord(Lowered(entry.first), typed) || BeginsAWord(Lowered(entry.second), typed))
            suggestions.push_back(entry);
    }
}
