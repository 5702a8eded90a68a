#include "graphics/Pen.h"

#include "value/Arrays.h"
#include "value/Number.h"

#include <cstdio>
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
    if (!pen->tip || !BuildDashControl(*pen)) return nullptr;
    return pen.Take();
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
