#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <locale>
#include <string>

#include "infra/Ucs2Conversion.h"

namespace {

using Codecvt = std::codecvt<wchar_t, char, std::mbstate_t>;

// The facet as a stream sees it: through a locale, which owns it.
const std::locale& Ucs2Locale()
{
    static const std::locale locale(std::locale::classic(), new ucs2_conversion);
    return locale;
}

const Codecvt& Facet()
{
    return std::use_facet<Codecvt>(Ucs2Locale());
}

std::string TempPath(const char* name)
{
    const char* dir = std::getenv("TMPDIR");
    std::string base = dir && *dir ? dir : "";
#ifdef _WIN32
    if (base.empty()) {
        const char* tmp = std::getenv("TEMP");
        base = tmp ? tmp : ".";
    }
    return base + "\\" + name;
#else
    if (base.empty())
        base = "/tmp";
    return base + "/" + name;
#endif
}

// 0xFFFF is left out: with a 16-bit wchar_t it is the streams' end-of-file value (WEOF), and it
// is not a character that text may hold anyway.
std::wstring SampleText(std::size_t length)
{
    std::wstring text;
    text.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        const wchar_t pool[] = {L'A', L'z', L'0', 0x00E9, 0x20AC, 0x4E2D, L'\n', 0xFFFD};
        text += pool[i % (sizeof pool / sizeof pool[0])];
    }
    return text;
}

} // namespace

TEST(Ucs2Conversion, WritesLittleEndianPairsAndClaimsFixedWidth)
{
    const Codecvt& facet = Facet();
    std::mbstate_t state{};
    const wchar_t text[] = {L'A', 0x20AC};
    char out[8] = {};
    const wchar_t* fromNext = nullptr;
    char* toNext = nullptr;
    EXPECT_EQ(std::codecvt_base::ok, facet.out(state, text, text + 2, fromNext, out, out + 8, toNext));
    EXPECT_EQ(text + 2, fromNext);
    ASSERT_EQ(out + 4, toNext);
    EXPECT_EQ('\x41', out[0]);
    EXPECT_EQ('\x00', out[1]);
    EXPECT_EQ('\xAC', out[2]);
    EXPECT_EQ('\x20', out[3]);
    EXPECT_EQ(2, facet.encoding());
    EXPECT_FALSE(facet.always_noconv());
    EXPECT_EQ(2, facet.max_length());
}

TEST(Ucs2Conversion, ReportsPartialWhenInputIsLeftOver)
{
    const Codecvt& facet = Facet();
    std::mbstate_t state{};

    // Output room for one unit of three: partial, and exactly one unit taken.
    const wchar_t text[] = {L'a', L'b', L'c'};
    char small[3];
    const wchar_t* fromNext = nullptr;
    char* toNext = nullptr;
    EXPECT_EQ(std::codecvt_base::partial, facet.out(state, text, text + 3, fromNext, small, small + 3, toNext));
    EXPECT_EQ(text + 1, fromNext);
    EXPECT_EQ(small + 2, toNext);

    // Three bytes in: one unit out, the odd byte left for the next call.
    const char bytes[] = {'\x41', '\x00', '\x42'};
    wchar_t wide[4] = {};
    const char* inNext = nullptr;
    wchar_t* wideNext = nullptr;
    EXPECT_EQ(std::codecvt_base::partial, facet.in(state, bytes, bytes + 3, inNext, wide, wide + 4, wideNext));
    EXPECT_EQ(bytes + 2, inNext);
    EXPECT_EQ(wide + 1, wideNext);
    EXPECT_EQ(L'A', wide[0]);

    // Room for one unit of two complete ones: partial, not a silent drop.
    const char four[] = {'\x41', '\x00', '\x42', '\x00'};
    EXPECT_EQ(std::codecvt_base::partial, facet.in(state, four, four + 4, inNext, wide, wide + 1, wideNext));
    EXPECT_EQ(four + 2, inNext);

    EXPECT_EQ(std::codecvt_base::ok, facet.in(state, four, four + 4, inNext, wide, wide + 4, wideNext));
    EXPECT_EQ(4, facet.length(state, four, four + 4, 10));
    EXPECT_EQ(2, facet.length(state, four, four + 3, 10));
    EXPECT_EQ(2, facet.length(state, four, four + 4, 1));
}

TEST(Ucs2Conversion, LongTextSurvivesAFileStreamRoundTrip)
{
    const std::wstring text = SampleText(300000);
    const std::string path = TempPath("ucs2_conversion_roundtrip.txt");
    {
        std::wofstream out;
        out.imbue(std::locale(std::locale::classic(), new ucs2_conversion));
        out.open(path, std::ios::binary);
        ASSERT_TRUE(out.is_open());
        out << text;
        out.close();
        ASSERT_FALSE(out.fail());
    }
    {
        std::ifstream raw(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(raw)), std::istreambuf_iterator<char>());
        ASSERT_EQ(text.size() * 2, bytes.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            const unsigned unit =
                static_cast<unsigned char>(bytes[2 * i]) | (static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
            ASSERT_EQ(static_cast<unsigned>(text[i]), unit) << "at unit " << i;
        }
    }
    {
        std::wifstream in;
        in.imbue(std::locale(std::locale::classic(), new ucs2_conversion));
        in.open(path, std::ios::binary);
        ASSERT_TRUE(in.is_open());
        std::wstring back((std::istreambuf_iterator<wchar_t>(in)), std::istreambuf_iterator<wchar_t>());
        EXPECT_TRUE(back == text) << "read back " << back.size() << " of " << text.size() << " units";
    }
    std::remove(path.c_str());
}

#if WCHAR_MAX > 0xFFFF
TEST(Ucs2Conversion, RefusesUnitsWiderThanSixteenBits)
{
    const Codecvt& facet = Facet();
    std::mbstate_t state{};
    const wchar_t text[] = {L'a', static_cast<wchar_t>(0x1F600)};
    char out[8];
    const wchar_t* fromNext = nullptr;
    char* toNext = nullptr;
    EXPECT_EQ(std::codecvt_base::error, facet.out(state, text, text + 2, fromNext, out, out + 8, toNext));
    EXPECT_EQ(text + 1, fromNext);
}
#endif
