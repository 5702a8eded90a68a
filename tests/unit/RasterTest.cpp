// Placing, stamping and rendering one image on another; pixels, clearing,
// drawing whole images; the debug dumps.

#include "RasterTestSupport.h"

#include <limits>

namespace vorlan::graphics::test {
namespace {

using RasterTest = LiveCountChecked;
using Words = std::vector<ColourWord>;

constexpr ColourWord W = kOpaqueWhite, K = kOpaqueBlack, R = 0xFF0000FFu, G = 0xFF00FF00u, B = 0xFFFF0000u;

SysImage* Picture(int32_t width, int32_t height, ColourWord colour, uint16_t scale = 1) {
    SysImage* image = CreateImage(width, height, ImageMode::Picture, kColourMixPaper, scale);
    if (image) ClearImage(*image, colour);
    return image;
}

Words TopRow(const SysImage& image) { return Words(image.PictureRow(0), image.PictureRow(0) + image.columns); }

TEST_F(RasterTest, ClipPlacementKeepsTheOverlap) {
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min(), kMax = std::numeric_limits<int32_t>::max();
    struct Row {
        const char* what;
        int32_t sourceColumns, sourceRows, destinationOriginX, destinationOriginY, sourceOriginX, sourceOriginY, x, y;
        Placement expected;  // sourceRow, sourceColumn, targetRow, targetColumn, rows, columns
    };
    // The destination is 10 columns by 8 rows.
    const Row rows[] = {
        {"inside", 4, 3, 0, 0, 0, 0, 2, 1, {0, 0, 1, 2, 3, 4}},
        {"negative placement drops the first cells", 4, 3, 0, 0, 0, 0, -2, -1, {1, 2, 0, 0, 2, 2}},
        {"overhanging the far edges", 4, 3, 0, 0, 0, 0, 8, 6, {0, 0, 6, 8, 2, 2}},
        {"larger than the destination", 14, 12, 0, 0, 0, 0, -2, -2, {2, 2, 0, 0, 8, 10}},
        {"just off the left", 4, 3, 0, 0, 0, 0, -4, 0, {}},
        {"just off the right", 4, 3, 0, 0, 0, 0, 10, 0, {}},
        {"origins move the placement", 4, 3, 2, 1, -1, 3, 5, 0, {0, 0, 2, 2, 3, 4}},
        {"a tip centred on the corner", 3, 3, 0, 0, -1, -1, 0, 0, {1, 1, 0, 0, 2, 2}},
        {"far left with origins", 4, 3, kMax, 0, kMin, 0, kMin, 0, {}},
        {"far right with origins", 4, 3, kMin, 0, kMax, 0, kMax, 0, {}},
    };
    OwnedImage destination(CreateCellImage(10, 8, ImageMode::Pattern, 1));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        OwnedImage source(CreateCellImage(row.sourceColumns, row.sourceRows, ImageMode::Pattern, 1));
        destination->originX = row.destinationOriginX;
        destination->originY = row.destinationOriginY;
        source->originX = row.sourceOriginX;
        source->originY = row.sourceOriginY;
        const Placement got = ClipPlacement(*destination, *source, row.x, row.y);
        const Placement& want = row.expected;
        EXPECT_EQ(std::vector<int32_t>({got.sourceRow, got.sourceColumn, got.targetRow, got.targetColumn, got.rows,
                                        got.columns}),
                  std::vector<int32_t>({want.sourceRow, want.sourceColumn, want.targetRow, want.targetColumn,
                                        want.rows, want.columns}));
    }
}

TEST_F(RasterTest, StampTipCopiesOnlyPenAndBrushCells) {
    struct Row {
        const char* what;
        uint16_t sourceScale;
        int32_t x, y;
        Status status;
        Rows expected;
    };
    // The source "120/034" has origin x −1, as a tip centred on its middle column.
    const Row rows[] = {
        {"inside", 2, 2, 1, Status::Success, {"3333", "3123", "3333"}},
        {"clipped at the left", 2, 0, 0, Status::Success, {"2333", "3333", "3333"}},
        {"clipped at the right and bottom", 2, 4, 2, Status::Success, {"3333", "3333", "3331"}},
        {"scales differ", 4, 2, 1, Status::InternalFailure, {"3333", "3333", "3333"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        OwnedImage destination(PatternFrom({"3333", "3333", "3333"}, 2));
        OwnedImage source(PatternFrom({"120", "034"}, row.sourceScale));
        source->originX = -1;
        EXPECT_EQ(StampTip(*source, *destination, row.x, row.y), row.status);
        EXPECT_EQ(PatternRows(*destination), row.expected);
    }
    OwnedImage picture(CreateImage(2, 2, ImageMode::Picture, kNotACanvas, 2));
    EXPECT_EQ(StampTip(*OwnedImage(PatternFrom({"11"}, 2)), *picture, 0, 0), Status::Invalid);
}

// The remainder in 0..n−1 for either sign.
int32_t Wrap(int32_t a, int32_t n) { return ((a % n) + n) % n; }

TEST_F(RasterTest, RenderMaskTilesAPictureBrush) {
    struct Row {
        const char* what;
        BrushAlign align;
        PointF pin, reference;
        int32_t alignX, alignY;  // the canvas cell the brush image repeats from
    };
    const Row rows[] = {
        {"absolute", BrushAlign::Absolute, {4.0f, 4.0f}, {2.0f, 1.0f}, 0, 0},
        {"local", BrushAlign::Local, {4.0f, 4.0f}, {2.0f, 1.0f}, 4, 2},
        {"local, negative", BrushAlign::Local, {4.0f, 4.0f}, {-2.2f, -0.5f}, -4, -1},
        {"pinned", BrushAlign::Pinned, {0.5f, 1.0f}, {2.0f, 1.0f}, 1, 2},
        {"pinned, negative", BrushAlign::Pinned, {-3.5f, -1.5f}, {2.0f, 1.0f}, -7, -3},
        {"unknown alignment is absolute", static_cast<BrushAlign>(9), {1.0f, 2.0f}, {2.0f, 1.0f}, 0, 0},
    };
    // A 4 × 2 brush image with a different colour in every cell, on a canvas
    // of 3 × 2 pixels at scale 2 that the mask covers with brush cells.
    OwnedImage tile(CreateCellImage(4, 2, ImageMode::Picture, 2));
    for (int32_t r = 0; r < 2; ++r)
        for (int32_t c = 0; c < 4; ++c) tile->PictureRow(r)[c] = 0xFF000000u | static_cast<uint32_t>(r << 4 | c);
    OwnedImage mask(PatternFrom({"222222", "222222", "222222", "222222"}, 2));
    // By hand for the last negative row: cell (0, 0) shows tile cell
    // (7 mod 4, 3 mod 2), column 3 of row 1.
    ASSERT_EQ(tile->PictureRow(Wrap(0 + 3, 2))[Wrap(0 + 7, 4)], 0xFF000013u);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        OwnedImage canvas(Picture(3, 2, W, 2));
        Owned<SysBrush> brush(CreateBrush(R, B, Overwrite::Direct, BrushFill::Image, row.align, row.pin, tile.Get()));
        EXPECT_EQ(RenderMask(*canvas, nullptr, brush, *mask, 0, 0, row.reference), Status::Success);
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < 6; ++x)
                EXPECT_EQ(canvas->PictureRow(y)[x], tile->PictureRow(Wrap(y - row.alignY, 2))[Wrap(x - row.alignX, 4)])
                    << x << "," << y;
    }
}

TEST_F(RasterTest, RenderMaskPaintsPenAndBrushCells) {
    // A Pattern brush image is a stencil: pen cells in the brush colour, brush
    // cells in its background, empty cells letting the canvas through.
    OwnedImage stencil(PatternFrom({"120"}));
    OwnedImage volume(CreateImage(1, 1, ImageMode::Volume, kNotACanvas, 1));
    const SysBrush colour{{}, R, B, Overwrite::Direct, BrushFill::Colour, BrushAlign::Absolute, {}, nullptr, nullptr};
    SysBrush invert = colour, callback = colour, pattern = colour, badImage = colour;
    invert.overwrite = Overwrite::Invert;
    invert.colour = W;
    callback.fill = BrushFill::Callback;
    pattern.fill = badImage.fill = BrushFill::Image;
    pattern.working = stencil.Get();
    badImage.working = volume.Get();
    const PenPaint pen{G, Overwrite::Direct};
    struct Row {
        const char* what;
        const PenPaint* pen;
        const SysBrush* brush;
        Status status;
        Words expected;
    };
    const Row rows[] = {
        {"colour brush and pen", &pen, &colour, Status::Success, {R, R, R, G, W}},
        {"the brush by its own mode", &pen, &invert, Status::Success, {K, K, K, G, W}},
        {"a callback brush paints its colour", nullptr, &callback, Status::Success, {R, R, R, W, W}},
        {"no brush: brush cells untouched", &pen, nullptr, Status::Success, {W, W, W, G, W}},
        {"pattern brush image", nullptr, &pattern, Status::Success, {R, B, W, W, W}},
        {"volume brush image", &pen, &badImage, Status::Invalid, {W, W, W, W, W}},
    };
    OwnedImage mask(PatternFrom({"2221", "2221"}));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        OwnedImage canvas(Picture(5, 2, W));
        // At (0, −1) the mask's second row lands on the top row.
        EXPECT_EQ(RenderMask(*canvas, row.pen, row.brush, *mask, 0, -1, {}), row.status);
        EXPECT_EQ(TopRow(*canvas), row.expected);
        EXPECT_EQ(canvas->PictureRow(1)[0], W);
    }
    EXPECT_EQ(RenderMask(*OwnedImage(PatternFrom({"00"})), &pen, &colour, *mask, 0, 0, {}), Status::Invalid);
}

TEST_F(RasterTest, SetPixelSetsTheWholeBlock) {
    struct Row {
        const char* what;
        PointF point;
        int32_t top, left;  // of the block set; −1 when nothing is
    };
    // 3 × 3 pixels at scale 4: 12 × 12 cells.
    const Row rows[] = {
        {"inside", {1.3f, 1.6f}, 4, 4},         {"last cell", {2.85f, 2.85f}, 8, 8},
        {"just left", {-0.2f, 1.0f}, -1, -1},   {"just right", {3.0f, 1.0f}, -1, -1},
        {"just above", {1.0f, -0.13f}, -1, -1}, {"just below", {1.0f, 2.9f}, -1, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        OwnedImage picture(Picture(3, 3, W, 4));
        OwnedImage pattern(CreateImage(3, 3, ImageMode::Pattern, kColourMixPaper, 4));
        EXPECT_EQ(SetPixel(*picture, row.point, R), Status::Success);
        EXPECT_EQ(SetPixel(*pattern, row.point, R), Status::Success);
        int32_t set = 0;
        for (int32_t y = 0; y < 12; ++y) {
            for (int32_t x = 0; x < 12; ++x) {
                const bool in = row.top >= 0 && y >= row.top && y < row.top + 4 && x >= row.left && x < row.left + 4;
                set += picture->PictureRow(y)[x] == R;
                EXPECT_EQ(picture->PictureRow(y)[x], in ? R : W) << x << "," << y;
                EXPECT_EQ(pattern->PatternRow(y)[x], in ? kCellPen : kCellEmpty) << x << "," << y;
            }
        }
        EXPECT_EQ(set, row.top < 0 ? 0 : 16);
    }
    // A cell image need not hold whole blocks: the block stops at its edge.
    OwnedImage cells(CreateCellImage(6, 6, ImageMode::Pattern, 4));
    EXPECT_EQ(SetPixel(*cells, {1.2f, 1.2f}, R), Status::Success);
    EXPECT_EQ(PatternRows(*cells), (Rows{"000000", "000000", "000000", "000000", "000011", "000011"}));
    ClearImage(*cells, R);
    EXPECT_EQ(PatternRows(*cells)[5], "000000");
    EXPECT_EQ(cells->background, R);
    EXPECT_EQ(SetPixel(*OwnedImage(CreateImage(1, 1, ImageMode::Volume, 1, 1)), {}, R), Status::Invalid);
}

TEST_F(RasterTest, PutImageDrawsEachKind) {
    // Opaque red, then red at opacity 128; the origin is not applied.
    OwnedImage source(CreateImage(2, 1, ImageMode::Picture, kNotACanvas, 1));
    source->PictureRow(0)[0] = R;
    source->PictureRow(0)[1] = 0x800000FFu;
    source->originX = 5;
    OwnedImage mask(PatternFrom({"12"}));
    OwnedImage volume(CreateImage(1, 1, ImageMode::Volume, kNotACanvas, 1));
    const PenPaint pen{G, Overwrite::Direct};
    const SysBrush brush{{}, R, B, Overwrite::Direct, BrushFill::Colour, BrushAlign::Absolute, {}, nullptr, nullptr};
    struct Row {
        const char* what;
        const SysImage* image;
        Overwrite overwrite;
        PointF point;
        ColourWord background;
        Status status;
        Words expected;
    };
    const Row rows[] = {
        // (128·255 + 127·255) / 255 = 255 and (128·0 + 127·255) / 255 = 127.
        {"merge copies opaque pixels", source.Get(), Overwrite::Merge, {1, 0}, W, Status::Success,
         {W, R, 0xFF7F7FFFu, W}},
        {"add on green would make it black", source.Get(), Overwrite::Add, {0, 0}, G, Status::Success, {R, K, G, G}},
        {"clipped on the left", source.Get(), Overwrite::Direct, {-1, 0}, W, Status::Success, {0x800000FFu, W, W, W}},
        {"pattern in pen and brush", mask.Get(), Overwrite::Invert, {2, 0}, W, Status::Success, {W, W, G, R}},
        {"no image", nullptr, Overwrite::Direct, {0, 0}, W, Status::Success, {W, W, W, W}},
        {"volume image", volume.Get(), Overwrite::Direct, {0, 0}, W, Status::Invalid, {W, W, W, W}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        OwnedImage canvas(Picture(4, 1, row.background));
        EXPECT_EQ(PutImage(*canvas, &pen, &brush, row.image, row.overwrite, row.point), row.status);
        EXPECT_EQ(TopRow(*canvas), row.expected);
    }
    OwnedImage patternCanvas(CreateImage(2, 1, ImageMode::Pattern, kColourMixPaper, 2));
    OwnedImage tip(PatternFrom({"12"}, 2));
    EXPECT_EQ(PutImage(*patternCanvas, &pen, &brush, mask.Get(), Overwrite::Direct, {}), Status::InternalFailure);
    EXPECT_EQ(PutImage(*patternCanvas, &pen, &brush, tip.Get(), Overwrite::Direct, {0.5f, 0.5f}), Status::Success);
    EXPECT_EQ(PatternRows(*patternCanvas), (Rows{"0000", "0120"}));
    EXPECT_EQ(PutImage(*patternCanvas, &pen, &brush, source.Get(), Overwrite::Direct, {}), Status::Invalid);
}

TEST_F(RasterTest, DumpsPrintEveryCell) {
    OwnedImage pattern(PatternFrom({"012", "345"}));
    OwnedImage picture(CreateImage(2, 1, ImageMode::Picture, kNotACanvas, 1));
    picture->PictureRow(0)[0] = R;
    picture->PictureRow(0)[1] = 0x80102030u;
    struct Row {
        void (*dump)(const SysImage*);
        const SysImage* image;
        const char* expected;
    };
    const Row rows[] = {
        {SysPatternDump, pattern.Get(), "-*+\n/#?\n\n"},
        {SysPatternDump, nullptr, "SysPatternDump: image pointer in null\n"},
        {SysPictureDump, picture.Get(), "FF0000FF 30201080 \n\n"},  // bytes in memory order
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.expected);
        testing::internal::CaptureStdout();
        row.dump(row.image);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), row.expected);
    }
}

}  // namespace
}  // namespace vorlan::graphics::test
