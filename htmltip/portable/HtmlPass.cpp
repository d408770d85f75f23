#include "htmltip/portable/HtmlPass.h"

#include <algorithm>

namespace htmltip {

CHtmlPass::CHtmlPass(const DrawerSettings& settings, const CColorTable& colors, const CStyleSheet& sheet,
                     DrawerRecords& records, IHtmlCanvas& canvas, bool measuring)
    : m_settings(settings), m_colors(colors), m_sheet(sheet), m_records(records), m_canvas(canvas),
      m_measuring(measuring)
{}

Size CHtmlPass::Run(const std::string& text, const Rect& rect)
{
    if (m_measuring) {
        m_records.lines.clear();
        m_records.tables.clear();
        m_records.animations.clear();
    }
    // Each drawing pass finds the same areas again; keeping the old ones would grow the list
    // with every repaint.
    m_records.links.clear();
    m_canvas.SetJustification(0, 0);
    m_pixelsPerInch = std::max(1, m_canvas.PixelsPerInch());
    m_style = HtmlStyle();
    m_stack.Clear();
    m_metrics = m_canvas.SelectStyle(m_style);
    ApplyNamed("body");
    Reselect();

    int wrapRight = rect.right;
    if (!m_measuring && m_settings.maxWidth > 0)
        wrapRight = std::min(rect.right, AddClamped(rect.left, m_settings.maxWidth));
    const Size size = LayoutDocument(text, 0, text.size(), rect.left, rect.top, rect.right, wrapRight, 0);

    m_canvas.SetJustification(0, 0);
    m_stack.Clear();
    m_report.stackAfter = m_stack.Size();
    return size;
}

Size CHtmlPass::LayoutDocument(const std::string& text, std::size_t from, std::size_t to, int left, int top, int right,
                               int wrapRight, int depth)
{
    int y = top;
    int width = 0;
    std::size_t pos = from;
    while (pos < to) {
        // Past the nesting limit a table is flow text whose table tags are ignored.
        const std::size_t table = depth < kMaxTableDepth ? FindOpeningTag(text, pos, to, "table") : std::string::npos;
        const std::size_t blockEnd = table == std::string::npos ? to : table;
        if (blockEnd > pos) {
            const Size block = LayoutFlow(text.substr(pos, blockEnd - pos), left, y, right, wrapRight);
            y = AddClamped(y, block.cy);
            width = std::max(width, block.cx);
        }
        if (table == std::string::npos)
            break;
        const std::size_t tableEnd = FindTableEnd(text, table, to);
        const Size size = LayoutTable(text, table, tableEnd, left, y, right, depth);
        y = AddClamped(y, size.cy);
        width = std::max(width, size.cx);
        pos = tableEnd;
    }
    return Size{width, y - top};
}

Size CHtmlPass::LayoutFlow(const std::string& block, int left, int top, int right, int wrapRight)
{
    const std::string text = "<body>" + block + "</body>";
    Flow flow;
    flow.left = left;
    flow.right = right;
    flow.wrapRight = wrapRight;
    flow.top = top;
    flow.y = top;
    StartLine(flow);
    CHtmlScanner scanner(text);
    HtmlToken token;
    while (scanner.Next(token)) {
        if (token.kind == HtmlToken::kText)
            Text(flow, token.text, true);
        else
            Tag(flow, token);
    }
    if (!LineEmpty(flow))
        BreakLine(flow, 1, false);
    return Size{flow.widest, flow.y - top};
}

bool CHtmlPass::Push(const std::string& name)
{
    return m_stack.Push(m_style, name);
}

void CHtmlPass::Reselect()
{
    m_metrics = m_canvas.SelectStyle(m_style);
}

StyleContext CHtmlPass::Context() const
{
    StyleContext context;
    context.sizes.fontHeight = m_metrics.height;
    context.sizes.xHeight = m_metrics.xHeight;
    context.sizes.pixelsPerInch = m_pixelsPerInch;
    context.colors.table = &m_colors;
    context.colors.enabled = m_settings.enabled;
    context.colors.disabledColor = m_settings.disabledColor;
    return context;
}

void CHtmlPass::ApplyNamed(const std::string& selector, HtmlStyle& style) const
{
    if (const std::string* declarations = m_sheet.Find(selector))
        ApplyDeclarations(*declarations, style, Context(), true);
}

std::size_t FindOpeningTag(const std::string& text, std::size_t from, std::size_t to, const char* name)
{
    CHtmlScanner scanner(text, from, to);
    HtmlToken token;
    while (scanner.Next(token)) {
        if (token.kind == HtmlToken::kTag && !token.closing && token.name == name)
            return token.begin;
    }
    return std::string::npos;
}

std::size_t FindTableEnd(const std::string& text, std::size_t begin, std::size_t to)
{
    CHtmlScanner scanner(text, begin, to);
    HtmlToken token;
    long depth = 0;
    while (scanner.Next(token)) {
        if (token.kind != HtmlToken::kTag || token.name != "table")
            continue;
        depth += token.closing ? -1 : 1;
        if (depth <= 0)
            return scanner.Position();
    }
    return to;
}

} // namespace htmltip
