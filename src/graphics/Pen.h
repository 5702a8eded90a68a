#pragma once
// SysPen: the record behind a TPen, with its round tip and its dash control.

#include "graphics/Image.h"
#include "graphics/Raster.h"

#include <cstdint>

namespace vorlan::graphics {

enum class DashMode : uint16_t { Solid = 1, Fixed = 2, Single = 3, Multiple = 4, Continuous = 5 };

constexpr uint32_t kTagPen = 22024;
constexpr uint32_t kTagDashLengths = 22025;

// The state of a dash pattern along a path: lengths in pixels, alternately
// drawn and skipped.
struct DashCtrl {
    DashMode mode;
    double* lengths;  // the pen's dashLengths, which a path's control borrows; nullptr when the pen draws solid
    double total;     // the pen's own: sum of lengths; a path's: the path length
    uint16_t count;
    double lastDistance;
    double base;  // carried over from earlier paths (Continuous)
    double nextSwitch;
    uint16_t index;
    uint16_t flag;
    uint32_t on;
};

// One row of a round tip: its pen cells are the columns from `first` up to
// but not including `end`. A round tip's pen cells in a row are always one
// run, so a stamp is a few runs of cells set rather than a test per cell.
struct TipSpan {
    int32_t first;
    int32_t end;
};

// A cell of the tip, by row and column.
struct TipCell {
    int32_t row;
    int32_t column;
};

// The eight steps to a neighbouring cell, by (dy + 1) · 3 + (dx + 1); 4,
// no step at all, adds nothing.
constexpr int kTipSteps = 9;

constexpr uint32_t kTagTipSpans = 22026;
constexpr uint32_t kTagTipCells = 22027;

struct SysPen : Tagged<kTagPen> {
    uint16_t width;
    PenPaint paint;
    DashMode dashMode;
    const void* dashList;  // the NumberArray block given as dashlist; not owned
    DashCtrl dash;
    Owned<SysImage> tip;
    OwnedBlock<TipSpan> tipSpans;  // one per row of the tip
    // The cells a stamp adds to the one a step before it, step after step:
    // step k's run from stepFirst[k] up to stepFirst[k + 1]. None for tips
    // too wide to be worth it, which are always stamped whole.
    OwnedBlock<TipCell> stepCells;
    uint32_t stepFirst[kTipSteps + 1];
    OwnedBlock<double> dashLengths;
};

// nullptr for width 0, or when the tip or the dash control cannot be made.
// `dashList` is an array block of Numbers (or nullptr).
SysPen* CreatePen(uint16_t width, ColourWord colour, Overwrite overwrite, DashMode dashMode, const void* dashList,
                  uint16_t scale);
void SysPenDump(const SysPen* pen);

// A cell of an image, as stamps are placed.
struct CellPoint {
    int32_t x;
    int32_t y;
};

// Stamps the pen's tip on a Pattern image at cell `at`, as StampTip would
// stamp pen.tip.
Status StampPenTip(const SysPen& pen, SysImage& destination, CellPoint at);

}  // namespace vorlan::graphics
