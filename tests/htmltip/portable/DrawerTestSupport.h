#pragma once
// The drawer core on the fixed canvas, with helpers to read what a pass drew.

#include <string>

#include <gtest/gtest.h>

#include "htmltip/portable/FixedCanvas.h"
#include "htmltip/portable/HtmlDrawerCore.h"

namespace htmltiptest {

using namespace htmltip;

constexpr Color kDisabledColor = 0x00A0B0C0;

// System colour i is gray level i: a test can tell which one a name took.
inline Color TestSystemColor(int index)
{
    return MakeColor(index, index, index);
}

class DrawerTest : public ::testing::Test {
protected:
    CHtmlDrawerCore core{TestSystemColor, {}, kDisabledColor};
    CFixedCanvas canvas;
    Size measured;

    // Measures, then draws in the measured size (or `width` wide).
    void Draw(const std::string& html, int width = 0)
    {
        measured = core.PrepareOutput(canvas, html);
        canvas.ClearOps();
        core.DrawPreparedOutput(canvas, Rect{0, 0, width > 0 ? width : measured.cx, measured.cy});
    }
    // Round metrics for layout: a character is 8 pixels wide, a line 16 high (ascent 12).
    void UseSixteenPixels(const std::string& more = std::string())
    {
        core.SetCssStyles(("body {font-size: 16px} " + more).c_str());
    }
    std::string AllText() const
    {
        std::string all;
        for (const auto& op : canvas.texts)
            all += op.text;
        return all;
    }
    // The first run drawn that holds `text`; fails the test when there is none.
    const CFixedCanvas::TextOp& Run(const std::string& text) const
    {
        for (const auto& op : canvas.texts) {
            if (op.text.find(text) != std::string::npos)
                return op;
        }
        ADD_FAILURE() << "no run holds \"" << text << "\"";
        static const CFixedCanvas::TextOp none;
        return none;
    }
};

} // namespace htmltiptest
