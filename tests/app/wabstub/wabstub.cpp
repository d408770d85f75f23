// A stand-in Windows Address Book for tests: WABOpen and just what a reader of the personal
// address book calls. Contacts come from the file named by TARNIX_WABSTUB_CONTACTS, one per line,
// fields separated by '|': "N=name", "E=address", "O=text" (another property), or "N"/"E" alone
// for a string property whose pointer is null. TARNIX_WABSTUB_FAIL names one step to fail:
// WABOpen, GetPAB, OpenEntry, MailUser (the entry is no container), GetContentsTable, NoTable
// (success without a table), GetRowCount, QueryRows. Every object and every root buffer is
// counted while alive (WabStubLiveCount); frees of unknown buffers are counted too.

#include <windows.h>
#include <wabdefs.h>
#include <wabtags.h>
#include <wabiab.h>
#include <wabapi.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#pragma GCC diagnostic ignored "-Wunused-parameter"

extern "C" LONG WabStubLiveCount();
extern "C" LONG WabStubBadFrees();

namespace {

std::atomic<LONG> g_live{0};
std::atomic<LONG> g_badFrees{0};
std::mutex g_lock;
std::map<void*, std::vector<void*>> g_buffers; // root buffer -> buffers chained to it

SCODE Allocate(ULONG size, void** out)
{
    std::lock_guard<std::mutex> guard(g_lock);
    *out = std::calloc(1, size ? size : 1);
    g_buffers[*out];
    ++g_live;
    return S_OK;
}

SCODE AllocateMore(ULONG size, void* parent, void** out)
{
    std::lock_guard<std::mutex> guard(g_lock);
    auto root = g_buffers.find(parent);
    if (root == g_buffers.end())
        return E_INVALIDARG;
    *out = std::calloc(1, size ? size : 1);
    root->second.push_back(*out);
    return S_OK;
}

HRESULT Free(void* buffer)
{
    std::lock_guard<std::mutex> guard(g_lock);
    auto root = g_buffers.find(buffer);
    if (root == g_buffers.end()) {
        ++g_badFrees;
        return E_INVALIDARG;
    }
    for (void* more : root->second)
        std::free(more);
    std::free(buffer);
    g_buffers.erase(root);
    --g_live;
    return S_OK;
}

// The process's environment as Win32 keeps it (the test sets it with SetEnvironmentVariable).
std::string Environment(const char* name)
{
    char value[MAX_PATH] = {};
    DWORD size = GetEnvironmentVariableA(name, value, sizeof value);
    return size > 0 && size < sizeof value ? value : "";
}

bool Failing(const char* step)
{
    return Environment("TARNIX_WABSTUB_FAIL") == step;
}

struct SField {
    ULONG tag;
    bool null;
    std::string text;
};
using CContact = std::vector<SField>;

std::vector<CContact> LoadContacts()
{
    std::vector<CContact> contacts;
    std::ifstream in(Environment("TARNIX_WABSTUB_CONTACTS"));
    std::string line;
    while (std::getline(in, line)) {
        CContact contact;
        size_t start = 0;
        while (start <= line.size()) {
            size_t end = line.find('|', start);
            std::string field = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!field.empty()) {
                ULONG tag = field[0] == 'N'   ? PR_DISPLAY_NAME_A
                            : field[0] == 'E' ? PR_EMAIL_ADDRESS_A
                                              : PR_COMPANY_NAME_A;
                contact.push_back({tag, field.size() < 2, field.size() < 2 ? "" : field.substr(2)});
            }
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        contacts.push_back(contact);
    }
    return contacts;
}

#define STUB_NOT_IMPLEMENTED                                                                                           \
    override                                                                                                           \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }

// Reference counting shared by every stub object.
template <class Interface>
class CCounted : public Interface {
public:
    CCounted() { ++g_live; }
    virtual ~CCounted() { --g_live; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG left = --m_references;
        if (left == 0)
            delete this;
        return left;
    }

private:
    std::atomic<ULONG> m_references{1};
};

class CTableBase : public CCounted<IMAPITable> {
public:
    MAPI_IMAPITABLE_METHODS(STUB_NOT_IMPLEMENTED)
};

class CTable : public CTableBase {
public:
    CTable() : m_contacts(LoadContacts()) {}
    HRESULT STDMETHODCALLTYPE GetRowCount(ULONG flags, ULONG* count) override
    {
        if (Failing("GetRowCount"))
            return E_FAIL;
        *count = static_cast<ULONG>(m_contacts.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryRows(LONG wanted, ULONG flags, LPSRowSet* out) override
    {
        if (Failing("QueryRows"))
            return E_FAIL;
        ULONG count = static_cast<ULONG>(std::min<size_t>(static_cast<size_t>(wanted), m_contacts.size() - m_next));
        void* rowsBuffer = nullptr;
        Allocate(offsetof(SRowSet, aRow) + sizeof(SRow) * (count ? count : 1), &rowsBuffer);
        SRowSet* rows = static_cast<SRowSet*>(rowsBuffer);
        rows->cRows = count;
        for (ULONG r = 0; r < count; ++r) {
            const CContact& contact = m_contacts[m_next++];
            void* props = nullptr;
            Allocate(static_cast<ULONG>(sizeof(SPropValue) * (contact.size() + 1)), &props);
            SPropValue* values = static_cast<SPropValue*>(props);
            for (size_t p = 0; p < contact.size(); ++p) {
                values[p].ulPropTag = contact[p].tag;
                if (contact[p].null)
                    continue;
                void* text = nullptr;
                AllocateMore(static_cast<ULONG>(contact[p].text.size() + 1), props, &text);
                std::memcpy(text, contact[p].text.c_str(), contact[p].text.size() + 1);
                values[p].Value.lpszA = static_cast<char*>(text);
            }
            rows->aRow[r].cValues = static_cast<ULONG>(contact.size());
            rows->aRow[r].lpProps = values;
        }
        *out = rows;
        return S_OK;
    }

private:
    std::vector<CContact> m_contacts;
    size_t m_next = 0;
};

class CContainerBase : public CCounted<IABContainer> {
public:
    MAPI_IMAPIPROP_METHODS(STUB_NOT_IMPLEMENTED)
    MAPI_IMAPICONTAINER_METHODS(STUB_NOT_IMPLEMENTED)
    MAPI_IABCONTAINER_METHODS(STUB_NOT_IMPLEMENTED)
};

class CContainer : public CContainerBase {
public:
    HRESULT STDMETHODCALLTYPE GetContentsTable(ULONG flags, LPMAPITABLE* table) override
    {
        *table = nullptr;
        if (Failing("GetContentsTable"))
            return E_FAIL;
        if (!Failing("NoTable"))
            *table = new CTable;
        return S_OK;
    }
};

const ULONG PAB_ID_SIZE = 4;

class CBookBase : public CCounted<IAddrBook> {
public:
    MAPI_IMAPIPROP_METHODS(STUB_NOT_IMPLEMENTED)
    MAPI_IADDRBOOK_METHODS(STUB_NOT_IMPLEMENTED)
};

class CBook : public CBookBase {
public:
    HRESULT STDMETHODCALLTYPE GetPAB(ULONG* size, LPENTRYID* id) override
    {
        if (Failing("GetPAB"))
            return E_FAIL;
        void* buffer = nullptr;
        Allocate(PAB_ID_SIZE, &buffer);
        *size = PAB_ID_SIZE;
        *id = static_cast<LPENTRYID>(buffer);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OpenEntry(ULONG size, LPENTRYID id, LPCIID, ULONG flags, ULONG* type,
                                        LPUNKNOWN* entry) override
    {
        *entry = nullptr;
        if (Failing("OpenEntry") || size != PAB_ID_SIZE || flags != MAPI_BEST_ACCESS)
            return E_INVALIDARG;
        *type = Failing("MailUser") ? MAPI_MAILUSER : MAPI_ABCONT;
        *entry = static_cast<IABContainer*>(new CContainer);
        return S_OK;
    }
};

class CWabBase : public CCounted<IWABObject> {
public:
    WAB_IWABOBJECT_METHODS(STUB_NOT_IMPLEMENTED)
};

class CWab : public CWabBase {
public:
    HRESULT STDMETHODCALLTYPE AllocateBuffer(ULONG size, LPVOID* buffer) override { return Allocate(size, buffer); }
    HRESULT STDMETHODCALLTYPE AllocateMore(ULONG size, LPVOID parent, LPVOID* buffer) override
    {
        return ::AllocateMore(size, parent, buffer);
    }
    HRESULT STDMETHODCALLTYPE FreeBuffer(LPVOID buffer) override { return Free(buffer); }
};

} // namespace

STDMETHODIMP WABOpen(LPADRBOOK* book, LPWABOBJECT* wab, LPWAB_PARAM, DWORD)
{
    *book = nullptr;
    *wab = nullptr;
    if (Failing("WABOpen"))
        return E_FAIL;
    *book = new CBook;
    *wab = new CWab;
    return S_OK;
}

extern "C" LONG WabStubLiveCount()
{
    return g_live;
}

extern "C" LONG WabStubBadFrees()
{
    return g_badFrees;
}
