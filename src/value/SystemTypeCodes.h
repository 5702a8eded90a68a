#pragma once
// The type codes of the system types: routine tables, argument checkers and
// compiled files find system types by these numbers.

#include <cstdint>

namespace vorlan::library {

enum TypeCode : uint16_t {
    kLogical = 1,
    kNumber = 2,
    kText = 3,
    kTime = 6,
    kVariant = 7,
    kTypeType = 8,
    kField = 9,
    kShape = 11,
    kDataPtr = 13,
    kFillMode = 21,
    kReportCat = 22,
    kOverwrite = 23,
    kImageMode = 24,
    kBrushFill = 25,
    kBrushAlign = 26,
    kDashMode = 27,
    kHorzAlign = 28,
    kVertAlign = 29,
    kRoundMode = 30,
    kColourMix = 31,
    kNumberArray = 41,
    kPointArray = 42,
    kPoint = 51,
    kPen = 52,
    kBrush = 53,
    kFont = 54,
    kCanvas = 55,
    kImage = 56,
    kColour = 57,
    kStatus = 58,
};

}  // namespace vorlan::library
