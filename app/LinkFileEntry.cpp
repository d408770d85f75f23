#include "app/LinkFileEntry.h"

#include <cstring>

#include <objbase.h>

#include "infra/TextUtilities.h"

CLinkFileEntry::CLinkFileEntry(bool freshId)
{
    if (freshId)
        MakeFreshId(m_fileId);
}

void CLinkFileEntry::SetPath(const CString& path)
{
    m_path = path;
    m_name = GetPathFileName(path.str());
}

void CLinkFileEntry::MakeFreshId(unsigned char id[ID_SIZE])
{
    GUID first = {};
    GUID second = {};
    CoCreateGuid(&first);
    CoCreateGuid(&second);
    std::memcpy(id, first.Data4, 8);
    std::memcpy(id + 8, second.Data4, 8);
}
