// Objects inside a flow: horizontal rules, images and string resources.

#include <algorithm>
#include <cstdlib>

#include "htmltip/portable/HtmlPass.h"
#include "htmltip/portable/HtmlResources.h"
#include "htmltip/portable/HtmlTags.h"

namespace htmltip {

namespace {

// A rule's or image's length: pixels, or (`percent` set) a percentage.
struct Length {
    int value = 0;
    bool percent = false;
};

Length ParseLength(const std::string& value, const SizeContext& sizes)
{
    Length length;
    if (!value.empty() && value.back() == '%') {
        length.percent = true;
        length.value = Clamp(ParseInteger(value.substr(0, value.size() - 1)), 0, 100);
    } else {
        length.value = Clamp(ParseSize(value, 0, sizes), 0, kMaxLength);
    }
    return length;
}

} // namespace

void CHtmlPass::Rule(Flow& flow, const std::string& params)
{
    HtmlStyle rule = m_style;
    rule.borderWidth = 1;
    ApplyNamed("hr", rule);
    Color colour = rule.color;
    int thickness = Clamp(rule.borderWidth, 0, kMaxLength);
    Length width{100, true};
    const StyleContext context = Context();
    for (const HtmlAttribute& attribute : ScanAttributes(params)) {
        if (attribute.name == "width" && !attribute.value.empty())
            width = ParseLength(attribute.value, context.sizes);
        else if (attribute.name == "size")
            thickness = Clamp(ParseSize(attribute.value, thickness, context.sizes), 0, kMaxLength);
        else if (attribute.name == "color")
            colour = ParseColor(attribute.value, colour, context.colors);
    }
    int pixels = width.value;
    if (m_measuring) {
        if (width.percent) {
            flow.line.percentWidth = std::min(flow.line.percentWidth + width.value, 100 * kMaxCount);
            pixels = 1;
        }
        RaiseLine(flow, thickness + 8, 0);
    } else {
        if (width.percent) {
            pixels = MulDiv(flow.wrapRight - flow.left, width.value, 100);
            flow.slack = AddClamped(flow.slack, pixels - 1);
        }
        const int y = flow.y + flow.line.height / 2;
        m_canvas.DrawLine(flow.x, y, AddClamped(flow.x, pixels), y, colour, kBorderSolid, thickness);
    }
    flow.x = AddClamped(flow.x, pixels);
}

void CHtmlPass::Image(Flow& flow, int tagId, const std::string& params)
{
    const std::vector<HtmlAttribute> attributes = ScanAttributes(params);
    ResourceRef source =
        ResourceFromAttributes(attributes, tagId == kTagIcon ? ResourceRef::kIcon : ResourceRef::kBitmap);
    if (source.origin == ResourceRef::kNone)
        return;
    Size natural;
    if (!m_canvas.ImageSize(source, &natural))
        return;
    natural.cx = Clamp(natural.cx, 0, kMaxLength);
    natural.cy = Clamp(natural.cy, 0, kMaxLength);

    const StyleContext context = Context();
    ImagePlacement placement;
    unsigned hotEffects = 0;
    int index = 0;
    int frameWidth = 0;
    int frameHeight = 0;
    bool haveFrameWidth = false;
    bool haveFrameHeight = false;
    int speed = 0;
    std::string widthValue;
    std::string heightValue;
    const bool shadowAllowed = m_settings.shadowCx != 0 || m_settings.shadowCy != 0;
    auto effectsOf = [&](const std::string& letters) {
        unsigned effects = 0;
        for (char letter : letters) {
            if (letter == 'g')
                effects |= kEffectGray;
            else if (letter == 'd')
                effects |= kEffectDarker;
            else if (letter == 'l')
                effects |= kEffectLighter;
            else if (letter == 's' && shadowAllowed)
                effects |= m_settings.shadowGradient ? kEffectGradientShadow : kEffectShadow;
        }
        return effects;
    };
    for (const HtmlAttribute& attribute : attributes) {
        const std::string& name = attribute.name;
        const std::string& value = attribute.value;
        if (name == "index") {
            index = Clamp(ParseInteger(value), -kMaxCoordinate, kMaxCoordinate);
        } else if (name == "mask") {
            placement.masked = true;
            placement.mask = ParseColor(value, placement.mask, context.colors);
        } else if (name == "style") {
            placement.effects = hotEffects = effectsOf(value);
        } else if (name == "hotstyle") {
            hotEffects = effectsOf(value);
        } else if (name == "cx") {
            frameWidth = Clamp(ParseInteger(value), -kMaxLength, kMaxLength);
            haveFrameWidth = true;
        } else if (name == "cy") {
            frameHeight = Clamp(ParseInteger(value), -kMaxLength, kMaxLength);
            haveFrameHeight = true;
        } else if (name == "width") {
            widthValue = value;
        } else if (name == "height") {
            heightValue = value;
        } else if (name == "speed") {
            speed = Clamp(ParseInteger(value), -kMaxCoordinate, kMaxCoordinate);
        }
    }

    long long frames = 0;
    if (tagId == kTagImageList) {
        if (!haveFrameWidth && !haveFrameHeight)
            frameWidth = frameHeight = std::min(natural.cx, natural.cy);
        else if (!haveFrameHeight)
            frameHeight = frameWidth;
        else if (!haveFrameWidth)
            frameWidth = frameHeight;
        // A frame of no size has no frames (and nothing to divide by).
        if (frameWidth > 0 && frameHeight > 0)
            frames = static_cast<long long>(natural.cx / frameWidth) * (natural.cy / frameHeight);
        natural.cx = std::max(0, frameWidth);
        natural.cy = std::max(0, frameHeight);
        placement.frameWidth = frameWidth;
        placement.frameHeight = frameHeight;
    }
    const int width = Clamp(ParseSize(widthValue, natural.cx, context.sizes), 0, kMaxLength);
    const int height = Clamp(ParseSize(heightValue, natural.cy, context.sizes), 0, kMaxLength);

    const bool hot = m_style.linkKind != kLinkNone && m_style.linkNumber == m_records.hotLink;
    const unsigned effects = hot ? hotEffects : placement.effects;
    const unsigned shadowFlags = kEffectShadow | kEffectGradientShadow;
    const bool shadow = ((placement.effects | hotEffects) & shadowFlags) != 0;
    const int boxWidth = width + (shadow ? std::abs(m_settings.shadowCx) : 0);
    const int boxHeight = height + (shadow ? std::abs(m_settings.shadowCy) : 0);

    if (m_settings.maxWidth > 0 && !LineEmpty(flow) && boxWidth > SpaceLeft(flow))
        BreakLine(flow, 1, true);

    const bool animated = tagId == kTagImageList && speed > 0;
    if (m_measuring) {
        RaiseLine(flow, boxHeight, 0);
        if (animated) {
            AnimationRecord animation;
            animation.frame = index;
            animation.count = static_cast<int>(std::min<long long>(frames, kMaxCoordinate));
            animation.speed = speed;
            m_records.animations.push_back(animation);
        }
    } else {
        bool draw = true;
        int frame = index;
        if (animated) {
            if (m_animationIndex < m_records.animations.size()) {
                frame = m_records.animations[m_animationIndex].frame;
                ++m_report.animationsRead;
            } else {
                draw = false;
            }
        }
        if (tagId == kTagImageList && (frame < 0 || frame >= frames))
            draw = false;
        const int top = ObjectTop(flow, boxHeight);
        placement.box = Rect{flow.x, top, AddClamped(flow.x, width), AddClamped(top, height)};
        placement.effects = effects;
        placement.frame = tagId == kTagImageList ? frame : -1;
        placement.shadow.dx = m_settings.shadowCx;
        placement.shadow.dy = m_settings.shadowCy;
        placement.shadow.blurX = m_settings.shadowBlurCx;
        placement.shadow.blurY = m_settings.shadowBlurCy;
        placement.shadow.color = ShadowColorOf(m_settings);
        if (draw && width > 0 && height > 0)
            m_canvas.DrawImage(source, placement);
        AddLinkArea(Rect{flow.x, top, AddClamped(flow.x, boxWidth), AddClamped(top, boxHeight)});
    }
    if (animated) {
        ++m_animationIndex;
        ++m_report.animationsMade;
    }
    flow.x = AddClamped(flow.x, boxWidth);
}

void CHtmlPass::StringResource(Flow& flow, const std::string& params)
{
    const ResourceRef source = ResourceFromAttributes(ScanAttributes(params), ResourceRef::kString);
    if (source.origin != ResourceRef::kProgram && source.origin != ResourceRef::kModule)
        return;
    const std::string text = m_canvas.LoadString(source);
    if (!text.empty())
        Text(flow, text, false);
}

} // namespace htmltip
