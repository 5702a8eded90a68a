// The flood of Pattern images and flood fill of canvases.

#include "RasterTestSupport.h"

#include <random>
#include <string_view>

namespace vorlan::graphics::test {
namespace {

using FloodTest = LiveCountChecked;

// The flood as first described: forward and backward sweeps over the cells
// inside the border, alternately, until a forward and a backward sweep in a
// row change nothing. (Stopping at the first quiet sweep would end the flood
// at once whenever the brush lies only below or right of the empty cells.)
void SweepFlood(Rows& cells) {
    const int rows = static_cast<int>(cells.size());
    const int columns = rows ? static_cast<int>(cells[0].size()) : 0;
    for (int quiet = 0, pass = 0; quiet < 2; ++pass) {
        const bool forward = pass % 2 == 0;
        bool changed = false;
        for (int i = 1; i <= rows - 2; ++i) {
            const int r = forward ? i : rows - 1 - i;
            for (int j = 1; j <= columns - 2; ++j) {
                const int c = forward ? j : columns - 1 - j;
                const int step = forward ? -1 : 1;
                if (cells[r][c] == '0' && (cells[r + step][c] == '2' || cells[r][c + step] == '2')) {
                    cells[r][c] = '2';
                    changed = true;
                }
            }
        }
        quiet = changed ? 0 : quiet + 1;
    }
}

Rows RandomCells(std::mt19937& random, int rows, int columns) {
    // Mostly empty, so that regions are large and winding.
    std::discrete_distribution<int> value({60, 30, 6, 1});
    Rows cells(static_cast<size_t>(rows), std::string(static_cast<size_t>(columns), '0'));
    for (std::string& row : cells)
        for (char& cell : row) cell = static_cast<char>('0' + value(random));
    return cells;
}

TEST_F(FloodTest, AgreesWithTheSweepsOnRandomImages) {
    const std::pair<int, int> sizes[] = {{1, 1}, {2, 2}, {1, 7}, {3, 3}, {3, 9}, {9, 3}, {5, 7}, {16, 16}, {40, 25}};
    std::mt19937 random(20240517);
    for (const auto& [rows, columns] : sizes) {
        for (int trial = 0; trial < 40; ++trial) {
            SCOPED_TRACE(testing::Message() << rows << " x " << columns << " trial " << trial);
            const Rows cells = RandomCells(random, rows, columns);
            Rows expected = cells;
            SweepFlood(expected);
            OwnedImage image(PatternFrom(cells));
            // Every fourth flood is denied its stack and must sweep instead.
            const bool starved = trial % 4 == 3;
            if (starved) MemFailAllocationAt(1);
            testing::internal::CaptureStdout();
            FloodPattern(*image);
            const std::string printed = testing::internal::GetCapturedStdout();
            MemFailAllocationAt(0);
            EXPECT_TRUE(printed.empty() || (starved && printed == "FATAL ERROR - Memory Allocation Failed"));
            ASSERT_EQ(PatternRows(*image), expected);
        }
    }
}

TEST_F(FloodTest, BorderCellsSeedButNeverChange) {
    struct Row {
        const char* what;
        Rows cells, expected;
    };
    const Row rows[] = {
        {"a border brush cell seeds", {"12111", "10001", "11111"}, {"12111", "12221", "11111"}},
        {"empty border cells do not join", {"1111111", "1201001", "0000000"}, {"1111111", "1221001", "0000000"}},
        {"pen cells wall in", {"000000", "021000", "011000", "000000"}, {"000000", "021000", "011000", "000000"}},
        {"brush only below and right", {"11111", "10001", "10001", "11121"}, {"11111", "12221", "12221", "11121"}},
        {"winding corridor",
         {"111111", "120001", "111101", "100001", "101111", "100001", "111111"},
         {"111111", "122221", "111121", "122221", "121111", "122221", "111111"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        OwnedImage image(PatternFrom(row.cells));
        FloodPattern(*image);
        EXPECT_EQ(PatternRows(*image), row.expected);
    }
}

// Canvases are written one letter a cell: W white, K black, R red (the
// brush's colour), w white with opacity 0.
constexpr char kLetters[] = "WKRw";
constexpr ColourWord kColours[] = {kOpaqueWhite, kOpaqueBlack, 0xFF0000FFu, 0x00FFFFFFu};

SysImage* CanvasFrom(const Rows& rows) {
    SysImage* canvas = CreateImage(static_cast<int32_t>(rows[0].size()), static_cast<int32_t>(rows.size()),
                                   ImageMode::Picture, kColourMixPaper, 1);
    for (int32_t r = 0; canvas && r < canvas->rows; ++r)
        for (int32_t c = 0; c < canvas->columns; ++c)
            canvas->PictureRow(r)[c] = kColours[std::string_view(kLetters).find(rows[r][c])];
    return canvas;
}

Rows CanvasRows(const SysImage& canvas) {
    Rows rows(static_cast<size_t>(canvas.rows), std::string(static_cast<size_t>(canvas.columns), '?'));
    for (int32_t r = 0; r < canvas.rows; ++r)
        for (int32_t c = 0; c < canvas.columns; ++c)
            for (int i = 0; i < 4; ++i)
                if (canvas.PictureRow(r)[c] == kColours[i]) rows[r][c] = kLetters[i];
    return rows;
}

const SysBrush kRedBrush{{}, 0xFF0000FFu, 0, Overwrite::Direct, BrushFill::Colour, BrushAlign::Absolute, {}, nullptr,
                         nullptr};

TEST_F(FloodTest, FillReachesTheEdgesOfItsRegion) {
    const Rows canvas = {"WWWKWW", "WWKWWW", "WWKWKK", "wWKWKW"};
    struct Row {
        const char* what;
        PointF seed;
        Rows expected;
    };
    const Row rows[] = {
        {"left region, edges included", {0.2f, 0.2f}, {"RRRKWW", "RRKWWW", "RRKWKK", "wRKWKW"}},
        {"right region through the top edge", {5.0f, 0.0f}, {"WWWKRR", "WWKRRR", "WWKRKK", "wWKRKW"}},
        {"diagonal cells are not neighbours", {5.4f, 3.4f}, {"WWWKWW", "WWKWWW", "WWKWKK", "wWKWKR"}},
        {"the wall itself", {2.0f, 2.0f}, {"WWWKWW", "WWRWWW", "WWRWKK", "wWRWKW"}},
        {"opacity counts: a lone corner", {0.0f, 3.0f}, {"WWWKWW", "WWKWWW", "WWKWKK", "RWKWKW"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        OwnedImage image(CanvasFrom(canvas));
        EXPECT_EQ(FloodFill(*image, kRedBrush, row.seed), Status::Success);
        EXPECT_EQ(CanvasRows(*image), row.expected);
    }
}

TEST_F(FloodTest, SeedsOutsideFailAndOtherCanvasesFill) {
    // 6 × 4 cells at scale 1: a coordinate rounds to the nearest cell.
    const Rows white = {"WWWWWW", "WWWWWW", "WWWWWW", "WWWWWW"}, empty = {"000000", "000000", "000000", "000000"};
    for (const PointF& seed : {PointF{-0.5f, 1}, PointF{5.5f, 1}, PointF{1, -0.51f}, PointF{1, 3.5f}}) {
        SCOPED_TRACE(testing::Message() << seed.x << "," << seed.y);
        OwnedImage image(CanvasFrom(white));
        OwnedImage pattern(PatternFrom(empty));
        EXPECT_EQ(FloodFill(*image, kRedBrush, seed), Status::OutOfRange);
        EXPECT_EQ(FloodFill(*pattern, kRedBrush, seed), Status::OutOfRange);
        EXPECT_EQ(CanvasRows(*image), white);
        EXPECT_EQ(PatternRows(*pattern), empty);
    }
    struct Row {
        const char* what;
        PointF seed;
        Rows cells, expected;
    };
    const Row rows[] = {
        {"pattern: edges included", {0, 0}, {"0010", "0100", "1000"}, {"2210", "2100", "1000"}},
        {"pattern: the other side", {3.4f, 2.4f}, {"0010", "0100", "1000"}, {"0012", "0122", "1222"}},
        {"pattern: a brush seed does nothing", {1, 1}, {"000", "020", "000"}, {"000", "020", "000"}},
        {"pattern: a pen seed becomes brush", {1, 0}, {"010", "111", "000"}, {"222", "111", "000"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        OwnedImage image(PatternFrom(row.cells));
        EXPECT_EQ(FloodFill(*image, kRedBrush, row.seed), Status::Success);
        EXPECT_EQ(PatternRows(*image), row.expected);
    }
    OwnedImage volume(CreateImage(2, 2, ImageMode::Volume, kNotACanvas, 1));
    EXPECT_EQ(FloodFill(*volume, kRedBrush, {1, 1}), Status::Success);
}

TEST_F(FloodTest, FillFailuresLeaveTheCanvasAlone) {
    const Rows white = {"WWW", "WWW"};
    OwnedImage volume(CreateImage(1, 1, ImageMode::Volume, kNotACanvas, 1));
    SysBrush badBrush = kRedBrush;
    badBrush.fill = BrushFill::Image;
    badBrush.image = badBrush.working = volume.Get();
    OwnedImage image(CanvasFrom(white));
    EXPECT_EQ(FloodFill(*image, badBrush, {1, 1}), Status::Invalid);
    EXPECT_EQ(CanvasRows(*image), white);

    MemFailAllocationAt(1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(FloodFill(*image, kRedBrush, {1, 1}), Status::OutOfMemory);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "FATAL ERROR - Memory Allocation Failed");
    EXPECT_EQ(CanvasRows(*image), white);
}

}  // namespace
}  // namespace vorlan::graphics::test
