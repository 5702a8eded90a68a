// Images: creation and its limits, duplicates, overlapping copies, the cell
// index of a coordinate; brushes and canvases built on them.

#include "RasterTestSupport.h"

#include <cmath>
#include <limits>
#include <vector>

namespace vorlan::graphics::test {
namespace {

using ImageTest = LiveCountChecked;
using BrushTest = LiveCountChecked;

constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();

TEST_F(ImageTest, CreationSizesAndLimits) {
    struct Row {
        const char* what;
        int32_t width, height;
        ImageMode mode;
        uint16_t scale;
        int32_t rows, columns, bytes;  // rows −1: no image
    };
    const Row rows[] = {
        {"picture at scale 2", 3, 2, ImageMode::Picture, 2, 4, 6, 96},
        {"pattern at scale 4", 1, 1, ImageMode::Pattern, 4, 4, 4, 16},
        {"no width, no cells", 0, 5, ImageMode::Picture, 1, 5, 0, 0},
        {"unknown mode, no cells", 3, 3, static_cast<ImageMode>(7), 1, 3, 3, 0},
        {"negative width", -1, 4, ImageMode::Picture, 1, -1, 0, 0},
        {"scale zero", 4, 4, ImageMode::Picture, 0, -1, 0, 0},
        {"16 GiB picture", 65536, 65536, ImageMode::Picture, 1, -1, 0, 0},
        {"one row over the limit", 65536, 65537, ImageMode::Pattern, 1, -1, 0, 0},
        {"INT32_MAX squared", kIntMax, kIntMax, ImageMode::Volume, 1, -1, 0, 0},
        {"scale × width past 32 bits", 1 << 29, 1, ImageMode::Pattern, 4, -1, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        testing::internal::CaptureStdout();
        OwnedImage image(CreateImage(row.width, row.height, row.mode, kColourMixScreen, row.scale));
        // Refusals never reach the allocator, so nothing reports a failure.
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        ASSERT_EQ(image.Get() != nullptr, row.rows >= 0);
        if (!image.Get()) continue;
        EXPECT_EQ(image->rows, row.rows);
        EXPECT_EQ(image->columns, row.columns);
        EXPECT_EQ(image->scale, row.scale);
        EXPECT_EQ(image->colourMix, kColourMixScreen);
        EXPECT_EQ(image->originX + image->originY, 0);
        EXPECT_EQ(MemBlockSize(image->cells), static_cast<uint32_t>(row.bytes));
        for (int32_t i = 0; i < row.bytes; ++i) ASSERT_EQ(image->cells[i], 0) << i;
    }
    OwnedImage cellImage(CreateCellImage(5, 3, ImageMode::Pattern, 4));
    EXPECT_EQ(cellImage->columns * 10 + cellImage->rows, 53);
    EXPECT_EQ(cellImage->colourMix, kNotACanvas);
    EXPECT_EQ(CreateCellImage(-3, 2, ImageMode::Pattern, 1), nullptr);
    for (uint32_t failAt : {1u, 2u}) {  // the record, then the cells
        SCOPED_TRACE(failAt);
        MemFailAllocationAt(failAt);
        testing::internal::CaptureStdout();
        EXPECT_EQ(CreateImage(4, 4, ImageMode::Picture, kColourMixPaper, 1), nullptr);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "FATAL ERROR - Memory Allocation Failed");
    }
}

TEST_F(ImageTest, DuplicatesAndOverlappingCopies) {
    OwnedImage image(PatternFrom({"012", "210"}, 2));
    image->originX = -3;
    image->background = 0x12345678u;
    OwnedImage copy(DuplicateImage(*image));
    ASSERT_NE(copy.Get(), nullptr);
    image->PatternRow(0)[0] = 2;  // the copy has cells of its own
    EXPECT_EQ(PatternRows(*copy), (Rows{"012", "210"}));
    EXPECT_EQ(copy->scale + copy->originX, -1);
    EXPECT_EQ(copy->background, 0x12345678u);

    const Rows sources[] = {{"12", "21"}, {"121", "212", "111"}, {"12121"}};
    const Rows expected[] = {{"120", "210"}, {"121", "212"}, {"121", "000"}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        OwnedImage target(PatternFrom({"000", "000"}));
        CopyOverlap(*target, *OwnedImage(PatternFrom(sources[i])));
        EXPECT_EQ(PatternRows(*target), expected[i]);
    }
    // Cells of another mode do not fit: nothing is copied.
    OwnedImage picture(CreateImage(3, 1, ImageMode::Picture, kNotACanvas, 1));
    ClearImage(*picture, kOpaqueWhite);
    CopyOverlap(*image, *picture);
    EXPECT_EQ(PatternRows(*image), (Rows{"212", "210"}));
}

TEST_F(ImageTest, CoordinatesRoundHalfAwayFromZero) {
    struct Row {
        float coordinate;
        uint16_t scale;
        int32_t expected;
    };
    const Row rows[] = {
        {0.5f, 1, 1},   {-0.5f, 1, -1},      {1.25f, 2, 3},        {-1.25f, 2, -3},           {0.124f, 4, 0},
        {0.125f, 4, 1}, {1e10f, 1, kIntMax}, {-1e10f, 4, kIntMin}, {536870912.0f, 4, kIntMax},
        {std::nanf(""), 1, kIntMin},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.coordinate << " at scale " << row.scale);
        EXPECT_EQ(ToSubPixel(row.coordinate, row.scale), row.expected);
    }
}

// The rounding is done without std::round where it can be; it must agree
// with it everywhere: halves, the float just below a half, the ends of the
// cell range and beyond them, infinities and random coordinates.
TEST_F(ImageTest, CoordinatesRoundAsTheLibraryRounds) {
    auto reference = [](float coordinate, uint16_t scale) {
        const double cell = std::round(static_cast<double>(coordinate) * scale);
        if (std::isnan(cell) || cell <= kIntMin) return kIntMin;
        if (cell >= kIntMax) return kIntMax;
        return static_cast<int32_t>(cell);
    };
    std::vector<float> coordinates = {0.0f, -0.0f, 2.5f, -2.5f, 0.49999997f, -0.49999997f, 0.50000006f,
                                      1073741823.5f, -1073741824.0f, 536870911.75f, -536870912.25f,
                                      2147483520.0f, -2147483648.0f, 2147483648.0f, 3e9f, -3e9f,
                                      std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                                      std::numeric_limits<float>::denorm_min(), -std::numeric_limits<float>::max()};
    uint32_t seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const float wide = static_cast<float>(static_cast<int32_t>(seed)) / 1024.0f;  // about ±2^21, in 1/1024 steps
        coordinates.push_back(i % 2 ? wide : wide / 4096.0f);
    }
    for (const float coordinate : coordinates) {
        for (const uint16_t scale : {1, 2, 4, 65535}) {
            SCOPED_TRACE(testing::Message() << coordinate << " at scale " << scale);
            ASSERT_EQ(ToSubPixel(coordinate, scale), reference(coordinate, scale));
        }
    }
}

TEST_F(BrushTest, BrushesAndCanvases) {
    OwnedImage image(CreateImage(2, 2, ImageMode::Picture, kNotACanvas, 1));
    EXPECT_EQ(CreateBrush(0, 0, Overwrite::Add, BrushFill::Image, BrushAlign::Local, {}, nullptr), nullptr);
    for (BrushFill fill : {BrushFill::Image, BrushFill::Colour}) {
        SCOPED_TRACE(static_cast<int>(fill));
        Owned<SysBrush> brush(CreateBrush(1, 2, Overwrite::Merge, fill, BrushAlign::Pinned, {1.5f, -2.0f}, image.Get()));
        ASSERT_NE(brush, nullptr);
        EXPECT_EQ(brush->colour + brush->background, 3u);
        EXPECT_EQ(brush->pin.x, 1.5f);
        EXPECT_EQ(brush->image, image.Get());
        EXPECT_EQ(brush->working, fill == BrushFill::Image ? image.Get() : nullptr);
    }

    struct Row {
        ImageMode mode;
        uint16_t mix;
        ColourWord background;
        uint32_t lastCell;
    };
    const Row rows[] = {{ImageMode::Picture, kColourMixPaper, kOpaqueWhite, kOpaqueWhite},
                        {ImageMode::Picture, kColourMixScreen, kOpaqueBlack, kOpaqueBlack},
                        {ImageMode::Pattern, kColourMixPaper, kOpaqueWhite, kCellEmpty}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "mode " << static_cast<int>(row.mode) << " mix " << row.mix);
        Owned<SysCanvas> canvas(CreateCanvas(3, 2, row.mode, row.mix, 2));
        ASSERT_NE(canvas, nullptr);
        const SysImage& cells = *canvas->image;
        EXPECT_EQ(cells.background, row.background);
        EXPECT_EQ(row.mode == ImageMode::Picture ? cells.PictureRow(3)[5] : cells.PatternRow(3)[5], row.lastCell);
        EXPECT_FALSE(canvas->textSurface || canvas->video || canvas->framesWritten);
    }
    MemFailAllocationAt(3);  // the canvas and its image come first, then the cells
    testing::internal::CaptureStdout();
    EXPECT_EQ(CreateCanvas(3, 2, ImageMode::Picture, kColourMixPaper, 1), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "FATAL ERROR - Memory Allocation Failed");
}

}  // namespace
}  // namespace vorlan::graphics::test
