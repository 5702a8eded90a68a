// Drawing a few thousand mixed shapes at scale 4 on a 640 × 480 Picture
// canvas: filled and hollow circles, filled polygons, lines and dashed
// rectangles, as a picture program would.

#include "base/Memory.h"
#include "graphics/Brush.h"
#include "graphics/Pen.h"
#include "graphics/Shapes.h"
#include "value/Arrays.h"
#include "value/Value.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>

namespace {

using namespace vorlan;
using namespace vorlan::graphics;

constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;
constexpr uint16_t kScale = 4;
constexpr int kShapeKinds = 5;
constexpr int kShapesPerRound = 4000;

// The same shapes every run: positions come from a fixed linear congruential sequence.
class Sequence {
public:
    float Next(float low, float high) {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return low + (high - low) * static_cast<float>(state_ >> 40) / static_cast<float>(1u << 24);
    }

private:
    uint64_t state_ = 0x2545F4914F6CDD1Dull;
};

class Studio {
public:
    Studio() {
        if (runtime::CreateOpenArray(4, 2, &dashList_) != Status::Success) std::abort();
        runtime::StoreCell(runtime::ElementAddress(dashList_, 4, 0), runtime::MakeRealUnchecked(4));
        runtime::StoreCell(runtime::ElementAddress(dashList_, 4, 1), runtime::MakeRealUnchecked(2));
        canvas_.Adopt(CreateCanvas(kWidth, kHeight, ImageMode::Picture, kColourMixPaper, kScale));
        brush_.Adopt(CreateBrush(0xFF30A0E0u, 0, Overwrite::Direct, BrushFill::Colour, BrushAlign::Local, {0, 0}, nullptr));
        solid_.Adopt(CreatePen(2, 0xFF202020u, Overwrite::Direct, DashMode::Solid, nullptr, kScale));
        thin_.Adopt(CreatePen(1, 0xFF0000C0u, Overwrite::Merge, DashMode::Solid, nullptr, kScale));
        dashed_.Adopt(CreatePen(1, 0xFF008000u, Overwrite::Direct, DashMode::Fixed, dashList_, kScale));
        if (!canvas_ || !brush_ || !solid_ || !thin_ || !dashed_) std::abort();
    }
    ~Studio() { MemRelease(dashList_); }
    Studio(const Studio&) = delete;
    Studio& operator=(const Studio&) = delete;

    void Draw(int kind, Sequence& sequence) {
        SysImage& canvas = *canvas_->image;
        const PointF at{sequence.Next(-20, kWidth + 20), sequence.Next(-20, kHeight + 20)};
        const float size = sequence.Next(4, 40);
        Status status = Status::Success;
        switch (kind) {
            case 0:
                status = DrawCircle(canvas, *solid_, brush_, at, size, FillMode::Filled);
                break;
            case 1:
                status = DrawCircle(canvas, *thin_, brush_, at, size, FillMode::Hollow);
                break;
            case 2: {
                const PointF points[] = {{0, 0},
                                         {size, sequence.Next(-size, size)},
                                         {sequence.Next(0, size), size},
                                         {-size / 2, sequence.Next(0, size)}};
                status = DrawPolygon(canvas, *solid_, brush_, at, points, 4, FillMode::Filled);
                break;
            }
            case 3:
                status = DrawLine(canvas, *thin_, at, {0, 0}, {sequence.Next(-80, 80), sequence.Next(-80, 80)});
                break;
            default:
                status = DrawRectangle(canvas, *dashed_, brush_, at, sequence.Next(-60, 60), sequence.Next(-40, 40),
                                       FillMode::Filled);
                break;
        }
        if (status != Status::Success) std::abort();
    }

private:
    void* dashList_ = nullptr;
    Owned<SysCanvas> canvas_;
    Owned<SysBrush> brush_;
    Owned<SysPen> solid_;
    Owned<SysPen> thin_;
    Owned<SysPen> dashed_;
};

// The whole mix, one shape of each kind in turn.
void BM_MixedShapes(benchmark::State& state) {
    Studio studio;
    for (auto _ : state) {
        Sequence sequence;
        for (int i = 0; i < kShapesPerRound; ++i) studio.Draw(i % kShapeKinds, sequence);
    }
    state.SetItemsProcessed(state.iterations() * kShapesPerRound);
}
BENCHMARK(BM_MixedShapes)->Unit(benchmark::kMillisecond);

// One kind at a time: 0 filled circles, 1 hollow circles, 2 filled
// polygons, 3 lines, 4 dashed filled rectangles.
void BM_ShapeKind(benchmark::State& state) {
    Studio studio;
    const int kind = static_cast<int>(state.range(0));
    constexpr int kShapes = kShapesPerRound / kShapeKinds;
    for (auto _ : state) {
        Sequence sequence;
        for (int i = 0; i < kShapes; ++i) studio.Draw(kind, sequence);
    }
    state.SetItemsProcessed(state.iterations() * kShapes);
}
BENCHMARK(BM_ShapeKind)->DenseRange(0, kShapeKinds - 1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
