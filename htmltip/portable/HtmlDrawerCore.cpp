#include "htmltip/portable/HtmlDrawerCore.h"

#include <algorithm>

#include "htmltip/portable/HtmlPass.h"

namespace htmltip {

Color ShadowColorOf(const DrawerSettings& settings)
{
    if (!settings.enabled)
        return settings.disabledColor;
    const int gray = MulDiv(255, 100 - settings.shadowDarkness, 100);
    return MakeColor(gray, gray, gray);
}

CHtmlDrawerCore::CHtmlDrawerCore(const SystemColorSource& systemColor, const EntityByteSource& entityByte,
                                 Color disabledColor)
    : m_colors(systemColor), m_entities(entityByte)
{
    m_settings.disabledColor = disabledColor;
    SetDefaultCssStyles();
}

void CHtmlDrawerCore::SetMaxWidth(int width)
{
    m_settings.maxWidth = Clamp(width, 0, kMaxLength);
}

bool CHtmlDrawerCore::SetTabSize(int size)
{
    if (size < 1)
        return false;
    m_settings.tabSize = std::min(size, kMaxLength);
    return true;
}

void CHtmlDrawerCore::SetImageShadow(int cx, int cy, int darkness, bool gradient, int blurCx, int blurCy)
{
    m_settings.shadowCx = Clamp(cx, -kMaxCount, kMaxCount);
    m_settings.shadowCy = Clamp(cy, -kMaxCount, kMaxCount);
    m_settings.shadowDarkness = Clamp(darkness, 0, 100);
    m_settings.shadowGradient = gradient;
    m_settings.shadowBlurCx = Clamp(blurCx, -kMaxCount, kMaxCount);
    m_settings.shadowBlurCy = Clamp(blurCy, -kMaxCount, kMaxCount);
}

void CHtmlDrawerCore::SetCssStyles(const char* text)
{
    if (text)
        m_sheet.Set(text);
    else
        m_sheet.SetDefault();
}

Color CHtmlDrawerCore::GetColorByName(const std::string& name, Color fallback) const
{
    if (!m_settings.enabled)
        return m_settings.disabledColor;
    Color colour = fallback;
    return m_colors.Lookup(name, &colour) ? colour : fallback;
}

Color CHtmlDrawerCore::ShadowColor() const
{
    return ShadowColorOf(m_settings);
}

Size CHtmlDrawerCore::PrepareOutput(IHtmlCanvas& canvas, const std::string& html)
{
    m_text = CleanInput(html, m_settings.newLineAsBreak, m_entities);
    m_records.lines.clear();
    m_records.tables.clear();
    m_records.animations.clear();
    m_records.links.clear();
    m_lastMeasure = PassReport();
    if (m_text.empty())
        return Size{};
    CHtmlPass pass(m_settings, m_colors, m_sheet, m_records, canvas, true);
    const Size measured = pass.Run(m_text, Rect{0, 0, m_settings.maxWidth, 0});
    m_lastMeasure = pass.Report();
    Size size{Clamp(measured.cx, 0, kMaxLength), Clamp(measured.cy, 0, kMaxLength)};
    if (size.cx == 0 && size.cy == 0)
        m_text.clear();
    if (m_settings.maxWidth > 0 && size.cx > m_settings.maxWidth)
        size.cx = m_settings.maxWidth;
    return Size{size.cx + 1, size.cy + 1};
}

void CHtmlDrawerCore::DrawPreparedOutput(IHtmlCanvas& canvas, const Rect& rect)
{
    m_lastDraw = PassReport();
    if (m_text.empty())
        return;
    CHtmlPass pass(m_settings, m_colors, m_sheet, m_records, canvas, false);
    pass.Run(m_text, rect);
    m_lastDraw = pass.Report();
}

const LinkArea* CHtmlDrawerCore::HitTest(int x, int y) const
{
    for (const LinkArea& area : m_records.links) {
        if (x >= area.box.left && x <= area.box.right && y >= area.box.top && y <= area.box.bottom)
            return &area;
    }
    return nullptr;
}

bool CHtmlDrawerCore::SetHotLink(int number)
{
    if (number == m_records.hotLink)
        return false;
    m_records.hotLink = number;
    return true;
}

bool CHtmlDrawerCore::StepAnimation()
{
    bool changed = false;
    for (AnimationRecord& animation : m_records.animations) {
        if (animation.count <= 0)
            continue;
        if (++animation.tick >= animation.speed) {
            animation.tick = 0;
            animation.frame = animation.frame + 1 >= animation.count ? 0 : animation.frame + 1;
            changed = true;
        }
    }
    return changed;
}

} // namespace htmltip
