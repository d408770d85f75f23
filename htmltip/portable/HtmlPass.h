#pragma once
// One measuring or drawing pass over cleaned markup: the document cut at top-level tables, flow
// blocks laid out in lines, tables in grids. The measuring pass stores line, table and animation
// records; the drawing pass reads them back in the same order, every read bounded (a drawing pass
// that makes more lines than were measured gets empty left-aligned ones). Internal to the drawer
// core; lives for one pass.

#include <string>
#include <vector>

#include "htmltip/portable/HtmlCanvas.h"
#include "htmltip/portable/HtmlDrawerCore.h"
#include "htmltip/portable/HtmlScanner.h"
#include "htmltip/portable/HtmlStyleSheet.h"

namespace htmltip {

class CHtmlPass {
public:
    CHtmlPass(const DrawerSettings& settings, const CColorTable& colors, const CStyleSheet& sheet,
              DrawerRecords& records, IHtmlCanvas& canvas, bool measuring);
    CHtmlPass(const CHtmlPass&) = delete;
    CHtmlPass& operator=(const CHtmlPass&) = delete;

    // Lays `text` out in `rect` (its bottom is not used) and returns the size it took.
    Size Run(const std::string& text, const Rect& rect);
    const PassReport& Report() const { return m_report; }

private:
    // One flow block being laid out.
    struct Flow {
        int left = 0;
        int right = 0;     // the block's edge (measuring: what percentages of rules count against)
        int wrapRight = 0; // wrapping and alignment limit: never wider when drawing than measuring
        int top = 0;
        int x = 0;
        int y = 0;
        int lineStartX = 0;
        // Drawing: what the line's percentage rules took beyond the 1 pixel each was measured
        // at. Wrapping allows for it, so the drawing pass breaks lines where measuring did.
        int slack = 0;
        int widest = 0;
        LineRecord line; // measuring: the line being built; drawing: the record read for it
    };

    Size LayoutDocument(const std::string& text, std::size_t from, std::size_t to, int left, int top, int right,
                        int wrapRight, int depth);
    Size LayoutFlow(const std::string& block, int left, int top, int right, int wrapRight);

    // Flow: lines, text, tags (HtmlFlow.cpp).
    void StartLine(Flow& flow);
    void BreakLine(Flow& flow, int count, bool wrapped);
    bool LineEmpty(const Flow& flow) const { return flow.x == flow.lineStartX; }
    int SpaceLeft(const Flow& flow) const { return AddClamped(flow.wrapRight - flow.x, flow.slack); }
    void Text(Flow& flow, const std::string& run, bool wrap);
    void Tag(Flow& flow, const HtmlToken& token);
    void Tab(Flow& flow, int count);
    int TextTop(const Flow& flow) const;
    int ObjectTop(const Flow& flow, int height) const;
    void RaiseLine(Flow& flow, int ascent, int descent);
    void AddLinkArea(const Rect& box);

    // Objects: rules, images, string resources (HtmlObjects.cpp).
    void Rule(Flow& flow, const std::string& params);
    void Image(Flow& flow, int tagId, const std::string& params);
    void StringResource(Flow& flow, const std::string& params);

    // Tables (HtmlTableLayout.cpp).
    Size LayoutTable(const std::string& text, std::size_t begin, std::size_t end, int left, int top, int right,
                     int depth);

    // Style.
    bool Push(const std::string& name);
    void Reselect();
    void ApplyNamed(const std::string& selector, HtmlStyle& style) const;
    void ApplyNamed(const std::string& selector) { ApplyNamed(selector, m_style); }
    StyleContext Context() const;
    void ApplyFontAttributes(const std::string& params);
    void ApplyLink(const std::string& params);

    const DrawerSettings& m_settings;
    const CColorTable& m_colors;
    const CStyleSheet& m_sheet;
    DrawerRecords& m_records;
    IHtmlCanvas& m_canvas;
    const bool m_measuring;

    HtmlStyle m_style;
    CStyleStack m_stack;
    FontMetrics m_metrics;
    int m_pixelsPerInch = 96;
    std::size_t m_lineIndex = 0;
    int m_linkCounter = -1;
    std::size_t m_animationIndex = 0;
    std::size_t m_tableIndex = 0;
    PassReport m_report;
    std::vector<int> m_extents; // scratch for measuring runs
};

// The first tag named `name` (opening) at or after `from`; npos when none.
std::size_t FindOpeningTag(const std::string& text, std::size_t from, std::size_t to, const char* name);
// Just past the "</table>" that closes the table opened at `begin`, nested tables counted; `to`
// when it is missing.
std::size_t FindTableEnd(const std::string& text, std::size_t begin, std::size_t to);

} // namespace htmltip
