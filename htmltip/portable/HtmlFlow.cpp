// Lines, text runs, wrapping and the tags of a flow block.

#include <algorithm>
#include <cstring>

#include "htmltip/portable/HtmlPass.h"
#include "htmltip/portable/HtmlTags.h"
#include "htmltip/portable/HtmlTextTransform.h"

namespace htmltip {

namespace {

const char kBreakCharacters[] = " -.,!:;)}]?";

bool IsBreak(char c)
{
    return c != '\0' && std::strchr(kBreakCharacters, c) != nullptr;
}

// The count after "=" of <br=n> and <t=n>; 1 without one.
int TagCount(const std::string& params)
{
    if (params.empty() || params[0] != '=')
        return 1;
    return Clamp(ParseInteger(params.substr(1)), 0, kMaxCount);
}

} // namespace

void CHtmlPass::StartLine(Flow& flow)
{
    flow.slack = 0;
    if (m_measuring) {
        flow.line = LineRecord();
        flow.line.align = m_style.hAlign;
        flow.x = flow.left;
        flow.lineStartX = flow.x;
        return;
    }
    // Aligned within the wrapping limit, which is never wider than the measuring pass's: a line
    // then has at least the room it was measured with.
    const int available = flow.wrapRight - flow.left;
    if (m_lineIndex < m_records.lines.size()) {
        flow.line = m_records.lines[m_lineIndex];
    } else {
        // More lines than were measured: an empty left-aligned line of the current font.
        flow.line = LineRecord();
        flow.line.height = m_metrics.height;
        flow.line.descent = m_metrics.descent;
    }
    int width = flow.line.width;
    if (flow.line.percentWidth != 0)
        width = AddClamped(width, MulDiv(available, flow.line.percentWidth, 100));
    const LineRecord& line = flow.line;
    if (line.align == kAlignJustify && line.wrapped && line.spaces > 0 && !line.tabbed)
        m_canvas.SetJustification(std::max(0, available - line.width), line.spaces);
    else
        m_canvas.SetJustification(0, 0);
    int x = flow.left;
    if (line.align == kAlignCenter)
        x = flow.left + (available - width) / 2;
    else if (line.align == kAlignRight)
        x = flow.left + available - width;
    flow.x = std::max(flow.left, x);
    flow.lineStartX = flow.x;
}

void CHtmlPass::BreakLine(Flow& flow, int count, bool wrapped)
{
    int lineHeight = 0;
    if (m_measuring) {
        LineRecord& line = flow.line;
        if (line.height == 0)
            line.height = m_metrics.height;
        line.width = flow.x - flow.left;
        line.height = AddClamped(line.height, line.descent);
        line.wrapped = wrapped;
        int width = line.width;
        if (line.percentWidth != 0)
            width = AddClamped(width, MulDiv(line.percentWidth, flow.right - flow.left, 100));
        flow.widest = std::max(flow.widest, width);
        m_records.lines.push_back(line);
        lineHeight = line.height;
    } else {
        if (m_lineIndex < m_records.lines.size())
            ++m_report.linesRead;
        lineHeight = flow.line.height;
        flow.widest = std::max(flow.widest, flow.x - flow.left);
    }
    ++m_report.linesMade;
    ++m_lineIndex;
    flow.y = AddClamped(flow.y, static_cast<long long>(std::max(count, 1)) * lineHeight);
    StartLine(flow);
}

void CHtmlPass::RaiseLine(Flow& flow, int ascent, int descent)
{
    if (!m_measuring)
        return;
    flow.line.height = std::max(flow.line.height, ascent);
    flow.line.descent = std::max(flow.line.descent, descent);
}

int CHtmlPass::TextTop(const Flow& flow) const
{
    const LineRecord& line = flow.line;
    switch (m_style.vAlign) {
    case kAlignTop:
        return flow.y;
    case kAlignVCenter:
        return flow.y + (line.height - m_metrics.height) / 2;
    case kAlignBottom:
        return flow.y + line.height - m_metrics.ascent;
    default:
        return flow.y + line.height - line.descent - m_metrics.ascent;
    }
}

int CHtmlPass::ObjectTop(const Flow& flow, int height) const
{
    const LineRecord& line = flow.line;
    switch (m_style.vAlign) {
    case kAlignTop:
        return flow.y;
    case kAlignVCenter:
        return flow.y + (line.height - height) / 2;
    case kAlignBottom:
        return flow.y + line.height - height;
    default:
        return flow.y + line.height - line.descent - height;
    }
}

void CHtmlPass::AddLinkArea(const Rect& box)
{
    if (m_measuring || m_style.linkKind == kLinkNone)
        return;
    LinkArea area;
    area.box = box;
    area.kind = m_style.linkKind;
    area.number = m_style.linkNumber;
    area.target = m_style.link;
    m_records.links.push_back(std::move(area));
}

void CHtmlPass::Text(Flow& flow, const std::string& run, bool wrap)
{
    const std::string text = TransformText(run, m_style.textTransform);
    const std::size_t size = text.size();
    std::size_t pos = 0;
    while (pos < size) {
        const int remaining = static_cast<int>(std::min<std::size_t>(size - pos, kMaxCoordinate));
        const char* start = text.data() + pos;
        const int space = SpaceLeft(flow);
        // Also on a line filled exactly to the limit: a run after it goes to the next line rather
        // than past the limit (where a justified line always ends).
        const bool wrapping = wrap && m_settings.maxWidth > 0;
        // Extents of as much of the run as the decision needs: all of it, or (wrapping) until it
        // passes the space left, measured in doubling pieces so that cutting a long run line by
        // line stays linear.
        int measured = 0;
        m_extents.resize(static_cast<std::size_t>(remaining));
        if (!wrapping) {
            m_canvas.MeasureExtents(start, remaining, m_extents.data());
            measured = remaining;
        } else {
            int piece = 32;
            do {
                measured = std::min(remaining, piece);
                m_canvas.MeasureExtents(start, measured, m_extents.data());
                piece *= 2;
            } while (measured < remaining && m_extents[measured - 1] <= space);
        }
        auto widthOf = [&](int count) {
            if (count <= 0)
                return 0;
            return std::min(m_extents[count - 1], kMaxCoordinate);
        };

        int head = remaining;
        std::size_t rest = size;
        if (wrapping && (measured < remaining || widthOf(remaining) > space)) {
            // Cut after the last break character whose preceding text fits.
            int cut = -1;
            for (int i = 1; i < measured; ++i) {
                if (!IsBreak(start[i]))
                    continue;
                if (widthOf(i) > space)
                    break;
                cut = i;
            }
            if (cut >= 0) {
                head = cut + 1;
                while (head > 0 && start[head - 1] == ' ')
                    --head;
                rest = pos + cut + 1;
            } else if (LineEmpty(flow) && start[0] == ' ') {
                // Blanks that do not fit at the start of a line are dropped, as they are when a
                // cut falls after them; drawn, they would make a line the measuring pass never saw.
                head = 0;
                rest = pos;
            } else if (LineEmpty(flow)) {
                // Nothing fits at a break: cut between characters, at least one.
                head = 1;
                while (head < measured && widthOf(head + 1) <= space)
                    ++head;
                rest = pos + head;
            } else {
                head = 0;
                rest = pos;
            }
            while (rest < size && text[rest] == ' ')
                ++rest;
        }

        if (head > 0) {
            int width = widthOf(std::min(head, measured));
            if (head > measured) // never: a head always lies inside what was measured
                width = widthOf(measured);
            if (m_measuring) {
                flow.line.align = m_style.hAlign;
                flow.line.spaces += static_cast<int>(std::count(start, start + head, ' '));
                RaiseLine(flow, m_metrics.ascent, m_metrics.height - m_metrics.ascent);
            } else {
                const int top = TextTop(flow);
                AddLinkArea(Rect{flow.x, top, AddClamped(flow.x, width), AddClamped(top, m_metrics.height)});
                m_canvas.DrawText(flow.x, top, start, head);
                if (m_style.overline) {
                    const int thickness = m_style.weight >= 700 ? 2 : 1;
                    m_canvas.DrawLine(flow.x, top, AddClamped(flow.x, width), top, m_style.color, kBorderSolid,
                                      thickness);
                }
            }
            flow.x = AddClamped(flow.x, width);
        }
        if (rest < size)
            BreakLine(flow, 1, true);
        else if (rest == size && head == remaining && pos + remaining < size)
            rest = pos + remaining; // a run longer than kMaxCoordinate bytes goes on
        pos = rest;
    }
}

void CHtmlPass::Tab(Flow& flow, int count)
{
    flow.line.tabbed = true;
    int n = std::max(1, count);
    const int tabSize = std::max(1, m_settings.tabSize);
    // From the line's start, less what its percentage rules took beyond their measured pixel, so
    // that a centred line and a line with rules keep the stops they were measured with.
    const int offset = (flow.x - flow.lineStartX - flow.slack) % tabSize;
    if (offset != 0) {
        flow.x = AddClamped(flow.x, tabSize - offset);
        --n;
    }
    flow.x = AddClamped(flow.x, static_cast<long long>(n) * tabSize);
}

void CHtmlPass::Tag(Flow& flow, const HtmlToken& token)
{
    if (token.name.empty())
        return;
    const HtmlTagInfo info = LookupTag(token.name);
    if (info.id == kTagNone)
        return;
    if (token.closing) {
        if (!info.stackName.empty() && m_stack.PopIfTop(info.stackName, m_style))
            Reselect();
        return;
    }
    switch (info.id) {
    case kTagRule:
        Rule(flow, token.params);
        return;
    case kTagBreak:
        BreakLine(flow, TagCount(token.params), false);
        return;
    case kTagTab:
        Tab(flow, TagCount(token.params));
        return;
    case kTagBitmap:
    case kTagIcon:
    case kTagImageList:
        Image(flow, info.id, token.params);
        return;
    case kTagString:
        StringResource(flow, token.params);
        return;
    default:
        break;
    }
    // The rest push the style under their stack name; a full stack ignores them.
    if (!Push(info.stackName))
        return;
    switch (info.id) {
    case kTagBold:
        m_style.weight = std::min(m_style.weight * 2, 900);
        break;
    case kTagItalic:
        m_style.italic = !m_style.italic;
        break;
    case kTagUnderline:
        m_style.underline = !m_style.underline;
        break;
    case kTagStrikeOut:
        m_style.strikeout = !m_style.strikeout;
        break;
    case kTagFont:
        ApplyFontAttributes(token.params);
        break;
    case kTagLeft:
    case kTagCenter:
    case kTagRight:
    case kTagJustify:
        m_style.hAlign = info.id - kTagLeft;
        break;
    case kTagBaseline:
        m_style.vAlign = kAlignBaseline;
        break;
    case kTagTop:
        m_style.vAlign = kAlignTop;
        break;
    case kTagVCenter:
        m_style.vAlign = kAlignVCenter;
        break;
    case kTagBottom:
        m_style.vAlign = kAlignBottom;
        break;
    case kTagNamedStyle:
        ApplyNamed(token.name);
        break;
    case kTagSpan:
        for (const HtmlAttribute& attribute : ScanAttributes(token.params)) {
            if (attribute.name == "class")
                ApplyNamed("." + AsciiLowerCase(attribute.value));
        }
        break;
    case kTagLink:
        ApplyLink(token.params);
        break;
    default:
        break;
    }
    Reselect();
}

void CHtmlPass::ApplyFontAttributes(const std::string& params)
{
    const StyleContext context = Context();
    for (const HtmlAttribute& attribute : ScanAttributes(params)) {
        const std::string& name = attribute.name;
        const std::string& value = attribute.value;
        if (name == "face") {
            if (!value.empty())
                m_style.SetFace(value);
        } else if (name == "size") {
            m_style.size = Clamp(ParseSize(value, m_style.size, context.sizes, true), kMinFontHeight, kMaxFontHeight);
        } else if (name == "color") {
            m_style.color = ParseColor(value, m_style.color, context.colors);
        } else if (name == "weight") {
            m_style.weight = ParseWeight(value, m_style.weight);
        } else if (name == "bkgnd") {
            if (value == "transparent" || !m_settings.enabled) {
                m_style.bkMode = kBkTransparent;
            } else if (!value.empty()) {
                m_style.bkMode = kBkOpaque;
                m_style.bkColor = ParseColor(value, m_style.bkColor, context.colors);
            }
        } else if (name == "style") {
            bool off = false;
            for (char letter : value) {
                switch (letter) {
                case '-':
                    off = true;
                    continue;
                case 'b':
                    m_style.weight = off ? 400 : 700;
                    break;
                case 'i':
                    m_style.italic = !off;
                    break;
                case 'u':
                    m_style.underline = !off;
                    break;
                case 's':
                    m_style.strikeout = !off;
                    break;
                case 'o':
                    m_style.overline = !off;
                    break;
                default:
                    break;
                }
                off = false;
            }
        }
    }
}

void CHtmlPass::ApplyLink(const std::string& params)
{
    m_linkCounter = std::min(m_linkCounter + 1, kMaxCoordinate);
    m_style.linkKind = kLinkMessage;
    m_style.link.clear();
    m_style.linkNumber = m_linkCounter;
    for (const HtmlAttribute& attribute : ScanAttributes(params)) {
        if (attribute.name == "href") {
            m_style.linkKind = kLinkHref;
            m_style.link = attribute.value;
        } else if (attribute.name == "msg") {
            m_style.linkKind = kLinkMessage;
            m_style.link = attribute.value;
        }
    }
    ApplyNamed(m_linkCounter == m_records.hotLink ? "a:hover" : "a:link");
}

} // namespace htmltip
