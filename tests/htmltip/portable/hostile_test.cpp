// Whatever the markup, both passes end quickly, within the limits, with the style stack empty,
// and the drawing pass makes no more lines than were measured.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "DrawerTestSupport.h"

#include "htmltip/portable/HtmlInput.h"

namespace htmltiptest {
namespace {

std::string Repeat(const std::string& text, int times)
{
    std::string all;
    all.reserve(text.size() * static_cast<std::size_t>(times));
    for (int i = 0; i < times; ++i)
        all += text;
    return all;
}

class HostileTest : public DrawerTest {
protected:
    // Measures and draws `html` at several width limits, enabled and disabled.
    void Survives(const std::string& html, const std::string& label)
    {
        for (int maxWidth : {0, 1, 40}) {
            for (bool enabled : {true, false}) {
                SCOPED_TRACE(label + " maxWidth " + std::to_string(maxWidth) + (enabled ? "" : " disabled"));
                core.SetMaxWidth(maxWidth);
                core.SetEnabled(enabled);
                const auto start = std::chrono::steady_clock::now();
                Draw(html);
                const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                EXPECT_LT(seconds, 5.0);
                EXPECT_GE(measured.cx, 0);
                EXPECT_LE(measured.cx, kMaxLength + 1);
                EXPECT_LE(measured.cy, kMaxLength + 1);
                EXPECT_EQ(core.LastMeasure().stackAfter, 0u);
                EXPECT_EQ(core.LastDraw().stackAfter, 0u);
                EXPECT_LE(core.LastDraw().linesMade, core.Records().lines.size());
                for (const LinkArea& area : core.Records().links)
                    EXPECT_TRUE(area.box.right >= area.box.left && area.box.bottom >= area.box.top);
                for (const auto& image : canvas.images) {
                    EXPECT_LE(image.placement.box.Width(), kMaxLength);
                    EXPECT_LE(image.placement.box.Height(), kMaxLength);
                }
                for (const auto& text : canvas.texts)
                    EXPECT_LE(text.style.size, kMaxFontHeight);
            }
        }
    }
    // Each case alone, inside a balloon's own table cell, and as a name made literal.
    void SurvivesEverywhere(const std::string& html, const std::string& label)
    {
        Survives(html, label);
        Survives("<table><tr><td><icon handle=0x1234></td><td>" + html + "</td></tr></table>", label + " in a cell");
        core.SetMaxWidth(0);
        core.SetEnabled(true);
        Draw("File: " + MakeLiteral(html));
        EXPECT_EQ(AllText(), "File: " + html) << label;
    }
};

TEST_F(HostileTest, BrokenSyntaxAndUnbalancedTags)
{
    const char* const cases[] = {"<b>never closed",
                                 "</b>nothing open",
                                 "<b><i>x</b></i>",
                                 "<bottom>x</vcenter>",
                                 "<table>no end",
                                 "</table></tr></td>x",
                                 "<td>outside</td><tr>row</tr>",
                                 "<table><tr><td>a</table></table></table>b",
                                 "final <",
                                 "final <<",
                                 "<font size=3 no end",
                                 "<>",
                                 "</>",
                                 "< b>",
                                 "<font face=\"open>x",
                                 "<font size=>x",
                                 "<a href='x>y",
                                 "\x80\xff<\x95>\x00<b\x00>x"};
    for (const char* html : cases)
        SurvivesEverywhere(html, html);
    SurvivesEverywhere(std::string("a\0b<b\0>c", 8), "NUL bytes");
    SurvivesEverywhere("<font " + Repeat("color=red ", 10000) + ">x", "10,000 attributes");
    SurvivesEverywhere("<" + std::string(100000, 'q') + ">x", "100 KB tag name");
}

TEST_F(HostileTest, HugeZeroAndNegativeNumbers)
{
    const char* const cases[] = {
        "<font size=99999999999>x",
        "<font size=-5>x",
        "<font size=0>x",
        "<font size=2147483647em>x",
        "<br=2147483647>x",
        "<t=2147483647>x",
        "<hr size=2147483647 width=2147483647>",
        "<table border=2147483647 cellpadding=2147483647 cellspacing=2147483647 width=2147483647 "
        "height=2147483647><tr><td colspan=2147483647 rowspan=-1 width=2147483647 height=2147483647>x</td>"
        "<td rowspan=50>y</td></tr></table>",
        "<ilst idres=1 cx=0><ilst idres=1 cy=-1><ilst idres=1 index=-5><ilst idres=1 speed=-1>",
        "<bmp idres=1 width=1000000% height=1000000%>"};
    ResourceRef strip;
    strip.origin = ResourceRef::kProgram;
    strip.id = 1;
    canvas.AddImage(strip, Size{64, 16});
    for (const char* html : cases)
        SurvivesEverywhere(html, html);
    SurvivesEverywhere(Repeat("<font size=1000%>", 20) + "x", "compounding percentages");
    SurvivesEverywhere(Repeat("<br=100>", 2000) + "x", "many long breaks");
    EXPECT_FALSE(core.SetTabSize(0));
    core.SetMaxWidth(-5);
    EXPECT_EQ(core.Settings().maxWidth, 0);
    core.SetMaxWidth(1);
    Draw("wrap every character");
    EXPECT_EQ(canvas.texts.size(), std::string("wrapeverycharacter").size());
}

TEST_F(HostileTest, DeepNesting)
{
    SurvivesEverywhere(Repeat("<b>", 100000) + "x", "100,000 <b>");
    SurvivesEverywhere(Repeat("<table><tr><td>", 10000) + "core", "10,000 nested tables");
    SurvivesEverywhere(Repeat("<span class=x>", 10000) + Repeat("<a msg=m>", 10000) + "x", "spans and links");
    SurvivesEverywhere(Repeat("<a msg=m>l</a> ", 10000), "10,000 links");
    Draw(Repeat("<table><tr><td>", 20) + "core");
    EXPECT_EQ(core.Records().tables.size(), static_cast<std::size_t>(kMaxTableDepth));
}

TEST_F(HostileTest, BadColoursEntitiesAndTheOutsideWorld)
{
    std::string colours;
    for (const char* colour : {"#", "#12345", "#1234567", "#GGGGGG", "0x", "0xFFFFFFFFFF", "99999999999", "-1",
                               "nosuch", "RED", "transparent"})
        colours += std::string("<font color=") + colour + " bkgnd=" + colour + ">x</font><table bgcolor=" + colour +
                   "><tr><td>y</td></tr></table>";
    SurvivesEverywhere(colours, "bad colours");
    SurvivesEverywhere("&amp;lt; &lt &#60; &unknown; & " + Repeat("&lt;&nbsp;", 100000), "entities");
    SurvivesEverywhere("<bmp srcdll=\\\\host\\share\\x.dll iddll=1><bmp file=\\\\host\\share\\x.bmp>"
                       "<bmp handle=0xDEADBEEF><bmp idres=0><bmp iddll=3><a href=\"\">e</a><a msg=>m</a>",
                       "the outside world");
}

TEST_F(HostileTest, BrokenStyleSheets)
{
    const std::string sheets[] = {"body color:red", "h1 {color: \"red; font-family: x", Repeat("r {color:red} ", 10000),
                                  ".x {font-family: " + std::string(1000, 'f') + "}",
                                  "a:hover {font-size: 200px} a:link {font-size: 1px}"};
    for (const std::string& sheet : sheets) {
        core.SetCssStyles(sheet.c_str());
        Survives("<h1>x</h1><span class=x>y</span><r>z</r><a msg=q>link</a>", sheet.substr(0, 40));
    }
}

// The seeds of the fuzz target: in its measured size the drawing pass makes exactly the lines
// and strips the measuring pass stored.
TEST_F(HostileTest, BothPassesAgreeOnEverySeed)
{
    static const int kWidths[] = {0, 1, 40, 200};
    const std::filesystem::path corpus(HTML_FUZZ_CORPUS);
    ASSERT_TRUE(std::filesystem::is_directory(corpus)) << corpus;
    int seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        std::ifstream file(entry.path(), std::ios::binary);
        std::stringstream content;
        content << file.rdbuf();
        const std::string data = content.str();
        if (data.empty())
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        const unsigned flags = static_cast<unsigned char>(data[0]);
        std::string text = data.substr(1);
        CHtmlDrawerCore seedCore(TestSystemColor, {}, kDisabledColor);
        seedCore.SetMaxWidth(kWidths[flags & 3]);
        seedCore.SetEnabled((flags & 4) == 0);
        seedCore.SetNewLineAsBreak((flags & 8) == 0);
        if (flags & 16) {
            const std::size_t marker = text.find('\x01');
            seedCore.SetCssStyles(text.substr(0, marker).c_str());
            text = marker == std::string::npos ? std::string() : text.substr(marker + 1);
        }
        const Size size = seedCore.PrepareOutput(canvas, text);
        seedCore.DrawPreparedOutput(canvas, Rect{0, 0, size.cx, size.cy});
        EXPECT_EQ(seedCore.LastDraw().linesMade, seedCore.Records().lines.size());
        EXPECT_EQ(seedCore.LastDraw().linesRead, seedCore.Records().lines.size());
        EXPECT_EQ(seedCore.LastDraw().animationsMade, seedCore.Records().animations.size());
        EXPECT_EQ(seedCore.LastDraw().tablesRead, seedCore.Records().tables.size());
        ++seeds;
    }
    EXPECT_GT(seeds, 30);
}

} // namespace
} // namespace htmltiptest
