// Text rendering: the clipping of a text's area to whole words, the text
// angle rule, font records, and where the ink of drawn text lies. Glyph
// shapes belong to the font engine, so no test compares them: the checks are
// of extents, cell values and runs of ink.

#include "ShapeTestSupport.h"
#include "graphics/Font.h"
#include "graphics/TextRender.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace vorlan::test {
namespace {

using namespace graphics;

class TextRenderTest : public LeakCheckedTest {};

Owned<SysFont> MakeFont(const std::u16string& typeface, int32_t size, uint16_t scale, bool underline = false) {
    Owned<SysFont> font(CreateFont(typeface.data(), typeface.size(), size, scale, 50, false, underline));
    EXPECT_NE(font, nullptr);
    return font;
}

// A canvas record around a scene's image, which stays the scene's.
struct BorrowedCanvas {
    explicit BorrowedCanvas(SysImage& image) { canvas.image.Adopt(&image); }
    ~BorrowedCanvas() { (void)canvas.image.Take(); }
    SysCanvas canvas{};
};

TextRequest Request(const std::u16string& text, HorzAlign halign = HorzAlign::Left,
                    VertAlign valign = VertAlign::Top) {
    return {text.data(), text.size(), halign, valign};
}

bool IsInk(const SysImage& image, int32_t column, int32_t row) {
    return image.mode == ImageMode::Picture ? image.PictureRow(row)[column] != kWhite
                                            : image.PatternRow(row)[column] != kCellEmpty;
}

// The cells that hold ink, as a box; empty when there are none.
struct InkBox {
    int32_t left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1;
    bool Empty() const { return right < 0; }
};
InkBox InkOf(const SysImage& image) {
    InkBox box;
    for (int32_t row = 0; row < image.rows; ++row) {
        for (int32_t column = 0; column < image.columns; ++column) {
            if (!IsInk(image, column, row)) continue;
            box = {std::min(box.left, column), std::min(box.top, row), std::max(box.right, column),
                   std::max(box.bottom, row)};
        }
    }
    return box;
}

// The longest unbroken run of ink along any row.
int32_t LongestRowOfInk(const SysImage& image) {
    int32_t longest = 0;
    for (int32_t row = 0; row < image.rows; ++row) {
        int32_t run = 0;
        for (int32_t column = 0; column < image.columns; ++column) {
            run = IsInk(image, column, row) ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    return longest;
}

TEST_F(TextRenderTest, AreaIsWidenedToWholeWordsAndCutToTheCanvas) {
    struct Row {
        const char* name;
        int64_t x0, y0, x1, y1;
        int32_t marginX, marginY;
        bool visible;
        TextArea expected;
    };
    // A canvas of 150 × 100 cells: its right edge is no multiple of 32.
    const Row rows[] = {
        {"inside", 40, 10, 70, 20, 5, 5, true, {32, 5, 96, 25}},
        {"corners in any order", 70, 20, 40, 10, 5, 5, true, {32, 5, 96, 25}},
        {"on a word edge", 32, 0, 64, 10, 0, 0, true, {32, 0, 64, 10}},
        {"left of the canvas", -50, 30, 10, 40, 8, 0, true, {0, 30, 32, 40}},
        {"past the right and bottom", 120, 90, 170, 130, 4, 4, true, {96, 86, 150, 100}},
        {"above and below", 10, -40, 20, 400, 0, 16, true, {0, 0, 32, 100}},
        {"wholly left", -90, 10, -20, 20, 10, 10, false, {}},
        {"wholly right", 170, 10, 200, 20, 10, 10, false, {}},
        {"wholly above", 10, -90, 20, -20, 10, 10, false, {}},
        {"wholly below", 10, 120, 20, 130, 10, 10, false, {}},
        {"touching the left edge only", -30, 10, -5, 20, 5, 5, false, {}},
        {"a margin reaches in", -30, 10, -5, 20, 6, 5, true, {0, 5, 32, 25}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TextArea area{};
        ASSERT_EQ(ClipTextArea(row.x0, row.y0, row.x1, row.y1, row.marginX, row.marginY, 150, 100, &area),
                  row.visible);
        if (!row.visible) continue;
        EXPECT_EQ(std::vector<int32_t>({area.left, area.top, area.right, area.bottom}),
                  std::vector<int32_t>({row.expected.left, row.expected.top, row.expected.right,
                                        row.expected.bottom}));
    }
}

TEST_F(TextRenderTest, AnglesAreTenthsTurnedForwardAndBounded) {
    struct Row {
        runtime::Number degrees;
        Status status;
        int32_t tenths;
    };
    const auto whole = runtime::MakeIntegerUnchecked;
    const auto real = runtime::MakeRealUnchecked;
    const Row rows[] = {
        {whole(0), Status::Success, 0},         {whole(90), Status::Success, 900},
        {whole(-90), Status::Success, 2700},    {whole(360), Status::Success, 3600},
        {whole(-360), Status::Success, 0},      {whole(361), Status::OutOfRange, 0},
        {whole(-361), Status::OutOfRange, 0},   {whole(400), Status::OutOfRange, 0},
        {real(12.25f), Status::Success, 123},   // 122.5 rounds away from zero
        {real(-90.5f), Status::Success, 2695},  {real(360.04f), Status::Success, 3600},
        {real(-360.04f), Status::Success, 0},   {real(360.05f), Status::OutOfRange, 0},
        {real(-360.05f), Status::OutOfRange, 0}, {runtime::kNullNumber, Status::UsingNull, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "number word " << std::hex << row.degrees);
        int32_t tenths = -1;
        ASSERT_EQ(TextAngleTenths(row.degrees, &tenths), row.status);
        if (row.status == Status::Success) {
            EXPECT_EQ(tenths, row.tenths);
        }
    }
}

TEST_F(TextRenderTest, FontRecordKeepsItsFieldsWithinTheirRanges) {
    EXPECT_EQ(FontWeight(-5), 1);
    EXPECT_EQ(FontWeight(0), 1);
    EXPECT_EQ(FontWeight(50), 500);
    EXPECT_EQ(FontWeight(100), 1000);
    EXPECT_EQ(FontWeight(101), 1000);

    const std::u16string longName(80, u'a');
    Owned<SysFont> font(CreateFont(longName.data(), longName.size(), 12, 2, 70, true, true));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(std::u16string(font->typeface), longName.substr(0, kTypefaceMax));
    EXPECT_EQ(font->weight, 700);
    EXPECT_TRUE(font->italic && font->underline);

    // The record says "no face" when there is no name; the engine then
    // picks its own.
    font.Adopt(CreateFont(nullptr, 0, 12, 1, 50, false, false));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->typeface[0], 0);

    EXPECT_EQ(CreateFont(u"Arial", 5, 0, 1, 50, false, false), nullptr);
    EXPECT_EQ(CreateFont(u"Arial", 5, 65536, 1, 50, false, false), nullptr);
}

TEST_F(TextRenderTest, OnAPatternCanvasTextIsPenCells) {
    Scene scene(ImageMode::Pattern, 4, 1, DashMode::Solid, {}, 80);
    const Owned<SysFont> font = MakeFont(u"Arial", 12, 4);
    {
        BorrowedCanvas borrowed(scene.canvas());
        const std::u16string text = u"Pen";
        ASSERT_EQ(DrawTextLine(borrowed.canvas, {10, 10}, scene.pen().paint, *font, Request(text), 0, 0),
                  Status::Success);
    }

    const SysImage& image = scene.canvas();
    int32_t pen = 0, other = 0;
    for (int32_t row = 0; row < image.rows; ++row) {
        for (int32_t column = 0; column < image.columns; ++column) {
            const uint8_t cell = image.PatternRow(row)[column];
            pen += cell == kCellPen;
            other += cell != kCellPen && cell != kCellEmpty;
        }
    }
    EXPECT_GT(pen, 100);
    EXPECT_EQ(other, 0);
    const InkBox ink = InkOf(image);
    EXPECT_GE(ink.left, 40);  // the origin in cells
    EXPECT_GE(ink.top, 40);
    EXPECT_LE(ink.bottom, 40 + 2 * 12 * 4);
}

TEST_F(TextRenderTest, UnderlineOutlastsATurnedDrawing) {
    const Owned<SysFont> underlined = MakeFont(u"Arial", 14, 2, true);
    const Owned<SysFont> plain = MakeFont(u"Arial", 14, 2, false);
    const std::u16string text = u"Vorlan text";
    // The widest run of ink on a row, against the text's width: an underline
    // runs under the whole text; letters leave gaps.
    auto drawn = [&](SysFont& font) {
        Scene scene(ImageMode::Picture, 2, 1, DashMode::Solid, {}, 120);
        {
            BorrowedCanvas borrowed(scene.canvas());
            EXPECT_EQ(DrawTextLine(borrowed.canvas, {5, 20}, scene.pen().paint, font, Request(text), 0, 0),
                      Status::Success);
        }
        const InkBox ink = InkOf(scene.canvas());
        return static_cast<double>(LongestRowOfInk(scene.canvas())) / (ink.right - ink.left + 1);
    };
    EXPECT_LT(drawn(*plain), 0.5);
    EXPECT_GT(drawn(*underlined), 0.9);

    {
        Scene scene(ImageMode::Picture, 2, 1, DashMode::Solid, {}, 120);
        BorrowedCanvas borrowed(scene.canvas());
        ASSERT_EQ(DrawTextLine(borrowed.canvas, {60, 60}, scene.pen().paint, *underlined, Request(text), 450, 0),
                  Status::Success);
        EXPECT_EQ((*underlined).angle, 450);
    }
    EXPECT_GT(drawn(*underlined), 0.9);
}

TEST_F(TextRenderTest, SurfaceIsMadeOnceAndGoesWithTheCanvas) {
    Owned<SysCanvas> canvas(CreateCanvas(100, 50, ImageMode::Picture, kColourMixPaper, 2));
    ASSERT_NE(canvas, nullptr);
    const Owned<SysFont> font = MakeFont(u"Arial", 10, 2);
    const PenPaint pen{0xFF000000u, Overwrite::Direct};
    const std::u16string text = u"Twice";
    ASSERT_EQ(DrawTextLine(*canvas, {2, 2}, pen, *font, Request(text), 0, 0), Status::Success);
    void* surface = canvas->textSurface;
    ASSERT_NE(surface, nullptr);
    ASSERT_EQ(DrawTextColumn(*canvas, {50, 25}, pen, *font, Request(text, HorzAlign::Centre, VertAlign::Centre), 0),
              Status::Success);
    EXPECT_EQ(canvas->textSurface, surface);
}

}  // namespace
}  // namespace vorlan::test
