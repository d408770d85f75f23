#pragma once
// The side of the screenshot protocol that a gallery program runs (screenshots.sh is the
// other): show an item, then ShowItem prints "ready NAME" and waits, pumping messages, until
// the script has taken its picture.

#include <windows.h>

namespace windowtest {

class CGallery {
public:
    // argv[1] is the folder in which the script signals (NAME.go); without one the gallery
    // shows each item for `showMs` instead, for a person running it by hand.
    CGallery(int argc, char** argv, DWORD showMs = 1500);

    // Shows `window` and lets it paint and settle (through PumpFor), prints "ready NAME", and
    // pumps until the script lets it go on. With no window (an item already on screen inside a
    // modal loop, such as a popup menu) it handles no message, only waits. False when the
    // script never went on (within a minute).
    bool ShowItem(const char* name, HWND window);

private:
    const char* m_folder;
    DWORD m_showMs;
};

} // namespace windowtest
