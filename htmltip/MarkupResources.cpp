#include "htmltip/MarkupResources.h"

#include <cstdint>
#include <vector>

#include "framework/AppState.h"

using htmltip::ResourceRef;

namespace {

// Markup gives a handle as a number of its text.
HANDLE HandleOf(const ResourceRef& source)
{
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(source.handle));
}

bool IsIcon(HICON icon)
{
    ICONINFO info = {};
    if (!icon || !::GetIconInfo(icon, &info))
        return false;
    if (info.hbmMask)
        ::DeleteObject(info.hbmMask);
    if (info.hbmColor)
        ::DeleteObject(info.hbmColor);
    return true;
}

HANDLE LoadFromSource(const ResourceRef& source, UINT type, int width, int height, UINT flags)
{
    switch (source.origin) {
    case ResourceRef::kProgram:
        return ::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(source.id), type, width, height, flags);
    case ResourceRef::kModule: {
        const CDataModule module(source.module.c_str());
        return module.Get() ? ::LoadImageA(module.Get(), MAKEINTRESOURCEA(source.id), type, width, height, flags)
                            : nullptr;
    }
    case ResourceRef::kFile:
        return ::LoadImageA(nullptr, source.file.c_str(), type, width, height, flags | LR_LOADFROMFILE);
    default:
        return nullptr;
    }
}

} // namespace

CDataModule::CDataModule(const char* path)
{
    if (path && *path)
        m_module = ::LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

CDataModule::~CDataModule()
{
    if (m_module)
        ::FreeLibrary(m_module);
}

CMarkupImage::~CMarkupImage()
{
    if (!m_owned)
        return;
    if (m_bitmap)
        ::DeleteObject(m_bitmap);
    if (m_icon)
        ::DestroyIcon(m_icon);
}

bool CMarkupImage::LoadBitmap(const ResourceRef& source)
{
    if (source.origin == ResourceRef::kHandle) {
        HANDLE handle = HandleOf(source);
        if (::GetObjectType(handle) != OBJ_BITMAP)
            return false;
        m_bitmap = static_cast<HBITMAP>(handle);
        m_owned = false;
        return true;
    }
    // A section keeps the file's or resource's colours exact, whatever the display's depth:
    // mask colours compare pixels.
    m_bitmap = static_cast<HBITMAP>(LoadFromSource(source, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    m_owned = true;
    return m_bitmap != nullptr;
}

bool CMarkupImage::LoadIcon(const ResourceRef& source, int width, int height)
{
    if (source.origin == ResourceRef::kHandle) {
        HICON icon = static_cast<HICON>(HandleOf(source));
        if (!IsIcon(icon))
            return false;
        m_icon = icon;
        m_owned = false;
        return true;
    }
    m_icon =
        static_cast<HICON>(LoadFromSource(source, IMAGE_ICON, width, height, width || height ? 0 : LR_DEFAULTSIZE));
    m_owned = true;
    return m_icon != nullptr;
}

CString LoadResourceString(UINT id, HINSTANCE module)
{
    if (id == 0 || !module)
        return CString();
    std::vector<char> buffer(256);
    while (true) {
        const int length = ::LoadStringA(module, id, buffer.data(), static_cast<int>(buffer.size()));
        if (length <= 0)
            return CString();
        if (static_cast<std::size_t>(length) + 3 <= buffer.size())
            return CString(buffer.data(), length);
        if (buffer.size() >= 65536) // a string resource holds at most 65535 characters
            return CString(buffer.data(), length);
        buffer.resize(buffer.size() + 256);
    }
}

std::string LoadMarkupString(const ResourceRef& source)
{
    if (source.origin == ResourceRef::kProgram)
        return LoadResourceString(source.id, AfxGetResourceHandle()).str();
    if (source.origin == ResourceRef::kModule) {
        const CDataModule module(source.module.c_str());
        return LoadResourceString(source.id, module.Get()).str();
    }
    return std::string();
}
