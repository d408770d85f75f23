// The drawer core over any text on the fixed canvas: clean-up, the measuring pass, the drawing
// pass in the measured size, hit-tests, a hover change with a second drawing pass, and animation
// steps. Input: one byte of settings (bits 0-1 choose the width limit 0, 1, 40 or 200; bit 2
// disables the drawer; bit 3 keeps line feeds out; bit 4 loads a style sheet, which is the text
// up to the first 0x01 byte), then the markup.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "htmltip/portable/FixedCanvas.h"
#include "htmltip/portable/HtmlDrawerCore.h"

using namespace htmltip;

namespace {

// Says which invariant broke before aborting, so a crash file explains itself.
#define Check(condition) CheckAt(condition, __LINE__)

void CheckAt(bool condition, int line)
{
    if (!condition) {
        std::fprintf(stderr, "html_fuzz: invariant at line %d broken\n", line);
        std::abort();
    }
}

void CheckPassAgreement(const CHtmlDrawerCore& core)
{
    const DrawerRecords& records = core.Records();
    Check(core.LastDraw().linesRead <= records.lines.size());
    Check(core.LastDraw().animationsRead <= records.animations.size());
    Check(core.LastDraw().stackAfter == 0);
    for (const LinkArea& area : records.links)
        Check(area.box.right >= area.box.left && area.box.bottom >= area.box.top);
}

CFixedCanvas MakeCanvas()
{
    CFixedCanvas canvas;
    canvas.record = false;
    ResourceRef ref;
    ref.origin = ResourceRef::kProgram;
    ref.id = 1;
    canvas.AddImage(ref, Size{64, 16});
    ref.id = 2;
    canvas.AddImage(ref, Size{32, 32});
    ref.id = 7;
    canvas.AddString(ref, "Resource text, long enough to wrap");
    ref.origin = ResourceRef::kModule;
    ref.module = "x.dll";
    ref.id = 5;
    canvas.AddImage(ref, Size{48, 16});
    ref.origin = ResourceRef::kFile;
    ref.file = "a.bmp";
    canvas.AddImage(ref, Size{10, 10});
    ref.origin = ResourceRef::kHandle;
    ref.handle = 0x1234;
    canvas.AddImage(ref, Size{20, 5});
    return canvas;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1 || size > 16384)
        return 0;
    static const int kWidths[] = {0, 1, 40, 200};
    const std::uint8_t flags = data[0];
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    CHtmlDrawerCore core([](int index) { return MakeColor(index, 255 - index, index * 7); }, {}, 0x808080);
    core.SetMaxWidth(kWidths[flags & 3]);
    core.SetEnabled((flags & 4) == 0);
    core.SetNewLineAsBreak((flags & 8) == 0);
    if (flags & 16) {
        const std::size_t marker = text.find('\x01');
        const std::string sheet = text.substr(0, marker);
        core.SetCssStyles(sheet.c_str());
        text = marker == std::string::npos ? std::string() : text.substr(marker + 1);
    }

    CFixedCanvas canvas = MakeCanvas();
    const Size measured = core.PrepareOutput(canvas, text);
    Check(measured.cx >= 0 && measured.cy >= 0 && measured.cx <= kMaxLength + 1 && measured.cy <= kMaxLength + 1);
    Check(core.LastMeasure().stackAfter == 0);
    Check(core.LastMeasure().linesMade == core.Records().lines.size());

    const Rect rect{0, 0, measured.cx, measured.cy};
    core.DrawPreparedOutput(canvas, rect);
    CheckPassAgreement(core);
    // In its measured size the drawing pass makes no more lines and strips than were measured.
    Check(core.LastDraw().linesMade <= core.Records().lines.size());
    Check(core.LastDraw().animationsMade <= core.Records().animations.size());

    // Hover the first link hit at a few points, then draw again as the tooltip would.
    const int points[][2] = {{0, 0}, {measured.cx / 2, measured.cy / 2}, {measured.cx, measured.cy}, {5, 8}};
    for (const auto& point : points) {
        const LinkArea* area = core.HitTest(point[0], point[1]);
        if (area)
            Check(area->kind == 1 || area->kind == 2);
    }
    if (!core.Records().links.empty()) {
        const LinkArea first = core.Records().links.front();
        const LinkArea* hit = core.HitTest(first.box.left, first.box.top);
        Check(hit != nullptr);
        core.SetHotLink(hit->number);
        canvas.ClearOps();
        core.DrawPreparedOutput(canvas, rect);
        CheckPassAgreement(core);
    }
    for (int step = 0; step < 12; ++step)
        core.StepAnimation();
    return 0;
}
