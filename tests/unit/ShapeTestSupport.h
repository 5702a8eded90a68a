#pragma once
// A canvas with a pen and a brush for the pen and shape drawing tests.

#include "base/Memory.h"
#include "graphics/Brush.h"
#include "graphics/Pen.h"
#include "value/Arrays.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace vorlan::test {

constexpr graphics::ColourWord kRed = 0xFF0000FFu;
constexpr graphics::ColourWord kBlue = 0xFFFF0000u;
constexpr graphics::ColourWord kWhite = graphics::kOpaqueWhite;

// A NumberArray block, as a pen's dash list; nullptr when empty.
inline void* MakeNumberList(const std::vector<runtime::Number>& numbers) {
    void* block = nullptr;
    if (numbers.empty()) return nullptr;
    EXPECT_EQ(runtime::CreateOpenArray(4, static_cast<int32_t>(numbers.size()), &block), Status::Success);
    for (size_t i = 0; i < numbers.size(); ++i) runtime::StoreCell(runtime::ElementAddress(block, 4, i), numbers[i]);
    return block;
}
inline std::vector<runtime::Number> Reals(const std::vector<float>& values) {
    std::vector<runtime::Number> numbers;
    for (float value : values) numbers.push_back(runtime::MakeRealUnchecked(value));
    return numbers;
}

// A Paper canvas of size × size pixels, a red Direct pen (at the canvas's
// scale unless told) and a blue brush.
class Scene {
public:
    explicit Scene(graphics::ImageMode mode, uint16_t scale = 4, uint16_t penWidth = 1,
                   graphics::DashMode dash = graphics::DashMode::Solid, const std::vector<float>& list = {},
                   int32_t size = 80, uint16_t penScale = 0)
        : list_(MakeNumberList(Reals(list))),
          canvas_(graphics::CreateCanvas(size, size, mode, graphics::kColourMixPaper, scale)),
          pen_(graphics::CreatePen(penWidth, kRed, graphics::Overwrite::Direct, dash, list_,
                                   penScale ? penScale : scale)),
          brush_(graphics::CreateBrush(kBlue, 0, graphics::Overwrite::Direct, graphics::BrushFill::Colour,
                                       graphics::BrushAlign::Local, {0, 0}, nullptr)) {
        EXPECT_TRUE(canvas_ && pen_ && brush_);
    }
    ~Scene() { MemRelease(list_); }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    graphics::SysImage& canvas() const { return *canvas_->image; }
    graphics::SysPen& pen() const { return *pen_; }
    const graphics::SysBrush* brush() const { return brush_; }
    const void* list() const { return list_; }
    // The cell under a point in pixels: a colour word or a Pattern cell value.
    uint32_t At(graphics::PointF point) const {
        const graphics::SysImage& image = canvas();
        const int32_t x = graphics::ToSubPixel(point.x, image.scale);
        const int32_t y = graphics::ToSubPixel(point.y, image.scale);
        return image.mode == graphics::ImageMode::Picture ? image.PictureRow(y)[x] : image.PatternRow(y)[x];
    }

private:
    void* list_;
    Owned<graphics::SysCanvas> canvas_;
    Owned<graphics::SysPen> pen_;
    Owned<graphics::SysBrush> brush_;
};

// The point at `degrees` (clockwise from straight up) on a circle.
inline graphics::PointF OnCircle(graphics::PointF centre, float radius, double degrees) {
    const double radians = degrees * 3.14159265359 / 180.0;
    return {static_cast<float>(centre.x + radius * std::sin(radians)),
            static_cast<float>(centre.y - radius * std::cos(radians))};
}

inline bool SameCells(const graphics::SysImage& a, const graphics::SysImage& b) {
    const size_t bytes = static_cast<size_t>(a.rows) * static_cast<size_t>(a.columns) * a.cellSize;
    return a.rows == b.rows && a.columns == b.columns && std::memcmp(a.cells, b.cells, bytes) == 0;
}

// Checks after each test that every block the test made has gone again.
class LeakCheckedTest : public testing::Test {
protected:
    void TearDown() override {
        MemFailAllocationAt(0);
        EXPECT_EQ(MemLiveCount(), start_);
    }

private:
    uint32_t start_ = MemLiveCount();
};

}  // namespace vorlan::test
