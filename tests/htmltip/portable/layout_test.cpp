// Lines on the fixed canvas (8 pixels a character, 16 a line): wrapping, alignment, rules, tabs,
// vertical placement, images, animation and link areas.

#include <algorithm>

#include "DrawerTestSupport.h"

namespace htmltiptest {
namespace {

class LayoutTest : public DrawerTest {
protected:
    void SetUp() override { UseSixteenPixels(); }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const auto& op : canvas.texts)
            texts.push_back(op.text);
        return texts;
    }
};

TEST_F(LayoutTest, WrapsAtBreakCharactersAndCutsOnlyAWordWiderThanTheLine)
{
    core.SetMaxWidth(40);
    Draw("one two three");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(Run("three").y, 32);
    Draw("abcdefghij");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"abcde", "fghij"}));
    Draw("<b>ab</b> cdefg");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"ab", "cdefg"}));
    EXPECT_EQ(Run("cdefg").x, 0);
    Draw("ab-cdefgh");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"ab-", "cdefg", "h"}));
    // A line filled to the limit sends the next run down instead of past the limit.
    Draw("<b>abcde</b>fgh");
    EXPECT_EQ(Run("fgh").x, 0);
    EXPECT_EQ(Run("fgh").y, 16);
    EXPECT_EQ(measured.cx, 41);
    EXPECT_EQ(measured.cy, 33);
}

TEST_F(LayoutTest, JustifiesEveryLineButTheLastAndAlignsCentreAndRight)
{
    core.SetMaxWidth(100);
    Draw("<justify>aa bb cc dd ee ff gg hh ii</justify>", 101);
    ASSERT_GE(core.Records().lines.size(), 3u);
    int lastY = -1;
    int lineEnd = 0;
    for (std::size_t i = 0; i < canvas.texts.size(); ++i) {
        const auto& op = canvas.texts[i];
        const bool lastOfLine = i + 1 == canvas.texts.size() || canvas.texts[i + 1].y != op.y;
        if (lastOfLine && i + 1 < canvas.texts.size()) {
            EXPECT_EQ(op.x + op.width, 100) << op.text;
        }
        lastY = op.y;
        lineEnd = op.x + op.width;
    }
    EXPECT_LT(lineEnd, 100); // the last line stays left-aligned
    EXPECT_GT(lastY, 0);

    core.SetMaxWidth(0);
    Draw("<center>ab</center><br><right>cd</right>", 100);
    EXPECT_EQ(Run("ab").x, (100 - 16) / 2);
    EXPECT_EQ(Run("cd").x, 100 - 16);
}

TEST_F(LayoutTest, RulesTakeTheirShareOfTheBlockAndRaiseTheLine)
{
    Draw("<hr width=50% size=1>", 200);
    ASSERT_EQ(canvas.lines.size(), 1u);
    EXPECT_EQ(canvas.lines[0].x2 - canvas.lines[0].x1, 100);
    EXPECT_EQ(canvas.lines[0].width, 1);
    ASSERT_EQ(core.Records().lines.size(), 1u);
    EXPECT_GE(core.Records().lines[0].height, 9);
    EXPECT_EQ(core.Records().lines[0].percentWidth, 50);

    Draw("<hr width=30 size=3 color=red>", 200);
    ASSERT_EQ(canvas.lines.size(), 1u);
    EXPECT_EQ(canvas.lines[0].x2 - canvas.lines[0].x1, 30);
    EXPECT_EQ(canvas.lines[0].width, 3);
    EXPECT_EQ(canvas.lines[0].colour, MakeColor(255, 0, 0));
    EXPECT_EQ(core.Records().lines[0].height, 11);
}

TEST_F(LayoutTest, TabsMoveToTheNextStops)
{
    core.SetCssStyles("body {font-size: 20px}"); // 10 pixels a character
    Draw("x<t=2>y");
    EXPECT_EQ(Run("y").x, 64);
    Draw("<t>y");
    EXPECT_EQ(Run("y").x, 32);
    EXPECT_FALSE(core.SetTabSize(0));
    EXPECT_TRUE(core.SetTabSize(5));
    Draw("x<t=3>y");
    EXPECT_EQ(Run("y").x, 25);
}

TEST_F(LayoutTest, TextOfTwoSizesSharesTheLineByVerticalAlignment)
{
    // The 32-pixel "A" makes the line 24 above and 8 below the baseline; "b" has 12 and 4.
    const std::pair<const char*, int> cases[] = {
        {"baseline", 32 - 8 - 12}, {"top", 0}, {"vcenter", (32 - 16) / 2}, {"bottom", 32 - 12}};
    for (const auto& align : cases) {
        Draw(std::string("<font size=32px>A</font><") + align.first + ">b");
        EXPECT_EQ(Run("A").y, 0) << align.first;
        EXPECT_EQ(Run("b").y, align.second) << align.first;
    }
}

TEST_F(LayoutTest, ImagesTakeTheirSizeTheirShadowAndTheirFrames)
{
    ResourceRef bitmap;
    bitmap.origin = ResourceRef::kProgram;
    bitmap.id = 5;
    canvas.AddImage(bitmap, Size{40, 20});
    ResourceRef strip = bitmap;
    strip.id = 6;
    canvas.AddImage(strip, Size{64, 16});

    Draw("<bmp idres=5>x<bmp idres=5 width=50% height=10>y<bmp idres=99>z<icon idres=5 width=16>");
    ASSERT_EQ(canvas.images.size(), 3u);
    EXPECT_EQ(canvas.images[0].placement.box.Width(), 40);
    EXPECT_EQ(canvas.images[1].placement.box.Width(), 20);
    EXPECT_EQ(canvas.images[1].placement.box.Height(), 10);
    EXPECT_EQ(canvas.images[2].placement.box.Width(), 16);
    EXPECT_EQ(canvas.images[2].placement.box.Height(), CFixedCanvas::kIconSize);
    EXPECT_EQ(Run("x").x, 40);
    EXPECT_EQ(Run("z").x, Run("y").x + 8); // a missing image takes no room

    Draw("<bmp idres=5 style=s>x");
    EXPECT_EQ(canvas.images[0].placement.effects, unsigned(kEffectGradientShadow));
    EXPECT_EQ(Run("x").x, 44);
    EXPECT_EQ(canvas.images[0].placement.shadow.color, MakeColor(128, 128, 128));
    core.SetImageShadow(0, 0, 50, true, 7, 7);
    Draw("<bmp idres=5 style=sg mask=#00FF00>x");
    EXPECT_EQ(canvas.images[0].placement.effects, unsigned(kEffectGray));
    EXPECT_TRUE(canvas.images[0].placement.masked);
    EXPECT_EQ(Run("x").x, 40);

    Draw("<ilst idres=6 index=3>");
    ASSERT_EQ(canvas.images.size(), 1u);
    EXPECT_EQ(canvas.images[0].placement.frame, 3);
    EXPECT_EQ(canvas.images[0].placement.frameWidth, 16);
    EXPECT_EQ(canvas.images[0].placement.box.Width(), 16);
    for (const char* outside :
         {"<ilst idres=6 index=4>", "<ilst idres=6 index=-5>", "<ilst idres=6 cx=0>", "<ilst idres=6 cy=-1>"}) {
        Draw(outside);
        EXPECT_TRUE(canvas.images.empty()) << outside;
    }
}

TEST_F(LayoutTest, AnimatedStripsStepEveryFifthTickAndWrap)
{
    ResourceRef strip;
    strip.origin = ResourceRef::kProgram;
    strip.id = 6;
    canvas.AddImage(strip, Size{64, 16});
    Draw("<ilst idres=6 speed=5><ilst idres=6 speed=-1>");
    ASSERT_EQ(core.Records().animations.size(), 1u);
    std::vector<int> frames;
    for (int tick = 1; tick <= 20; ++tick) {
        if (core.StepAnimation())
            frames.push_back(core.Records().animations[0].frame);
    }
    EXPECT_EQ(frames, (std::vector<int>{1, 2, 3, 0}));
    canvas.ClearOps();
    core.StepAnimation();
    core.StepAnimation();
    core.StepAnimation();
    core.StepAnimation();
    core.StepAnimation();
    core.DrawPreparedOutput(canvas, Rect{0, 0, measured.cx, measured.cy});
    ASSERT_EQ(canvas.images.size(), 2u);
    EXPECT_EQ(canvas.images[0].placement.frame, 1);
}

TEST_F(LayoutTest, LinkAreasComeFromTheDrawingPassAndTheFirstHitWins)
{
    Draw("<a href=\"http://x/\">ab</a> <a msg=second>cd</a>");
    const auto& links = core.Records().links;
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].kind, kLinkHref);
    EXPECT_EQ(links[1].target, "second");
    EXPECT_EQ(links[1].number, 1);
    const Rect box = links[1].box;
    EXPECT_EQ(core.HitTest(box.left, box.top)->number, 1);
    EXPECT_EQ(core.HitTest(box.right, box.bottom)->number, 1);
    EXPECT_EQ(core.HitTest(box.right + 1, box.bottom), nullptr);
    EXPECT_EQ(core.HitTest(links[0].box.right, links[0].box.top)->number, 0); // edges included

    // Redrawing finds the same areas again, without growing the list.
    core.DrawPreparedOutput(canvas, Rect{0, 0, measured.cx, measured.cy});
    EXPECT_EQ(core.Records().links.size(), 2u);
    EXPECT_TRUE(core.SetHotLink(1));
    EXPECT_FALSE(core.SetHotLink(1));
    EXPECT_TRUE(core.SetHotLink(kNoLink));

    Draw("<a href=a msg=b>x</a><a msg=>y</a><a>z</a>");
    EXPECT_EQ(core.Records().links[0].kind, kLinkMessage);
    EXPECT_EQ(core.Records().links[0].target, "b");
    EXPECT_EQ(core.Records().links[1].target, "");
    EXPECT_EQ(core.Records().links[2].kind, kLinkMessage);
}

TEST_F(LayoutTest, StringResourcesAreOneRunWithoutWrapping)
{
    ResourceRef program;
    program.origin = ResourceRef::kProgram;
    program.id = 7;
    canvas.AddString(program, "loaded text");
    ResourceRef module = program;
    module.origin = ResourceRef::kModule;
    module.module = "other.dll";
    canvas.AddString(module, "from other");
    core.SetMaxWidth(40);
    Draw("<string idres=7><br><string srcdll=other.dll iddll=7><string iddll=7><string idres=0>");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"loaded text", "from other"}));
}

} // namespace
} // namespace htmltiptest
