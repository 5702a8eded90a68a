// Drawing shapes on Picture and Pattern canvases: work image margins, the
// visibility test, dash patterns along outlines, fills under dashed outlines,
// the tracers' coverage, and failures.

#include "ShapeTestSupport.h"
#include "graphics/Raster.h"
#include "graphics/Shapes.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace vorlan::test {
namespace {

using namespace graphics;

class ShapeDrawingTest : public LeakCheckedTest {};

using DrawFn = std::function<Status(SysImage&, SysPen&, const SysBrush*)>;
Status Draw(const DrawFn& draw, const Scene& scene) { return draw(scene.canvas(), scene.pen(), scene.brush()); }
const char* ModeName(ImageMode mode) { return mode == ImageMode::Picture ? "Picture" : "Pattern"; }
struct Check {
    PointF point;
    uint32_t value;  // a colour word on a Picture, a cell value on a Pattern
};

void ExpectCells(const Scene& scene, const std::vector<Check>& checks) {
    for (const Check& check : checks)
        EXPECT_EQ(scene.At(check.point), check.value) << "at " << check.point.x << ", " << check.point.y;
}

TEST_F(ShapeDrawingTest, WorkImageCoversTheBoxThePenAndTwoCells) {
    struct Row {
        BoundingBox box;
        uint16_t width, scale;
        WorkImageParms expected;
    };
    const Row rows[] = {
        {{10, 20, 30, 40}, 1, 4, {4, 89, 89, 36, 76}},  // tip 4: half 2, plus 2
        {{0, 0, 0, 0}, 3, 1, {1, 9, 9, -4, -4}},
        {{-1.5f, 2.25f, 3.5f, 2.25f}, 2, 2, {2, 19, 9, -7, 1}},  // 4.5 cells round to 5
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "width " << row.width << " scale " << row.scale);
        Scene scene(ImageMode::Pattern, row.scale, row.width);
        WorkImageParms parms{};
        ASSERT_TRUE(CalcWorkImageParms(row.box, scene.pen(), row.scale, &parms));
        EXPECT_EQ(std::vector<int32_t>({parms.scale, parms.width, parms.height, parms.left, parms.top}),
                  std::vector<int32_t>({row.expected.scale, row.expected.width, row.expected.height,
                                        row.expected.left, row.expected.top}));
    }
    Scene scene(ImageMode::Pattern, 2);
    WorkImageParms parms{};
    testing::internal::CaptureStdout();
    EXPECT_FALSE(CalcWorkImageParms({0, 0, 5, 5}, scene.pen(), 4, &parms));
    EXPECT_FALSE(CalcWorkImageParms({-3e9f, 0, 3e9f, 5}, scene.pen(), 2, &parms));  // beyond 32-bit cells
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "***** Panic - CalcWorkImageParms: scale mismatch\n");
}

TEST_F(ShapeDrawingTest, ShapesOffTheCanvasDrawNothingAndSucceed) {
    const PointF triangle[] = {{0, 0}, {-10, 5}, {-4, 12}};
    struct Row {
        const char* name;
        DrawFn draw;
        bool drawsSomething = false;
    };
    const Row rows[] = {
        {"circle left", [](auto& c, auto& p, auto* b) { return DrawCircle(c, p, b, {-12, 15}, 10, FillMode::Filled); }},
        {"circle above",
         [](auto& c, auto& p, auto* b) { return DrawCircle(c, p, b, {20, -14}, 10, FillMode::Hollow); }},
        {"ellipse above",
         [](auto& c, auto& p, auto* b) { return DrawEllipse(c, p, b, {20, -25}, 20, 10, 30, FillMode::Filled); }},
        {"elliptic arc above",
         [](auto& c, auto& p, auto*) { return DrawEllipseArc(c, p, {10, -20}, 10, 10, 0, 90, 0); }},
        {"sector left",
         [](auto& c, auto& p, auto* b) { return DrawSector(c, p, b, {-8, 10}, 6, 10, 200, FillMode::Solid); }},
        {"line left", [](auto& c, auto& p, auto*) { return DrawLine(c, p, {0, 0}, {-1, 0}, {-30, 25}); }},
        {"polygon left",
         [&](auto& c, auto& p, auto* b) { return DrawPolygon(c, p, b, {-1, 10}, triangle, 3, FillMode::Filled); }},
        {"rectangle above, drawn upward",
         [](auto& c, auto& p, auto* b) { return DrawRectangle(c, p, b, {5, -1}, 10, -10, FillMode::Filled); }},
        {"dot left", [](auto& c, auto& p, auto*) { return DrawDot(c, p, {-0.5f, 10}); }},
        {"rectangle past the bottom",
         [](auto& c, auto& p, auto* b) { return DrawRectangle(c, p, b, {5, 41}, 10, 10, FillMode::Filled); }},
        {"partly visible circle (contrast)",
         [](auto& c, auto& p, auto* b) { return DrawCircle(c, p, b, {-5, 15}, 10, FillMode::Filled); }, true},
    };
    for (ImageMode mode : {ImageMode::Picture, ImageMode::Pattern}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::Message() << row.name << " on " << ModeName(mode));
            Scene scene(mode, 2, 3, DashMode::Solid, {}, 40);
            Owned<SysImage> before(DuplicateImage(scene.canvas()));
            EXPECT_EQ(Draw(row.draw, scene), Status::Success);
            EXPECT_EQ(!SameCells(scene.canvas(), *before), row.drawsSomething);
        }
    }
    // A circle traced straight onto a Pattern canvas is not boxed, so the
    // reach of its pen still lands.
    Scene scene(ImageMode::Pattern, 2, 3, DashMode::Solid, {}, 40);
    ASSERT_EQ(DrawCircle(scene.canvas(), scene.pen(), nullptr, {20, -11}, 10, FillMode::Hollow), Status::Success);
    EXPECT_EQ(scene.At({20, 0}), kCellPen);
}

TEST_F(ShapeDrawingTest, ShortDashListsDrawSolidAndTinyElementsCountOnePenWidth) {
    struct Pen {
        DashMode mode;
        std::vector<float> list;
    };
    struct Row {
        const char* name;
        Pen subject, reference;
        bool same;
    };
    const Row rows[] = {
        {"one element, Fixed", {DashMode::Fixed, {5}}, {DashMode::Solid, {}}, true},
        {"one element, Continuous", {DashMode::Continuous, {5}}, {DashMode::Solid, {}}, true},
        {"below one is one", {DashMode::Fixed, {0.3f, 0}}, {DashMode::Fixed, {1, 1}}, true},
        {"one width is still dashed (contrast)", {DashMode::Fixed, {1, 1}}, {DashMode::Solid, {}}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Scene subject(ImageMode::Picture, 4, 2, row.subject.mode, row.subject.list);
        Scene reference(ImageMode::Picture, 4, 2, row.reference.mode, row.reference.list);
        for (const Scene* scene : {&subject, &reference}) {
            EXPECT_EQ(DrawLine(scene->canvas(), scene->pen(), {5, 10}, {0, 0}, {70, 3}), Status::Success);
            EXPECT_EQ(DrawRectangle(scene->canvas(), scene->pen(), nullptr, {10, 20}, 50, 10, FillMode::Hollow),
                      Status::Success);
        }
        EXPECT_EQ(SameCells(subject.canvas(), reference.canvas()), row.same);
    }
}

TEST_F(ShapeDrawingTest, DashPatternsAroundACircle) {
    // Dash list 25, 25 at width 1: a pattern of 50 pixels; probes at 45, 135, 250 and 315 degrees.
    struct Row {
        const char* name;
        DashMode mode;
        double circumference;
        std::vector<bool> drawn;
    };
    const Row rows[] = {
        {"Single on twice the pattern: stretched round once", DashMode::Single, 100, {true, true, false, false}},
        {"Single on 2.4 patterns: still once", DashMode::Single, 120, {true, true, false, false}},
        {"Fixed on 2.4 patterns runs over", DashMode::Fixed, 120, {true, false, false, true}},
        {"Multiple on 2.4 patterns: two whole ones", DashMode::Multiple, 120, {true, false, true, false}},
    };
    const PointF centre{40, 40};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Scene scene(ImageMode::Pattern, 4, 1, row.mode, {25, 25});
        const auto radius = static_cast<float>(row.circumference / 6.28318530718);
        ASSERT_EQ(DrawCircle(scene.canvas(), scene.pen(), nullptr, centre, radius, FillMode::Hollow), Status::Success);
        std::vector<bool> drawn;
        for (double angle : {45, 135, 250, 315}) drawn.push_back(scene.At(OnCircle(centre, radius, angle)) == kCellPen);
        EXPECT_EQ(drawn, row.drawn);
    }
}

TEST_F(ShapeDrawingTest, EllipticArcsEndingBeforeTheyStartAreRefused) {
    for (ImageMode mode : {ImageMode::Picture, ImageMode::Pattern}) {
        for (PointF centre : {PointF{20, 15}, PointF{-100, -100}}) {
            SCOPED_TRACE(testing::Message() << "centre " << centre.x << " on " << ModeName(mode));
            Scene scene(mode, 2, 1, DashMode::Solid, {}, 40);
            Owned<SysImage> before(DuplicateImage(scene.canvas()));
            EXPECT_EQ(DrawEllipseArc(scene.canvas(), scene.pen(), centre, 20, 10, 90, 89.5f, 0), Status::Refused);
            EXPECT_EQ(DrawEllipseSector(scene.canvas(), scene.pen(), scene.brush(), centre, 20, 10, 200, 10, 0,
                                        FillMode::Filled),
                      Status::Refused);
            EXPECT_TRUE(SameCells(scene.canvas(), *before));
        }
    }
}

TEST_F(ShapeDrawingTest, ArcsRunClockwiseFromTheirStart) {
    struct Row {
        const char* name;
        DrawFn draw;
        std::vector<bool> drawn;  // top, right, bottom, left, and 20 degrees either side of the bottom
    };
    const Row rows[] = {
        {"270 to 90 through the top", [](auto& c, auto& p, auto*) { return DrawArc(c, p, {40, 40}, 20, 270, 90); },
         {true, true, false, true, false, false}},
        {"90 to 270 through the bottom", [](auto& c, auto& p, auto*) { return DrawArc(c, p, {40, 40}, 20, 90, 270); },
         {false, true, true, true, true, true}},
        {"elliptic 300 to 420 through the top",
         [](auto& c, auto& p, auto*) { return DrawEllipseArc(c, p, {40, 40}, 40, 40, 300, 420, 0); },
         {true, false, false, false, false, false}},
        {"elliptic 10 to 10: nothing",
         [](auto& c, auto& p, auto*) { return DrawEllipseArc(c, p, {40, 40}, 40, 40, 10, 10, 0); },
         {false, false, false, false, false, false}},
    };
    for (ImageMode mode : {ImageMode::Pattern, ImageMode::Picture}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::Message() << row.name << " on " << ModeName(mode));
            Scene scene(mode);
            ASSERT_EQ(Draw(row.draw, scene), Status::Success);
            std::vector<bool> drawn;
            for (double angle : {0, 90, 180, 270, 160, 200})
                drawn.push_back(scene.At(OnCircle({40, 40}, 20, angle)) != (mode == ImageMode::Picture ? kWhite : 0));
            EXPECT_EQ(drawn, row.drawn);
        }
    }
}

TEST_F(ShapeDrawingTest, ContinuousDashesCarryOnIntoTheNextShape) {
    struct Row {
        const char* name;
        DashMode mode;
        bool newPen;
        std::vector<bool> drawn;  // at x = 12, 22 and 32 on the second line
    };
    const Row rows[] = {
        // The first line, 15 long, ends 5 pixels into a gap: the second starts there.
        {"Continuous, same pen", DashMode::Continuous, false, {false, true, false}},
        // A pen made afresh from the same settings, as copying a TPen makes one.
        {"Continuous, a new pen starts anew", DashMode::Continuous, true, {true, false, true}},
        {"Fixed starts every shape anew", DashMode::Fixed, false, {true, false, true}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Scene scene(ImageMode::Pattern, 4, 1, row.mode, {10, 10});
        ASSERT_EQ(DrawLine(scene.canvas(), scene.pen(), {10, 10}, {0, 0}, {15, 0}), Status::Success);
        Owned<SysPen> copy(CreatePen(1, kRed, Overwrite::Direct, row.mode, scene.list(), 4));
        ASSERT_EQ(DrawLine(scene.canvas(), row.newPen ? *copy : scene.pen(), {10, 30}, {0, 0}, {30, 0}),
                  Status::Success);
        std::vector<bool> drawn;
        for (float x : {12.0f, 22.0f, 32.0f}) drawn.push_back(scene.At({x, 30}) == kCellPen);
        EXPECT_EQ(drawn, row.drawn);
    }
}

TEST_F(ShapeDrawingTest, DashedOutlinesLieOverTheFill) {
    // Lengths 10, 10 at width 2 are 20 pixels: 30 degrees of this circle lies in a dash, 86 in a gap.
    const PointF centre{40, 40};
    struct Row {
        ImageMode mode;
        bool dashed;
        FillMode fill;
        uint32_t inside, onDash, inGap, outside;
    };
    const Row rows[] = {
        {ImageMode::Pattern, false, FillMode::Filled, kCellBrush, kCellPen, kCellPen, kCellEmpty},
        {ImageMode::Pattern, true, FillMode::Filled, kCellBrush, kCellPen, kCellBrush, kCellEmpty},
        {ImageMode::Pattern, true, FillMode::Solid, kCellPen, kCellPen, kCellPen, kCellEmpty},
        {ImageMode::Picture, true, FillMode::Filled, kBlue, kRed, kBlue, kWhite},
        {ImageMode::Picture, true, FillMode::Solid, kRed, kRed, kRed, kWhite},
        {ImageMode::Picture, true, FillMode::Hollow, kWhite, kRed, kWhite, kWhite},
        {ImageMode::Picture, false, FillMode::Filled, kBlue, kRed, kRed, kWhite},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << ModeName(row.mode) << " dashed " << row.dashed << " fill "
                                        << static_cast<int>(row.fill));
        Scene scene(row.mode, 4, 2, row.dashed ? DashMode::Fixed : DashMode::Solid, {10, 10});
        ASSERT_EQ(DrawCircle(scene.canvas(), scene.pen(), scene.brush(), centre, 20, row.fill), Status::Success);
        ExpectCells(scene, {{centre, row.inside}, {OnCircle(centre, 17, 86), row.inside},
                            {OnCircle(centre, 20, 30), row.onDash}, {OnCircle(centre, 20, 86), row.inGap},
                            {OnCircle(centre, 23, 86), row.outside}});
    }
}

TEST_F(ShapeDrawingTest, ClosedOutlinesHoldTheirFill) {
    const PointF notched[] = {{0, 0}, {30, 0}, {30, 30}, {20, 30}, {20, 10}, {10, 10}, {10, 30}, {0, 30}};
    struct Row {
        const char* name;
        uint16_t scale;
        DrawFn draw;
        std::vector<Check> checks;
    };
    const uint32_t pen = kCellPen, brush = kCellBrush, none = kCellEmpty;
    const Row rows[] = {
        {"small circle, scale 1", 1,
         [](auto& c, auto& p, auto* b) { return DrawCircle(c, p, b, {40, 40}, 3, FillMode::Filled); },
         {{{40, 40}, brush}, {{43, 40}, pen}, {{44, 40}, none}}},
        {"large circle, scale 4", 4,
         [](auto& c, auto& p, auto* b) { return DrawCircle(c, p, b, {40, 40}, 30, FillMode::Filled); },
         {{{40, 40}, brush}, {{40, 70}, pen}, {{40, 71}, none}, {{12, 12}, none}}},
        {"ellipse turned a right angle", 4,
         [](auto& c, auto& p, auto* b) { return DrawEllipse(c, p, b, {40, 40}, 40, 10, 90, FillMode::Filled); },
         {{{40, 25}, brush}, {{40, 60}, pen}, {{55, 40}, none}}},
        {"sector across the top", 1,
         [](auto& c, auto& p, auto* b) { return DrawSector(c, p, b, {40, 40}, 20, 300, 60, FillMode::Filled); },
         {{{40, 30}, brush}, {{40, 20}, pen}, {{40, 50}, none}, {{25, 35}, none}}},
        {"turned elliptic sector", 4,
         [](auto& c, auto& p, auto* b) {
             return DrawEllipseSector(c, p, b, {40, 40}, 40, 20, 90, 180, 90, FillMode::Filled);
         },
         {{{37, 45}, brush}, {{40, 60}, pen}, {{45, 43}, none}}},
        {"notched polygon leaves its notch", 2,
         [&](auto& c, auto& p, auto* b) { return DrawPolygon(c, p, b, {10, 5}, notched, 8, FillMode::Filled); },
         {{{25, 25}, none}, {{15, 25}, brush}, {{35, 25}, brush}, {{25, 15}, pen}}},
        {"rectangle with negative width and height", 4,
         [](auto& c, auto& p, auto* b) { return DrawRectangle(c, p, b, {60, 50}, -40, -30, FillMode::Filled); },
         {{{40, 35}, brush}, {{20, 35}, pen}, {{60, 50}, pen}, {{65, 55}, none}, {{15, 35}, none}}},
        {"polyline stays open", 2,
         [&](auto& c, auto& p, auto*) { return DrawPolyline(c, p, {10, 5}, notched, 8); },
         {{{10, 20}, none}, {{35, 5}, pen}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Scene scene(ImageMode::Pattern, row.scale);
        ASSERT_EQ(Draw(row.draw, scene), Status::Success);
        ExpectCells(scene, row.checks);
    }
    Scene picture(ImageMode::Picture);
    const PointF triangle[] = {{0, 0}, {40, 0}, {20, 30}};
    ASSERT_EQ(DrawPolygon(picture.canvas(), picture.pen(), picture.brush(), {10, 10}, triangle, 3, FillMode::Solid),
              Status::Success);
    ExpectCells(picture, {{{30, 20}, kRed}, {{12, 35}, kWhite}});  // Solid fills with the pen colour
}

TEST_F(ShapeDrawingTest, LinesAndDotsCoverExactlyTheirTips) {
    Scene scene(ImageMode::Pattern, 4, 1, DashMode::Solid, {}, 20);
    ASSERT_EQ(DrawLine(scene.canvas(), scene.pen(), {1, 1}, {1, 1}, {9, 1}), Status::Success);
    ASSERT_EQ(DrawDot(scene.canvas(), scene.pen(), {10.25f, 15}), Status::Success);
    // Line tips at cells 8 .. 40 of row 8 reach one cell back and two on; only
    // the outer corners of the end tips stay empty. The dot is one tip.
    std::string rows;
    for (int32_t row = 6; row <= 11; ++row) {
        for (int32_t column : {6, 7, 8, 41, 42, 43}) rows += char('0' + scene.canvas().PatternRow(row)[column]);
        rows += '/';
    }
    EXPECT_EQ(rows, "000000/001100/011110/011110/001100/000000/");
    size_t marked = 0;
    for (int32_t row = 0; row < scene.canvas().rows; ++row)
        for (int32_t column = 0; column < scene.canvas().columns; ++column)
            marked += scene.canvas().PatternRow(row)[column] != 0;
    EXPECT_EQ(marked, 36u * 4 - 4 + 12);
}

TEST_F(ShapeDrawingTest, FailuresDrawNothing) {
    const PointF triangle[] = {{0, 0}, {20, 0}, {10, 15}};
    auto rectangle = [](auto& c, auto& p, auto* b) { return DrawRectangle(c, p, b, {5, 5}, 20, 15, FillMode::Filled); };
    auto polygon = [&](auto& c, auto& p, auto* b) {
        return DrawPolygon(c, p, b, {5, 5}, triangle, 3, FillMode::Filled);
    };
    struct Row {
        const char* name;
        ImageMode mode;
        uint16_t penScale;
        uint32_t failingAllocation;  // 1, 2: the work image; 3 .. 5: the thin pen and its tip
        DrawFn draw;
        Status expected;
    };
    const Row rows[] = {
        {"work image", ImageMode::Picture, 2, 2, rectangle, Status::Invalid},
        {"rectangle's thin pen", ImageMode::Picture, 2, 3, rectangle, Status::OutOfMemory},
        {"rectangle's thin pen's tip", ImageMode::Pattern, 2, 5, rectangle, Status::OutOfMemory},
        {"polygon's thin pen", ImageMode::Picture, 2, 4, polygon, Status::Invalid},
        {"pen of another scale", ImageMode::Picture, 4, 0, polygon, Status::Invalid},
        {"stamping a pen of another scale", ImageMode::Pattern, 4, 0,
         [](auto& c, auto& p, auto*) { return DrawLine(c, p, {0, 0}, {5, 5}, {20, 5}); }, Status::InternalFailure},
        {"Volume canvas", ImageMode::Volume, 2, 0, [](auto& c, auto& p, auto*) { return DrawDot(c, p, {5, 5}); },
         Status::Invalid},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Scene scene(row.mode, 2, 1, DashMode::Fixed, {3, 2}, 40, row.penScale);
        Owned<SysImage> before(DuplicateImage(scene.canvas()));
        testing::internal::CaptureStdout();
        MemFailAllocationAt(row.failingAllocation);
        EXPECT_EQ(Draw(row.draw, scene), row.expected);
        MemFailAllocationAt(0);
        testing::internal::GetCapturedStdout();
        EXPECT_TRUE(SameCells(scene.canvas(), *before));
    }
}

}  // namespace
}  // namespace vorlan::test
