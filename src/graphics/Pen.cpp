#include "graphics/Pen.h"

#include "value/Arrays.h"
#include "value/Number.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>

namespace vorlan::graphics {
namespace {

// The round tip: a cell is inside when its centre lies strictly within the
// circle of diameter D about the tip's middle. The origin puts the middle
// cell (the upper-left of the middle four for even D) on the stamped point.
SysImage* CreateTip(uint32_t diameter, uint16_t scale) {
    const auto d = static_cast<int32_t>(diameter);
    SysImage* tip = CreateCellImage(d, d, ImageMode::Pattern, scale);
    if (!tip) return nullptr;
    const double half = d / 2.0;
    const double limit = static_cast<double>(d) * d / 4.0;
    for (int32_t i = 0; i < d; ++i) {
        uint8_t* row = tip->PatternRow(i);
        const double dy = i + 0.5 - half;
        for (int32_t j = 0; j < d; ++j) {
            const double dx = j + 0.5 - half;
            row[j] = dx * dx + dy * dy < limit ? kCellPen : kCellEmpty;
        }
    }
    const int32_t k = d % 2 == 1 ? (d - 1) / 2 : d / 2 - 1;
    tip->originX = -k;
    tip->originY = -k;
    return tip;
}

// The run of pen cells in each row of the tip.
bool BuildTipSpans(SysPen& pen) {
    const SysImage& tip = *pen.tip;
    if (!pen.tipSpans.Allocate(static_cast<size_t>(tip.rows), kTagTipSpans)) return false;
    for (int32_t row = 0; row < tip.rows; ++row) {
        const uint8_t* cells = tip.PatternRow(row);
        int32_t first = 0;
        while (first < tip.columns && cells[first] != kCellPen) ++first;
        int32_t end = first;
        while (end < tip.columns && cells[end] == kCellPen) ++end;
        pen.tipSpans[row] = TipSpan{first, end};
    }
    return true;
}

// Tips up to this many cells across keep the cells of their steps; wider
// ones are rare, and their cells would take more memory than they save.
constexpr int32_t kMostSteppedTip = 64;

// Counts the cells, and keeps them too when there is room for them.
void AddCells(int32_t row, int32_t first, int32_t end, TipCell* cells, uint32_t* count) {
    for (int32_t column = first; column < end; ++column) {
        if (cells) cells[*count] = TipCell{row, column};
        ++*count;
    }
}

// A row's span minus what the stamp one step before set in the same canvas
// row: at most a part on either side.
void AddStepCells(const SysPen& pen, int32_t row, int32_t dx, int32_t dy, TipCell* cells, uint32_t* count) {
    const TipSpan span = pen.tipSpans[row];
    const int32_t before = row + dy;  // the same canvas row in the last stamp's tip
    if (before < 0 || before >= pen.tip->rows || pen.tipSpans[before].first >= pen.tipSpans[before].end) {
        AddCells(row, span.first, span.end, cells, count);
        return;
    }
    const int32_t setFirst = pen.tipSpans[before].first - dx;
    const int32_t setEnd = pen.tipSpans[before].end - dx;
    AddCells(row, span.first, std::min(span.end, setFirst), cells, count);
    AddCells(row, std::max(span.first, setEnd), span.end, cells, count);
}

bool BuildStepCells(SysPen& pen) {
    const int32_t rows = pen.tip->rows;
    std::fill(std::begin(pen.stepFirst), std::end(pen.stepFirst), 0u);
    if (rows > kMostSteppedTip) return true;
    // Counted first, then kept: a few cells a row for each step.
    for (const bool keep : {false, true}) {
        if (keep && !pen.stepCells.Allocate(pen.stepFirst[kTipSteps], kTagTipCells)) return false;
        uint32_t count = 0;
        for (int step = 0; step < kTipSteps; ++step) {
            pen.stepFirst[step] = count;
            if (step == 4) continue;
            for (int32_t row = 0; row < rows; ++row)
                AddStepCells(pen, row, step % 3 - 1, step / 3 - 1, keep ? pen.stepCells.Get() : nullptr, &count);
        }
        pen.stepFirst[kTipSteps] = count;
    }
    return true;
}

// Sets `count` cells to pen. A tip's rows are a few cells long: two
// overlapping stores of the widest size that fits do any count, where a call
// to memset would cost more than the stores.
inline void SetPenCells(uint8_t* to, size_t count) {
    constexpr uint64_t kEight = 0x0101010101010101ull * kCellPen;
    constexpr uint32_t kFour = 0x01010101u * kCellPen;
    constexpr uint16_t kTwo = 0x0101u * kCellPen;
    if (count >= 8) {
        for (size_t i = 0; i + 8 <= count; i += 8) std::memcpy(to + i, &kEight, 8);
        std::memcpy(to + count - 8, &kEight, 8);
    } else if (count >= 4) {
        std::memcpy(to, &kFour, 4);
        std::memcpy(to + count - 4, &kFour, 4);
    } else if (count >= 2) {
        std::memcpy(to, &kTwo, 2);
        std::memcpy(to + count - 2, &kTwo, 2);
    } else if (count == 1) {
        to[0] = kCellPen;
    }
}

// The pen's own dash control. Lengths are in pixels: each element counts at
// least one pen width, so no dash or gap is thinner than the pen.
bool BuildDashControl(SysPen& pen) {
    DashCtrl& dash = pen.dash;
    dash = DashCtrl{};
    dash.mode = pen.dashMode;
    dash.flag = 1;
    dash.on = 1;
    if (pen.dashMode == DashMode::Solid || !pen.dashList) return true;

    const int64_t count = runtime::ElementCount(pen.dashList);
    if (count < 2) return true;  // too short to alternate: the pen draws solid
    if (count > std::numeric_limits<uint16_t>::max()) return false;

    if (!pen.dashLengths.Allocate(static_cast<size_t>(count), kTagDashLengths)) return false;
    double* lengths = pen.dashLengths;
    double total = 0;
    for (int64_t i = 0; i < count; ++i) {
        const auto element =
            runtime::LoadCell<runtime::Number>(runtime::ElementAddress(pen.dashList, 4, static_cast<size_t>(i)));
        float value = 0;
        (void)runtime::ReadReal(element, &value);  // a Null element reads as 0 and so counts as 1
        if (!(value >= 1.0f)) value = 1.0f;
        lengths[i] = static_cast<double>(value) * pen.width;
        total += lengths[i];
    }
    dash.lengths = lengths;
    dash.count = static_cast<uint16_t>(count);
    dash.total = total;
    dash.nextSwitch = lengths[0];
    return true;
}

const char* DashModeName(DashMode mode) {
    switch (mode) {
        case DashMode::Solid: return "Solid";
        case DashMode::Fixed: return "Fixed";
        case DashMode::Single: return "Single";
        case DashMode::Multiple: return "Multiple";
        case DashMode::Continuous: return "Continuous";
    }
    return "?";
}

}  // namespace

SysPen* CreatePen(uint16_t width, ColourWord colour, Overwrite overwrite, DashMode dashMode, const void* dashList,
                  uint16_t scale) {
    // The tip's side is a 16-bit product; a wider pen is refused rather than
    // wrapped into a small one.
    const uint32_t diameter = uint32_t{width} * scale;
    if (diameter == 0 || diameter > std::numeric_limits<uint16_t>::max()) return nullptr;

    Owned<SysPen> pen(new SysPen{});
    if (!pen) return nullptr;
    pen->width = width;
    pen->paint = PenPaint{colour, overwrite};
    pen->dashMode = dashMode;
    pen->dashList = dashList;
    pen->tip.Adopt(CreateTip(diameter, scale));
    if (!pen->tip || !BuildTipSpans(*pen) || !BuildStepCells(*pen) || !BuildDashControl(*pen)) return nullptr;
    return pen.Take();
}

Status StampPenTip(const SysPen& pen, SysImage& destination, CellPoint at) {
    const SysImage& tip = *pen.tip;
    if (tip.scale != destination.scale) return Status::InternalFailure;
    if (destination.mode != ImageMode::Pattern) return Status::Invalid;
    const Placement place = ClipPlacement(destination, tip, at.x, at.y);
    // Where the tip's column 0 lands; three int32 terms stay well within 64 bits.
    const int64_t left = int64_t{at.x} - destination.originX + tip.originX;
    const TipSpan* spans = pen.tipSpans + place.sourceRow;
    if (left >= 0 && left + tip.columns <= destination.columns) {
        // The tip fits across, as it always does in a shape's work image:
        // each row is its span, unclipped.
        for (int32_t row = 0; row < place.rows; ++row) {
            uint8_t* cells = destination.PatternRow(place.targetRow + row) + left;
            SetPenCells(cells + spans[row].first, static_cast<size_t>(spans[row].end - spans[row].first));
        }
        return Status::Success;
    }
    for (int32_t row = 0; row < place.rows; ++row) {
        const int64_t first = std::max<int64_t>(left + spans[row].first, 0);
        const int64_t end = std::min<int64_t>(left + spans[row].end, destination.columns);
        if (first < end)
            SetPenCells(destination.PatternRow(place.targetRow + row) + first, static_cast<size_t>(end - first));
    }
    return Status::Success;
}

void SysPenDump(const SysPen* pen) {
    std::printf("DUMP SYSPEN:-\n");
    if (!pen) {
        std::printf("NULL\n\n");
        return;
    }
    std::printf("width %u colour %08X overwrite %u dash %s\n", unsigned{pen->width}, pen->paint.colour,
                static_cast<unsigned>(pen->paint.overwrite), DashModeName(pen->dashMode));
    const DashCtrl& dash = pen->dash;
    std::printf("dashes %u total %g on %u index %u next %g base %g last %g\n", unsigned{dash.count}, dash.total,
                dash.on, unsigned{dash.index}, dash.nextSwitch, dash.base, dash.lastDistance);
    for (uint16_t i = 0; i < dash.count; ++i) std::printf(i + 1 < dash.count ? "%g " : "%g\n", dash.lengths[i]);
    SysPatternDump(pen->tip);
}

}  // namespace vorlan::graphics
