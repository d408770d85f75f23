// The markup language: entities, tags, attributes, sizes, colours, style sheets and transforms.

#include "DrawerTestSupport.h"

#include "htmltip/portable/HtmlInput.h"
#include "htmltip/portable/HtmlScanner.h"
#include "htmltip/portable/HtmlSizes.h"
#include "htmltip/portable/HtmlTextTransform.h"

namespace htmltiptest {
namespace {

using MarkupTest = DrawerTest;

TEST_F(MarkupTest, EntitiesReplaceInNameOrderAndLessThanStaysLiteral)
{
    Draw("a &lt;b&gt; c");
    EXPECT_EQ(AllText(), "a <b> c");
    Draw("&amp;lt;");
    EXPECT_EQ(AllText(), "<");
    Draw("&lt &#60; &unknown; & &quot;&nbsp;x");
    EXPECT_EQ(AllText(), "&lt &#60; &unknown; & \" x");
    // Without a code page the eight one-byte entities give their own bytes.
    Draw("&euro;&pound;&trade;");
    EXPECT_EQ(AllText(), "\x88\xA3\x99");

    // A code page that has a character gives its byte; one that lacks it keeps the fallback.
    CEntityTable cp1252([](unsigned codePoint) { return codePoint == 0x20AC ? 0x80 : -1; });
    EXPECT_EQ(cp1252.Replace("&euro;&bull;"), "\x80\x95");
    // No replacement grows the text, so a megabyte of entities stays a megabyte at most.
    std::string many;
    for (int i = 0; i < 100000; ++i)
        many += "&lt;&nbsp;";
    EXPECT_EQ(CleanInput(many, true, cp1252).size(), 300000u);
}

TEST_F(MarkupTest, LineEndsAndTabsBecomeTagsOrVanish)
{
    const CEntityTable entities;
    EXPECT_EQ(CleanInput("a\r\nb\tc", true, entities), "a<br>b<t>c");
    EXPECT_EQ(CleanInput("a\r\nb\tc", false, entities), "abc");
    UseSixteenPixels();
    Draw("one<br=3>two");
    EXPECT_EQ(Run("two").y - Run("one").y, 3 * 16);
    Draw("one<br 3>two");
    EXPECT_EQ(Run("two").y - Run("one").y, 16);
}

TEST_F(MarkupTest, ScannerReadsRunsTagsAndAttributes)
{
    const std::string text = "x<<y<font size=3 color='red'>z</font><br=2>< b></>end<";
    CHtmlScanner scanner(text);
    HtmlToken token;
    std::string seen;
    while (scanner.Next(token))
        seen += token.kind == HtmlToken::kText
                    ? "[" + token.text + "]"
                    : "<" + std::string(token.closing ? "/" : "") + token.name + "|" + token.params + ">";
    EXPECT_EQ(seen, "[x<y]<font|size=3 color='red'>[z]</font|><br|=2><|b></|>[end]<|>");

    const auto attributes = ScanAttributes("  a=1 b = \"two words\" c d='q ; .e=\"open");
    ASSERT_EQ(attributes.size(), 4u);
    EXPECT_EQ(attributes[1].name, "b");
    EXPECT_EQ(attributes[1].value, "two words");
    EXPECT_EQ(attributes[2].name, "c");
    EXPECT_EQ(attributes[2].value, "");
    EXPECT_EQ(attributes[3].value, "q ; .e=\"open"); // an open quote runs to the end
}

TEST_F(MarkupTest, SizesReadUnitsPercentagesAndTheFontTable)
{
    const SizeContext context{16, 8, 96};
    EXPECT_EQ(ParseSize("12px", 5, context), 12);
    EXPECT_EQ(ParseSize("2em", 5, context), 32);
    EXPECT_EQ(ParseSize("2ex", 5, context), 16);
    EXPECT_EQ(ParseSize("10pt", 5, context), 13);
    EXPECT_EQ(ParseSize("1in", 5, context), 96);
    EXPECT_EQ(ParseSize("2.54cm", 5, context), 96);
    EXPECT_EQ(ParseSize("25.4mm", 5, context), 96);
    EXPECT_EQ(ParseSize("1pc", 5, context), 16);
    EXPECT_EQ(ParseSize("150%", 16, context), 24);
    EXPECT_EQ(ParseSize("", 7, context), 7);
    EXPECT_EQ(ParseSize("3", 5, context, true), 12);
    EXPECT_EQ(ParseSize("+3", 5, context, true), 12);
    EXPECT_EQ(ParseSize("-5", 5, context, true), 18);
    EXPECT_EQ(ParseSize("0x10", 5, context, true), 16);
    EXPECT_EQ(ParseSize("3", 5, context, false), 3);
    EXPECT_EQ(ParseSize("99999999999", 5, context), kMaxCoordinate);

    Draw("<font size=3>a</font><font size=12>b</font><font size=16px><font size=150%>c</font></font>");
    EXPECT_EQ(Run("a").style.size, 12);
    EXPECT_EQ(Run("b").style.size, 12);
    EXPECT_EQ(Run("c").style.size, 24);
    Draw("<font size=0>a</font><font size=2147483647em>b</font>");
    EXPECT_EQ(Run("a").style.size, kMinFontHeight);
    EXPECT_EQ(Run("b").style.size, kMaxFontHeight);
}

TEST_F(MarkupTest, ColoursFromHexNumbersAndNames)
{
    Draw("<font color=#FF0000>a</font><font color=#F00>b</font><font color=255>c</font>"
         "<font color=Red>d</font><font color=lightgrey>e</font><font color=infobackground>f</font>");
    EXPECT_EQ(Run("a").style.color, MakeColor(255, 0, 0));
    EXPECT_EQ(Run("b").style.color, 0u);
    EXPECT_EQ(Run("c").style.color, MakeColor(255, 0, 0));
    EXPECT_EQ(Run("d").style.color, 0u); // names are exact-case in markup
    EXPECT_EQ(Run("e").style.color, MakeColor(0xD3, 0xD3, 0xD3));
    EXPECT_EQ(Run("f").style.color, TestSystemColor(kSysInfoBk));

    const CColorTable& table = core.ColorTable();
    EXPECT_EQ(table.Size(), 168u);
    Color colour = 0;
    for (const char* name : {"gray", "lightgrey", "fuchsia", "yellowgreen", "windowframe", "threedface"})
        EXPECT_TRUE(table.Lookup(name, &colour)) << name;
    for (const char* name : {"grey", "lightgray", "Red", "transparent"})
        EXPECT_FALSE(table.Lookup(name, &colour)) << name;
    const std::pair<const char*, Color> known[] = {
        {"navy", MakeColor(0, 0, 0x80)},          {"gold", MakeColor(0xFF, 0xD7, 0)},
        {"crimson", MakeColor(0xDC, 0x14, 0x3C)}, {"peru", MakeColor(0xCD, 0x85, 0x3F)},
        {"teal", MakeColor(0, 0x80, 0x80)},       {"threedface", TestSystemColor(kSysBtnFace)},
    };
    for (const auto& entry : known) {
        ASSERT_TRUE(table.Lookup(entry.first, &colour));
        EXPECT_EQ(colour, entry.second) << entry.first;
    }

    const ColorContext context{&table, true, kDisabledColor};
    for (const char* bad : {"#", "#12345", "#1234567", "#GGGGGG", "-1", "unknown", "RED", "transparent"})
        EXPECT_EQ(ParseColor(bad, 0x123456, context), 0x123456u) << bad;
    EXPECT_EQ(ParseColor("0x", 0x123456, context), 0u);
    EXPECT_EQ(ParseColor("0xFFFFFFFFFF", 0, context), 0xFFFFFFu); // never a palette value
    EXPECT_EQ(ParseColor("99999999999", 0, context) & 0xFF000000u, 0u);
}

TEST_F(MarkupTest, DisabledDrawerPaintsEveryNamedColourInTheDisabledColour)
{
    core.SetEnabled(false);
    Draw("<font color=red bkgnd=yellow>a</font><font color=#00FF00>b</font>");
    EXPECT_EQ(Run("a").style.color, kDisabledColor);
    EXPECT_EQ(Run("a").style.bkMode, kBkTransparent);
    EXPECT_EQ(Run("b").style.color, kDisabledColor);
    EXPECT_EQ(core.GetColorByName("red", 1), kDisabledColor);
    core.SetEnabled(true);
    Draw("<font bkgnd=yellow>a</font><font bkgnd=transparent>b</font>");
    EXPECT_EQ(Run("a").style.bkMode, kBkOpaque);
    EXPECT_EQ(Run("a").style.bkColor, MakeColor(255, 255, 0));
    EXPECT_EQ(Run("b").style.bkMode, kBkTransparent);
    EXPECT_EQ(core.GetColorByName("red", 1), MakeColor(255, 0, 0));
    EXPECT_EQ(core.GetColorByName("Red", 1), 1u);
}

TEST_F(MarkupTest, TagsPushAndOnlyTheirOwnClosingTagPops)
{
    Draw("<b><b>x</b></b>y");
    EXPECT_EQ(Run("x").style.weight, 900);
    EXPECT_EQ(Run("y").style.weight, 400);
    Draw("<bottom>x</vcenter>y");
    EXPECT_EQ(Run("x").style.vAlign, kAlignBottom);
    EXPECT_EQ(Run("y").style.vAlign, kAlignBaseline);
    Draw("<b>x</i>y");
    EXPECT_EQ(Run("y").style.weight, 800);
    Draw("<B>x</B>");
    EXPECT_EQ(AllText(), "x");
    EXPECT_EQ(Run("x").style.weight, 400);
    Draw("<i><u><s>a</s></u></i><font style=bious>b<font style=-b-i-u-o-s>c</font></font>");
    EXPECT_TRUE(Run("a").style.italic && Run("a").style.underline && Run("a").style.strikeout);
    const HtmlStyle& b = Run("b").style;
    EXPECT_TRUE(b.weight == 700 && b.italic && b.underline && b.overline && b.strikeout);
    const HtmlStyle& c = Run("c").style;
    EXPECT_FALSE(c.weight != 400 || c.italic || c.underline || c.overline || c.strikeout);
}

TEST_F(MarkupTest, StyleSheetsAreCaseInsensitiveAndTheLaterRuleWins)
{
    core.SetCssStyles("BODY {font-size: 20px} .X {color: Red} .x {font-family: \"Courier New\"; "
                      "text-decoration: underline} h1 {font-weight: bolder; text-transform: uppercase}");
    Draw("<span class=X>a</span><h1>big</h1><font color=Red>c</font>");
    EXPECT_EQ(Run("a").style.size, 20);
    EXPECT_EQ(Run("a").style.color, 0u); // the later ".x" replaced ".X"
    EXPECT_EQ(Run("a").style.face, "courier new");
    EXPECT_TRUE(Run("a").style.underline);
    EXPECT_EQ(Run("BIG").style.weight, 900);
    EXPECT_EQ(Run("c").style.color, 0u);
    core.SetCssStyles((".x {color: Red; font-family: " + std::string(1000, 'f') + "}").c_str());
    Draw("<span class=x>a</span>");
    EXPECT_EQ(Run("a").style.color, MakeColor(255, 0, 0));
    EXPECT_EQ(Run("a").style.face.size(), kMaxFaceLength);
}

TEST_F(MarkupTest, DefaultSheetHasSeventeenRulesAndStylesLinks)
{
    const std::string text = CStyleSheet::DefaultText();
    std::size_t lines = 0;
    for (std::size_t at = text.find("}\r\n"); at != std::string::npos; at = text.find("}\r\n", at + 1))
        ++lines;
    EXPECT_EQ(lines, 17u);
    EXPECT_EQ(core.StyleSheet().Size(), 17u);
    Draw("<a msg=x>link</a>");
    EXPECT_EQ(Run("link").style.color, MakeColor(0, 0, 255));
    EXPECT_FALSE(Run("link").style.underline);
    core.SetHotLink(0);
    core.DrawPreparedOutput(canvas, Rect{0, 0, measured.cx, measured.cy});
    EXPECT_TRUE(canvas.texts.back().style.underline);
}

TEST_F(MarkupTest, TextTransformsChangeCase)
{
    EXPECT_EQ(TransformText("hello wORLD-x", kTransformUpper), "HELLO WORLD-X");
    EXPECT_EQ(TransformText("Hello", kTransformLower), "hello");
    EXPECT_EQ(TransformText("hello wORLD-x  y\xE9", kTransformCapitalize), "Hello World-x  Y\xE9");
}

TEST_F(MarkupTest, LiteralTextShowsExactlyWhatWasGiven)
{
    const std::string name = "<b>&lt;<table><tr><td>x&amp;</td></tr></table><a href=y>\r\n\t<<";
    Draw("<b>" + MakeLiteral(name) + "</b>");
    EXPECT_EQ(AllText(), "<b>&lt;<table><tr><td>x&amp;</td></tr></table><a href=y>   <<");
    EXPECT_EQ(Run("<b>").style.weight, 800);
    EXPECT_TRUE(core.Records().tables.empty());
    EXPECT_TRUE(core.Records().links.empty());
}

} // namespace
} // namespace htmltiptest
