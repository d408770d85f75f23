#pragma once
// The HTML drawer without its device: settings, the tables of the markup language, the text of
// the last measuring pass and the records both passes share. CPPHtmlDrawer (htmltip/) runs it on
// a device context; tests and the fuzz target on CFixedCanvas.
//
// Owned by its drawer; user-interface thread only (no locks).

#include <string>
#include <vector>

#include "htmltip/portable/HtmlCanvas.h"
#include "htmltip/portable/HtmlColors.h"
#include "htmltip/portable/HtmlInput.h"
#include "htmltip/portable/HtmlRecords.h"
#include "htmltip/portable/HtmlStyleSheet.h"

namespace htmltip {

struct DrawerSettings {
    int maxWidth = 0; // 0: unlimited, no wrapping
    int tabSize = 32;
    bool newLineAsBreak = true;
    bool enabled = true;
    Color disabledColor = 0;
    int shadowCx = 4;
    int shadowCy = 4;
    int shadowDarkness = 50; // 0..100
    bool shadowGradient = true;
    int shadowBlurCx = 7;
    int shadowBlurCy = 7;
};

// Records of the passes; the measuring pass replaces lines, tables and animations, each drawing
// pass the link areas.
struct DrawerRecords {
    std::vector<LineRecord> lines;
    std::vector<TableRecord> tables;
    std::vector<AnimationRecord> animations;
    std::vector<LinkArea> links;
    int hotLink = -2; // -2: none
};

constexpr int kNoLink = -2;

// The colour of image shadows: a gray of the darkness (128 for 50), or the disabled colour while
// disabled.
Color ShadowColorOf(const DrawerSettings& settings);

class CHtmlDrawerCore {
public:
    // `systemColor` and `entityByte` are asked once, here; `disabledColor` is the default colour
    // of a disabled drawer.
    CHtmlDrawerCore(const SystemColorSource& systemColor, const EntityByteSource& entityByte, Color disabledColor);

    // --- Settings -----------------------------------------------------------------------------
    // Negative is taken as 0; at most kMaxLength.
    void SetMaxWidth(int width);
    // False (nothing changed) below 1: a tab stop of 0 has no next stop.
    bool SetTabSize(int size);
    void SetNewLineAsBreak(bool on) { m_settings.newLineAsBreak = on; }
    void SetEnabled(bool enabled) { m_settings.enabled = enabled; }
    void SetDisabledColor(Color colour) { m_settings.disabledColor = colour; }
    // A darkness above 100 is taken as 100; offsets and blurs are kept within +-kMaxCount.
    void SetImageShadow(int cx, int cy, int darkness, bool gradient, int blurCx, int blurCy);
    const DrawerSettings& Settings() const { return m_settings; }

    // Clears the named styles and reads `text`; null loads the default sheet.
    void SetCssStyles(const char* text);
    void SetDefaultCssStyles() { SetCssStyles(nullptr); }
    const CStyleSheet& StyleSheet() const { return m_sheet; }

    // While disabled the disabled colour; else the table's value of `name` (exact case) or
    // `fallback`.
    Color GetColorByName(const std::string& name, Color fallback) const;
    const CColorTable& ColorTable() const { return m_colors; }
    const CEntityTable& Entities() const { return m_entities; }

    // --- Passes -------------------------------------------------------------------------------
    // Cleans `html`, measures it and keeps it for drawing. Returns the measured size + 1 each
    // way (the width at most maxWidth when that is set), 0 by 0 for an empty text.
    Size PrepareOutput(IHtmlCanvas& canvas, const std::string& html);
    // Draws the kept text in `rect`; nothing when it is empty.
    void DrawPreparedOutput(IHtmlCanvas& canvas, const Rect& rect);

    // --- Links and animation ------------------------------------------------------------------
    // The first link area holding the point (edges included); null when none.
    const LinkArea* HitTest(int x, int y) const;
    int HotLink() const { return m_records.hotLink; }
    // True when it changed.
    bool SetHotLink(int number);
    // One animation step; true when any frame changed.
    bool StepAnimation();

    // --- What the passes left -----------------------------------------------------------------
    const std::string& PreparedText() const { return m_text; }
    const DrawerRecords& Records() const { return m_records; }
    const PassReport& LastMeasure() const { return m_lastMeasure; }
    const PassReport& LastDraw() const { return m_lastDraw; }
    // The shadow colour images get (the disabled colour while disabled).
    Color ShadowColor() const;

private:
    DrawerSettings m_settings;
    CColorTable m_colors;
    CEntityTable m_entities;
    CStyleSheet m_sheet;
    std::string m_text;
    DrawerRecords m_records;
    PassReport m_lastMeasure;
    PassReport m_lastDraw;
};

} // namespace htmltip
