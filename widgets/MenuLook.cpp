#include "widgets/MenuLook.h"

#include <cstddef>

#include "framework/RegistryHandle.h"

namespace {

const char kThemeKey[] = "Software\\Microsoft\\Plus!\\Themes\\Current";
const char kClassicTheme[] = "Windows Classic.theme";
// The value is read within 260 bytes; a longer one names no classic theme.
const DWORD kThemeValueBytes = 260;

struct SClassicThemeCached {
    bool known = false;
    bool classic = false;
};

} // namespace

int WindowsVersionClassOf(DWORD platformId, DWORD major, DWORD minor)
{
    if (platformId != VER_PLATFORM_WIN32_NT) {
        if (major < 4)
            return 0;
        if (major == 4 && minor == 10)
            return 3;
        if (major == 4 && minor == 90)
            return 4;
        return 2;
    }
    if (major == 4)
        return 5;
    if (major == 5 && minor == 0)
        return 6;
    if (major == 5 && minor == 1)
        return 7;
    return 1;
}

int WindowsVersionClass()
{
    static const int versionClass = [] {
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof(version);
        if (!::GetVersionExA(&version))
            return 1;
        return WindowsVersionClassOf(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion);
    }();
    return versionClass;
}

bool ReadClassicTheme()
{
    CRegistryHandle key;
    if (key.Open(HKEY_CURRENT_USER, kThemeKey) != ERROR_SUCCESS)
        return false;
    CString value;
    // The text ends at its terminator or the value's end, whichever comes first.
    if (!key.ReadString(nullptr, value, kThemeValueBytes))
        return false;
    const int suffix = static_cast<int>(sizeof(kClassicTheme) - 1);
    return value.GetLength() >= suffix && lstrcmpiA(value.GetString() + value.GetLength() - suffix, kClassicTheme) == 0;
}

bool IsClassicThemeActive()
{
    static SClassicThemeCached cached;
    if (!cached.known) {
        cached.classic = ReadClassicTheme();
        cached.known = true;
    }
    return cached.classic;
}

EMenuLook MenuLookForMeasuring()
{
    return WindowsVersionClass() == 7 && !IsClassicThemeActive() ? EMenuLook::Xp : EMenuLook::Classic;
}

EMenuLook MenuLookForDrawing(HDC dc)
{
    if (::GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE)
        return EMenuLook::Classic;
    return MenuLookForMeasuring();
}

bool GetMenuLogFont(LOGFONTW* font)
{
    // The layout every version knows (no padded border width): XP refuses the longer one.
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = offsetof(NONCLIENTMETRICSW, lfMessageFont) + sizeof(metrics.lfMessageFont);
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
        return false;
    *font = metrics.lfMenuFont;
    return true;
}

bool CreateMenuFont(CFont& font)
{
    LOGFONTW logFont;
    return GetMenuLogFont(&logFont) && font.CreateFontIndirect(&logFont);
}
