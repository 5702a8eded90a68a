// The graphics context: its defaults, the value operations of the graphics
// structures, and canvas resizing.

#include "DriverTestSupport.h"
#include "compiler/Compilation.h"
#include "compiler/Declarations.h"
#include "interp/Context.h"
#include "graphics/ElementCells.h"
#include "graphics/Raster.h"
#include "value/SystemTypeCodes.h"
#include "value/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorlan::test {
namespace {

using compiler::TypeDescriptor;
using namespace graphics;

class GraphicsContextTest : public DriverFileTest {
protected:
    void SetUp() override {
        DriverFileTest::SetUp();
        savedScale_ = GlobalSettings().run.scale;
        GlobalSettings().run.scale = 2;  // images and pens are built at the run's scale
        ASSERT_EQ(compiler::CreateCompilation(RunMode::RunSource, settings, &compilation_), Status::Success);
    }
    void TearDown() override {
        compiler::FreeCompilation(compilation_);
        GlobalSettings().run.scale = savedScale_;
        DriverFileTest::TearDown();
    }
    void* Create(uint16_t mix = kColourMixPaper, bool video = false, int32_t width = 20, int32_t height = 10) {
        return CreateContext(*compilation_, ContextSetup{width, height, ImageMode::Picture, mix, 2, video});
    }
    const TypeDescriptor& Type(uint16_t code) { return *compiler::FindSystemType(*compilation_, code); }

    compiler::Compilation* compilation_ = nullptr;
    uint16_t savedScale_ = 0;
};

TEST_F(GraphicsContextTest, NewContextDrawsBlackOnWhiteWithGreyFill) {
    void* context = Create();
    ASSERT_NE(context, nullptr);
    DrawingContext drawing{};
    ASSERT_EQ(UnpackContext(context, &drawing), Status::Success);
    EXPECT_EQ(drawing.origin.x, 0.0f);
    EXPECT_EQ(drawing.pen->width, 1);
    EXPECT_EQ(drawing.pen->paint.colour, 0xFF000000u);
    EXPECT_EQ(drawing.pen->paint.overwrite, Overwrite::Direct);
    EXPECT_EQ(drawing.pen->dashMode, DashMode::Solid);
    EXPECT_EQ(drawing.brush->colour, MakeColourWord(50, 50, 50, 100));
    EXPECT_EQ(drawing.brush->fill, BrushFill::Colour);
    ASSERT_NE(drawing.font, nullptr);
    EXPECT_EQ(std::u16string(drawing.font->typeface), u"Arial");
    EXPECT_EQ(std::vector<int32_t>({drawing.font->size, drawing.font->scale, drawing.font->weight}),
              std::vector<int32_t>({16, 2, 500}));
    const SysImage& image = *drawing.canvas->image;
    EXPECT_EQ(image.columns, 40);  // 20 pixels at scale 2
    EXPECT_EQ(image.rows, 20);
    EXPECT_EQ(image.PictureRow(19)[39], kOpaqueWhite);
    const void* font = ContextElement(context, kSlotFont);
    const void* typeface = runtime::LoadHandle<void>(cells::At(font, cells::font::kTypeface));
    EXPECT_EQ(std::u16string(runtime::TextChars(typeface), runtime::TextCount(typeface)), u"Arial");
    FreeContext(*compilation_, context);
    EXPECT_EQ(context, nullptr);
}

TEST_F(GraphicsContextTest, ScreenCanvasStartsBlack) {
    void* context = Create(kColourMixScreen);
    DrawingContext drawing{};
    ASSERT_EQ(UnpackContext(context, &drawing), Status::Success);
    EXPECT_EQ(drawing.canvas->image->PictureRow(0)[0], kOpaqueBlack);
    FreeContext(*compilation_, context);
}

TEST_F(GraphicsContextTest, VideoCanvasRoundsToFourAndFreezesAfterAFrame) {
    void* context = Create(kColourMixPaper, true, 101, 99);
    void* canvas = ContextElement(context, kSlotCanvas);
    DrawingContext drawing{};
    ASSERT_EQ(UnpackContext(context, &drawing), Status::Success);
    EXPECT_TRUE(drawing.canvas->video);
    EXPECT_EQ(drawing.canvas->image->columns, 104 * 2);
    EXPECT_EQ(drawing.canvas->image->rows, 100 * 2);
    ASSERT_EQ(ResizeCanvas(canvas, 101, 99), Status::Success);
    int32_t width = 0;
    ASSERT_EQ(cells::Whole(canvas, cells::canvas::kWidth, &width), Status::Success);
    EXPECT_EQ(width, 104);
    cells::SysData<SysCanvas>(canvas, cells::canvas::kSysData)->framesWritten = true;
    EXPECT_EQ(ResizeCanvas(canvas, 50, 50), Status::Invalid);
    FreeContext(*compilation_, context);
}

TEST_F(GraphicsContextTest, ResizeKeepsTheTopLeftAndFillsWithTheLastClear) {
    void* context = Create();
    void* canvas = ContextElement(context, kSlotCanvas);
    SysImage* image = cells::SysData<SysCanvas>(canvas, cells::canvas::kSysData)->image;
    ClearImage(*image, 0xFF0000FFu);  // red
    image->PictureRow(0)[0] = 0xFF00FF00u;  // one green cell at the top left
    ASSERT_EQ(ResizeCanvas(canvas, 30, 12), Status::Success);
    image = cells::SysData<SysCanvas>(canvas, cells::canvas::kSysData)->image;
    EXPECT_EQ(image->columns, 60);
    EXPECT_EQ(image->PictureRow(0)[0], 0xFF00FF00u);
    EXPECT_EQ(image->PictureRow(23)[59], 0xFF0000FFu);
    ASSERT_EQ(ResizeCanvas(canvas, 1, 1), Status::Success);
    image = cells::SysData<SysCanvas>(canvas, cells::canvas::kSysData)->image;
    EXPECT_EQ(image->columns, 2);
    EXPECT_EQ(image->PictureRow(0)[0], 0xFF00FF00u);
    FreeContext(*compilation_, context);
}

TEST_F(GraphicsContextTest, CopiedPenGetsItsOwnRecordAndCopiedImageItsOwnBuffer) {
    void* context = Create();
    const TypeDescriptor& penType = Type(library::kPen);
    void* pen = ContextElement(context, kSlotPen);
    uint8_t copy[56] = {};
    ASSERT_EQ(penType.ops.copy(penType, copy, pen), Status::Success);
    SysPen* original = cells::SysData<SysPen>(pen, cells::pen::kSysData);
    SysPen* copied = cells::SysData<SysPen>(copy, cells::pen::kSysData);
    ASSERT_NE(copied, nullptr);
    EXPECT_NE(copied, original);
    EXPECT_EQ(copied->width, original->width);
    ASSERT_EQ(penType.ops.release(penType, copy), Status::Success);

    const TypeDescriptor& imageType = Type(library::kImage);
    uint8_t image[36] = {}, twin[36] = {};
    ASSERT_EQ(imageType.ops.clear(imageType, image), Status::Success);
    ASSERT_EQ(imageType.ops.clear(imageType, twin), Status::Success);
    cells::SetWhole(image, cells::image::kWidth, 3);
    cells::SetWhole(image, cells::image::kHeight, 2);
    const TypeDescriptor& modes = Type(library::kImageMode);
    runtime::StoreHandle(cells::At(image, cells::image::kMode), modes.fields.first);  // Picture
    ASSERT_EQ(imageType.ops.construct(imageType, image), Status::Success);
    ASSERT_EQ(imageType.ops.copy(imageType, twin, image), Status::Success);
    SysImage* a = cells::SysData<SysImage>(image, cells::image::kSysData);
    SysImage* b = cells::SysData<SysImage>(twin, cells::image::kSysData);
    ASSERT_TRUE(a && b);
    EXPECT_NE(a, b);
    EXPECT_EQ(b->columns, 6);
    ASSERT_EQ(imageType.ops.release(imageType, image), Status::Success);
    EXPECT_EQ(b->PictureRow(1)[5], 0u);  // still there after the original went
    ASSERT_EQ(imageType.ops.release(imageType, twin), Status::Success);
    FreeContext(*compilation_, context);
}

TEST_F(GraphicsContextTest, BrushWithAnEmptyImageKeepsItsPreviousRecord) {
    void* context = Create();
    const TypeDescriptor& brushType = Type(library::kBrush);
    void* brush = ContextElement(context, kSlotBrush);
    SysBrush* before = cells::SysData<SysBrush>(brush, cells::brush::kSysData);
    const TypeDescriptor& fills = Type(library::kBrushFill);
    runtime::StoreHandle(cells::At(brush, cells::brush::kFill), fills.fields.first->next);  // Image
    EXPECT_EQ(brushType.ops.construct(brushType, brush), Status::Success);
    EXPECT_EQ(cells::SysData<SysBrush>(brush, cells::brush::kSysData), before);
    FreeContext(*compilation_, context);
}

TEST_F(GraphicsContextTest, EveryAllocationFailureLeavesNothing) {
    const uint32_t start = MemLiveCount();
    for (uint32_t n = 1;; ++n) {
        testing::internal::CaptureStdout();
        MemFailAllocationAt(n);
        void* context = Create();
        MemFailAllocationAt(0);
        testing::internal::GetCapturedStdout();
        const bool made = context != nullptr;
        FreeContext(*compilation_, context);
        ASSERT_EQ(MemLiveCount(), start) << "after failing allocation " << n;
        if (made) break;
    }
}

}  // namespace
}  // namespace vorlan::test
