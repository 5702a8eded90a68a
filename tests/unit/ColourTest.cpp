// Colour words from percentages, and the overwrite modes that combine a
// colour with a cell.

#include "RasterTestSupport.h"

#include <cmath>
#include <random>

namespace vorlan::graphics::test {
namespace {

using ColourTest = LiveCountChecked;

constexpr ColourWord kRed = 0xFF0000FFu;
constexpr ColourWord kGreen = 0xFF00FF00u;

TEST_F(ColourTest, PercentagesBecomeBytes) {
    const std::pair<float, int> rows[] = {
        {100.0f, 255}, {99.95f, 255}, {150.0f, 255}, {99.9f, 255}, {0.0f, 0},  {0.05f, 0},  {-20.0f, 0},
        {0.1f, 0},     {50.0f, 128},  {10.0f, 26},   {20.0f, 51},  {1.0f, 3},  {std::nanf(""), 0},
    };
    for (const auto& [percent, expected] : rows) {
        SCOPED_TRACE(percent);
        EXPECT_EQ(PercentToByte(percent), expected);
    }
    EXPECT_EQ(MakeColourWord(100.0f, 50.0f, 0.0f, 20.0f), 0x330080FFu);
}

TEST_F(ColourTest, OverwriteModes) {
    struct Row {
        const char* what;
        ColourWord c, d;
        Overwrite mode;
        uint16_t mix;
        ColourWord expected;
    };
    const Row rows[] = {
        {"direct takes the opacity too", 0x10203040u, 0xFFFFFFFFu, Overwrite::Direct, kColourMixPaper, 0x10203040u},
        {"add on paper: red on white is red", kRed, kOpaqueWhite, Overwrite::Add, kColourMixPaper, kRed},
        {"add on paper: red on green is black", kRed, kGreen, Overwrite::Add, kColourMixPaper, kOpaqueBlack},
        {"add on paper: partial inks", 0xFF8040C0u, 0xFFC0C0C0u, Overwrite::Add, kColourMixPaper, 0xFF410181u},
        {"add off a canvas mixes as paper", kRed, kGreen, Overwrite::Add, kNotACanvas, kOpaqueBlack},
        {"add on screen: red over green is yellow", kRed, kGreen, Overwrite::Add, kColourMixScreen, 0xFF00FFFFu},
        {"add on screen saturates", 0xFF0064C8u, 0xFF006464u, Overwrite::Add, kColourMixScreen, 0xFF00C8FFu},
        {"merge at opacity 0 leaves the cell", 0x00123456u, 0x80ABCDEFu, Overwrite::Merge, kColourMixPaper,
         0x80ABCDEFu},
        {"merge at opacity 255", 0xFF112233u, 0x40FFFFFFu, Overwrite::Merge, kColourMixPaper, 0x40112233u},
        // 128·255 / 255 = 128; 127·255 / 255 = 127.
        {"merge halfway", 0x800000FFu, 0xFFFFFF00u, Overwrite::Merge, kColourMixScreen, 0xFF7F7F80u},
        {"invert 128 on 0 gives 128", 0xFF808080u, kOpaqueBlack, Overwrite::Invert, kColourMixPaper, 0xFF808080u},
        {"invert 255 complements", 0xFFFFFFFFu, 0x7F102030u, Overwrite::Invert, kColourMixPaper, 0x7FEFDFCFu},
        {"invert 0 leaves the cell", 0xFF000000u, 0x7F102030u, Overwrite::Invert, kColourMixPaper, 0x7F102030u},
        // (255 − 400)·100 / 255 + 200 = 143.1
        {"invert partway truncates", 0xFF000064u, 0xFF0000C8u, Overwrite::Invert, kColourMixPaper, 0xFF00008Fu},
        {"an unknown mode paints black", kRed, 0x7F102030u, static_cast<Overwrite>(9), kColourMixPaper, 0x7F000000u},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(CombineColour(row.c, row.d, row.mode, row.mix), row.expected);
    }
}

TEST_F(ColourTest, OnlyDirectChangesOpacityAndMergeIsExact) {
    // Merge works two channels in one word; it must agree with the plain
    // formula everywhere, the extremes of opacity and channels above all.
    auto plainMerge = [](ColourWord c, ColourWord d) {
        ColourWord result = d & 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8)
            result |= ((c >> 24) * (c >> shift & 0xFF) + (255 - (c >> 24)) * (d >> shift & 0xFF)) / 255 << shift;
        return result;
    };
    std::vector<ColourWord> words;
    for (uint32_t a : {0u, 1u, 127u, 128u, 254u, 255u})
        for (uint32_t v : {0x000000u, 0xFFFFFFu, 0x00FF00u, 0xFF00FFu, 0x01FE80u}) words.push_back(a << 24 | v);
    std::mt19937 random(99);
    for (int i = 0; i < 300; ++i) words.push_back(static_cast<ColourWord>(random()));
    for (Overwrite mode : {Overwrite::Add, Overwrite::Merge, Overwrite::Invert}) {
        for (uint16_t mix : {kColourMixPaper, kColourMixScreen}) {
            SCOPED_TRACE(testing::Message() << "mode " << static_cast<int>(mode) << " mix " << mix);
            int opacityChanges = 0, mergeMismatches = 0;
            for (ColourWord c : words) {
                for (ColourWord d : words) {
                    const ColourWord result = CombineColour(c, d, mode, mix);
                    opacityChanges += result >> 24 != d >> 24;
                    mergeMismatches += mode == Overwrite::Merge && result != plainMerge(c, d);
                }
            }
            EXPECT_EQ(opacityChanges, 0);
            EXPECT_EQ(mergeMismatches, 0);
        }
    }
}

}  // namespace
}  // namespace vorlan::graphics::test
