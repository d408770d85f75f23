#include "app/WabReader.h"

// MinGW's <wab.h> defines the MAPI types twice; these, in this order, declare them once.
#include <wabdefs.h>
#include <wabtags.h>
#include <wabiab.h>
#include <wabapi.h>

#include <vector>

#include "framework/ComPtr.h"
#include "framework/RegistryHandle.h"

namespace {

const ULONG CONTENTS_TABLE_FLAGS = 16;

// The library path: text of a sane length, environment references expanded; empty otherwise.
CString LibraryPath()
{
    CRegistryHandle key;
    // Reading needs no more than KEY_READ, which a standard user has on HKEY_LOCAL_MACHINE.
    if (key.Open(HKEY_LOCAL_MACHINE, CWabReader::LIBRARY_KEY, KEY_READ) != ERROR_SUCCESS)
        return CString();
    std::vector<char> text(CWabReader::MAX_PATH_BYTES + 1, '\0');
    DWORD type = 0;
    DWORD size = CWabReader::MAX_PATH_BYTES;
    if (RegQueryValueExA(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return CString();
    text[size] = '\0';
    if (type == REG_SZ)
        return CString(text.data());
    std::vector<char> expanded(CWabReader::MAX_PATH_BYTES + 1, '\0');
    DWORD needed = ExpandEnvironmentStringsA(text.data(), expanded.data(), CWabReader::MAX_PATH_BYTES);
    if (needed == 0 || needed > CWabReader::MAX_PATH_BYTES)
        return CString();
    return CString(expanded.data());
}

// One buffer the WAB object allocated, handed back to it on destruction.
class CWabBuffer {
public:
    explicit CWabBuffer(IWABObject* wab, void* buffer = nullptr) : m_wab(wab), m_buffer(buffer) {}
    ~CWabBuffer()
    {
        if (m_buffer)
            m_wab->FreeBuffer(m_buffer);
    }
    CWabBuffer(const CWabBuffer&) = delete;
    CWabBuffer& operator=(const CWabBuffer&) = delete;

private:
    IWABObject* m_wab;
    void* m_buffer;
};

const char* Text(const SPropValue& value)
{
    return value.Value.lpszA ? value.Value.lpszA : "";
}

HRESULT Collect(IAddrBook* book, IWABObject* wab, std::vector<std::pair<CString, CString>>& contacts)
{
    ULONG idSize = 0;
    ENTRYID* id = nullptr;
    if (FAILED(book->GetPAB(&idSize, &id)))
        return S_OK; // no personal address book: nothing to read
    CWabBuffer idGuard(wab, id);

    ULONG type = 0;
    CComPtr<IUnknown> entry;
    HRESULT result = book->OpenEntry(idSize, id, nullptr, MAPI_BEST_ACCESS, &type, entry.Receive());
    if (FAILED(result))
        return result;
    if (type != MAPI_ABCONT || !entry)
        return S_OK;
    // An entry of type MAPI_ABCONT opened without an interface id is an address-book container.
    IABContainer* container = static_cast<IABContainer*>(entry.Get());

    CComPtr<IMAPITable> table;
    result = container->GetContentsTable(CONTENTS_TABLE_FLAGS, table.Receive());
    if (FAILED(result))
        return result;
    if (!table)
        return E_FAIL;
    ULONG count = 0;
    result = table->GetRowCount(0, &count);
    if (FAILED(result))
        return result;
    SRowSet* rows = nullptr;
    result = table->QueryRows(static_cast<LONG>(count), 0, &rows);
    if (FAILED(result) || !rows)
        return result;
    CWabBuffer rowsGuard(wab, rows);
    for (ULONG r = 0; r < rows->cRows; ++r) {
        const SRow& row = rows->aRow[r];
        CWabBuffer propsGuard(wab, row.lpProps);
        const char* name = "";
        const char* email = "";
        for (ULONG p = 0; row.lpProps && p < row.cValues; ++p) {
            if (row.lpProps[p].ulPropTag == PR_DISPLAY_NAME_A)
                name = Text(row.lpProps[p]);
            else if (row.lpProps[p].ulPropTag == PR_EMAIL_ADDRESS_A)
                email = Text(row.lpProps[p]);
        }
        if (*name && *email)
            contacts.emplace_back(CString(email), CString(name));
    }
    return S_OK;
}

} // namespace

CWabReader::CWabReader()
{
    CString path = LibraryPath();
    if (!path.IsEmpty())
        m_library = LoadLibraryA(path);
}

CWabReader::~CWabReader()
{
    if (m_library)
        FreeLibrary(m_library);
}

void CWabReader::ForEach(IAddressEnumerator& callback) const
{
    for (const auto& contact : m_contacts) {
        if (!callback.OnAddress(contact.first, contact.second))
            return;
    }
}

bool CWabReader::Read()
{
    if (!m_library)
        return false;
    auto open = reinterpret_cast<LPWABOPEN>(reinterpret_cast<void*>(GetProcAddress(m_library, "WABOpen")));
    if (!open)
        return false;
    CComPtr<IWABObject> wab; // released after the book
    CComPtr<IAddrBook> book;
    if (FAILED(open(book.Receive(), wab.Receive(), nullptr, 0)) || !book || !wab)
        return false;
    return SUCCEEDED(Collect(book.Get(), wab.Get(), m_contacts));
}
