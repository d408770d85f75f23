#include "framework/Clipboard.h"

#include <cstring>

namespace {

class COpenClipboard {
public:
    explicit COpenClipboard(HWND owner) : m_open(OpenClipboard(owner) != FALSE) {}
    ~COpenClipboard()
    {
        if (m_open)
            CloseClipboard();
    }
    COpenClipboard(const COpenClipboard&) = delete;
    COpenClipboard& operator=(const COpenClipboard&) = delete;
    bool IsOpen() const { return m_open; }

private:
    bool m_open;
};

// A global block, freed unless handed over.
class CGlobalBlock {
public:
    explicit CGlobalBlock(SIZE_T size) : m_block(GlobalAlloc(GMEM_MOVEABLE, size)) {}
    ~CGlobalBlock()
    {
        if (m_block)
            GlobalFree(m_block);
    }
    CGlobalBlock(const CGlobalBlock&) = delete;
    CGlobalBlock& operator=(const CGlobalBlock&) = delete;
    HGLOBAL Get() const { return m_block; }
    void Release() { m_block = nullptr; }

private:
    HGLOBAL m_block;
};

} // namespace

bool CopyTextToClipboard(HWND owner, const char* text)
{
    if (!text)
        return false;
    const SIZE_T size = std::strlen(text) + 1;
    CGlobalBlock block(size);
    if (!block.Get())
        return false;
    void* bytes = GlobalLock(block.Get());
    if (!bytes)
        return false;
    std::memcpy(bytes, text, size);
    GlobalUnlock(block.Get());

    COpenClipboard clipboard(owner);
    if (!clipboard.IsOpen() || !EmptyClipboard())
        return false;
    if (!SetClipboardData(CF_TEXT, block.Get()))
        return false;
    block.Release(); // the system owns it now
    return true;
}
