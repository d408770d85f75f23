#pragma once
// The bitmaps, icons and strings that balloon markup names: an existing handle, a resource of the
// program, a resource of another module, or a file. Everything loaded here is for one draw and is
// freed by its holder. User-interface thread.
//
// A module named by markup is mapped as data only: LoadLibraryEx with LOAD_LIBRARY_AS_DATAFILE |
// LOAD_LIBRARY_AS_IMAGE_RESOURCE, so its code (DllMain included) never runs; under Wine 8 its
// bitmaps, icons and strings load from such a mapping as from a module that runs (measured,
// tests/htmltip/markup_resources_test.cpp).

#include <windows.h>

#include "framework/Icon.h"
#include "framework/String.h"
#include "htmltip/portable/HtmlCanvas.h"

// A module mapped as a data file for as long as the object lives.
class CDataModule {
public:
    explicit CDataModule(const char* path);
    ~CDataModule();
    CDataModule(const CDataModule&) = delete;
    CDataModule& operator=(const CDataModule&) = delete;

    HMODULE Get() const { return m_module; }

private:
    HMODULE m_module = nullptr; // owned, FreeLibrary
};

// One bitmap or icon of markup: loaded (and owned) or borrowed (a handle the markup gave, which
// stays its owner's). Not copyable.
class CMarkupImage {
public:
    CMarkupImage() = default;
    ~CMarkupImage();
    CMarkupImage(const CMarkupImage&) = delete;
    CMarkupImage& operator=(const CMarkupImage&) = delete;

    // False when the source gives no bitmap; a handle must be one GDI knows as a bitmap.
    bool LoadBitmap(const htmltip::ResourceRef& source);
    // At width x height (0: the system's icon size); a handle must be an icon.
    bool LoadIcon(const htmltip::ResourceRef& source, int width, int height);

    HBITMAP Bitmap() const { return m_bitmap; }
    HICON Icon() const { return m_icon; }

private:
    HBITMAP m_bitmap = nullptr;
    HICON m_icon = nullptr;
    bool m_owned = false;
};

// A string resource of `module`: read into 256 bytes first, grown by 256 until at least 3 bytes
// stay spare. Id 0, a missing string or a null module give the empty text.
CString LoadResourceString(UINT id, HINSTANCE module);
// The string a markup source names (program or module resource).
std::string LoadMarkupString(const htmltip::ResourceRef& source);
