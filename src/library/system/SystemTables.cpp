#include "library/system/SystemTables.h"

#include "library/functions/ArgumentCheckers.h"
#include "library/functions/BuiltinFunctions.h"
#include "library/shapes/ShapeRoutines.h"
#include "library/shapes/TextShapes.h"

namespace vorlan::library {
namespace {

constexpr SystemDefault kNoDefault = SystemDefault::None;
constexpr SystemDefault kNum = SystemDefault::Number;
constexpr SystemDefault kNull = SystemDefault::Null;
constexpr SystemDefault kEnum = SystemDefault::EnumValue;

}  // namespace

// clang-format off
const std::array<EnumRow, 11> kSystemEnums = {{
    {u"EReportCat",  kReportCat,  {{{u"BadParam", 21}, {u"OutOfRange", 22}, {u"UsingNull", 23}, {u"Invalid", 24},
                                    {u"Overflow", 25}, {u"DivByZero", 26}, {u"OutOfMemory", 27}, {u"MultiReport", 30}}}},
    {u"EBrushFill",  kBrushFill,  {{{u"Colour", 1}, {u"Image", 2}, {u"Callback", 3}}}},
    {u"EBrushAlign", kBrushAlign, {{{u"Local", 1}, {u"Absolute", 2}, {u"Pinned", 3}}}},
    {u"EColourMix",  kColourMix,  {{{u"Paper", 1}, {u"Screen", 2}}}},
    {u"EDashMode",   kDashMode,   {{{u"Solid", 1}, {u"Fixed", 2}, {u"Single", 3}, {u"Multiple", 4}, {u"Continuous", 5}}}},
    {u"EFillMode",   kFillMode,   {{{u"Hollow", 1}, {u"Solid", 2}, {u"Filled", 3}}}},
    {u"EImageMode",  kImageMode,  {{{u"Picture", 1}, {u"Pattern", 2}, {u"Volume", 3}}}},
    {u"EOverwrite",  kOverwrite,  {{{u"Direct", 1}, {u"Add", 2}, {u"Merge", 3}, {u"Invert", 4}}}},
    {u"EHorzAlign",  kHorzAlign,  {{{u"Left", 1}, {u"Centre", 2}, {u"Right", 3}, {u"Both", 4}}}},
    {u"EVertAlign",  kVertAlign,  {{{u"Top", 1}, {u"Centre", 2}, {u"Bottom", 3}}}},
    {u"ERound",      kRoundMode,  {{{u"Nearest", 1}, {u"Down", 2}, {u"Up", 3}, {u"ToZero", 4}, {u"FromZero", 5}}}},
}};

const std::array<StructRow, 2> kPlainStructs = {{
    {u"Colour", kColour, {{
        {u"red",     kNumber, 0, 0,  kNum, NumberDefault(0)},
        {u"green",   kNumber, 0, 4,  kNum, NumberDefault(0)},
        {u"blue",    kNumber, 0, 8,  kNum, NumberDefault(0)},
        {u"opacity", kNumber, 0, 12, kNum, NumberDefault(100)},
    }}},
    {u"Point", kPoint, {{
        {u"x", kNumber, 0, 0, kNoDefault, 0},
        {u"y", kNumber, 0, 4, kNoDefault, 0},
        {u"z", kNumber, 0, 8, kNum, NumberDefault(0)},
    }}},
}};

const std::array<StructRow, 6> kContextStructs = {{
    {u"TStatus", kStatus, {{
        {u"usergen",  kLogical,   0, 0},
        {u"category", kReportCat, 0, 4},
        {u"source",   kText,      0, 12},
        {u"message",  kText,      0, 20},
        {u"param",    kText,      0, 28},
    }}},
    {u"TImage", kImage, {{
        {u"width",     kNumber,    kConst, 0},
        {u"height",    kNumber,    kConst, 4},
        {u"mode",      kImageMode, kConst, 8},
        {u"_reserved", kPoint,     kConst, 16},
        {u"_sysdata",  kDataPtr,   kConst, 28},
    }}},
    {u"TBrush", kBrush, {{
        {u"fill",      kBrushFill,  kConst, 0},
        {u"align",     kBrushAlign, kConst, 8},
        {u"colour",    kColour,     kConst, 16},
        {u"bgcolour",  kColour,     kConst, 32},
        {u"overwrite", kOverwrite,  kConst, 48},
        {u"image",     kImage,      kConst, 56},
        {u"pin",       kPoint,      kConst, 92},
        {u"_sysdata",  kDataPtr,    kConst, 104},
    }}},
    {u"TCanvas", kCanvas, {{
        {u"width",     kNumber,     kConst, 0},
        {u"height",    kNumber,     kConst, 4},
        {u"mode",      kImageMode,  kConst, 8},
        {u"colourmix", kColourMix,  kConst, 16},
        {u"_scale",    kNumber,     kConst, 24},
        {u"_sysdata",  kDataPtr,    kConst, 28},
    }}},
    {u"TFont", kFont, {{
        {u"typeface",  kText,    kConst, 0},
        {u"size",      kNumber,  kConst, 8},
        {u"weight",    kNumber,  kConst, 12},
        {u"italic",    kLogical, kConst, 16},
        {u"underline", kLogical, kConst, 20},
        {u"_sysdata",  kDataPtr, kConst, 24},
    }}},
    {u"TPen", kPen, {{
        {u"width",     kNumber,      kConst, 0},
        {u"colour",    kColour,      kConst, 4},
        {u"overwrite", kOverwrite,   kConst, 20},
        {u"dashmode",  kDashMode,    kConst, 28},
        {u"dashlist",  kNumberArray, kConst, 36},
        {u"_scale",    kNumber,      kConst, 44},
        {u"_sysdata",  kDataPtr,     kConst, 48},
    }}},
}};

const std::array<RoutineRow, 50> kBuiltinFunctions = {{
    {u"Angle",      100, kNumber, {{{u"x", kNumber, kConst, 0}, {u"y", kNumber, kConst, 4}}}, &Angle},
    {u"Antilog10",  101, kNumber, {{{u"x", kNumber, kConst, 0}}}, &Antilog10},
    {u"Cos",        102, kNumber, {{{u"angle", kNumber, kConst, 0}}}, &Cos},
    {u"Exp",        103, kNumber, {{{u"x", kNumber, kConst, 0}}}, &Exp},
    {u"Log10",      104, kNumber, {{{u"x", kNumber, kConst, 0}}}, &Log10},
    {u"LogE",       105, kNumber, {{{u"x", kNumber, kConst, 0}}}, &LogE},
    {u"Sin",        106, kNumber, {{{u"angle", kNumber, kConst, 0}}}, &Sin},
    {u"Sqrt",       107, kNumber, {{{u"x", kNumber, kConst, 0}}}, &Sqrt},
    {u"Tan",        108, kNumber, {{{u"angle", kNumber, kConst, 0}}}, &Tan},
    {u"MakeDate",   109, kTime,   {{{u"year", kNumber, kConst, 0}, {u"month", kNumber, kConst, 4},
                                    {u"day", kNumber, kConst, 8}}}, &MakeDate},
    {u"MakeTofD",   110, kTime,   {{{u"hour", kNumber, kConst, 0}, {u"minute", kNumber, kConst, 4},
                                    {u"second", kNumber, kConst, 8, kNum, NumberDefault(0)},
                                    {u"millisec", kNumber, kConst, 12, kNum, NumberDefault(0)}}}, &MakeTofD},
    {u"MakeTime",   111, kTime,   {{{u"date", kTime, kConst, 0}, {u"tod", kTime, kConst, 8, kNum, NumberDefault(0)}}}, &MakeTime},
    {u"GetDate",    112, kTime,   {{{u"time", kTime, kConst, 0}}}, &GetDate},
    {u"GetTofD",    113, kTime,   {{{u"time", kTime, kConst, 0}}}, &GetTofD},
    {u"GetYear",    114, kNumber, {{{u"date", kTime, kConst, 0}}}, &GetYear},
    {u"GetMonth",   115, kNumber, {{{u"date", kTime, kConst, 0}}}, &GetMonth},
    {u"GetDay",     116, kNumber, {{{u"date", kTime, kConst, 0}}}, &GetDay},
    {u"GetWeekday", 117, kNumber, {{{u"date", kTime, kConst, 0}}}, &GetWeekday},
    {u"GetHour",    118, kNumber, {{{u"time", kTime, kConst, 0}}}, &GetHour},
    {u"GetMinute",  119, kNumber, {{{u"time", kTime, kConst, 0}}}, &GetMinute},
    {u"GetSecond",  120, kNumber, {{{u"time", kTime, kConst, 0}}}, &GetSecond},
    {u"GetMilli",   121, kNumber, {{{u"time", kTime, kConst, 0}}}, &GetMilli},
    {u"AddDays",    122, kTime,   {{{u"start", kTime, kConst, 0}, {u"days", kNumber, kConst, 8}}}, &AddDays},
    {u"AddHours",   123, kTime,   {{{u"start", kTime, kConst, 0}, {u"hours", kNumber, kConst, 8}}}, &AddHours},
    {u"AddMinutes", 124, kTime,   {{{u"start", kTime, kConst, 0}, {u"minutes", kNumber, kConst, 8}}}, &AddMinutes},
    {u"AddSeconds", 125, kTime,   {{{u"start", kTime, kConst, 0}, {u"seconds", kNumber, kConst, 8}}}, &AddSeconds},
    {u"AddMillis",  126, kTime,   {{{u"start", kTime, kConst, 0}, {u"millis", kNumber, kConst, 8}}}, &AddMillis},
    {u"DiffDays",   127, kNumber, {{{u"from", kTime, kConst, 0}, {u"to", kTime, kConst, 8}}}, &DiffDays},
    {u"DiffHours",  128, kNumber, {{{u"from", kTime, kConst, 0}, {u"to", kTime, kConst, 8}}}, &DiffHours},
    {u"DiffMinutes",129, kNumber, {{{u"from", kTime, kConst, 0}, {u"to", kTime, kConst, 8}}}, &DiffMinutes},
    {u"DiffSeconds",130, kNumber, {{{u"from", kTime, kConst, 0}, {u"to", kTime, kConst, 8}}}, &DiffSeconds},
    {u"DiffMillis", 131, kNumber, {{{u"from", kTime, kConst, 0}, {u"to", kTime, kConst, 8}}}, &DiffMillis},
    {u"ArrayLow",   132, kNumber, {{{u"array", kVariant, kConstRef, 0}, {u"dim", kNumber, kConst, 8, kNum, NumberDefault(1)}}}, &ArrayLow, &CheckArrayBounds},
    {u"ArrayHigh",  133, kNumber, {{{u"array", kVariant, kConstRef, 0}, {u"dim", kNumber, kConst, 8, kNum, NumberDefault(1)}}}, &ArrayHigh, &CheckArrayBounds},
    {u"Array",      135, kVariant, {{{u"_datatype", kTypeType, kHiddenType, 0}, {u"len1", kNumber, kConst, 8},
                                     {u"len2", kNumber, kConst, 12, kNum, NumberDefault(1)},
                                     {u"len3", kNumber, kConst, 16, kNum, NumberDefault(1)}}}, &Array, &CheckArray},
    {u"ReadData",   134, kVariant, {{{u"_datatype", kTypeType, kHiddenType, 0}, {u"datafile", kText, kConst, 8},
                                     {u"fmtfile", kText, kConst, 16, kNull, 0}, {u"logfile", kText, kConst, 24, kNull, 0}}}, &ReadData, &CheckReadData},
    {u"ReadValue",  148, kVariant, {{{u"_datatype", kTypeType, kHiddenType, 0}, {u"datafile", kText, kConst, 8},
                                     {u"logfile", kText, kConst, 16, kNull, 0}}}, &ReadValue, &CheckReadValue},
    {u"ReadArray",  149, kVariant, {{{u"_datatype", kTypeType, kHiddenType, 0}, {u"datafile", kText, kConst, 8},
                                     {u"logfile", kText, kConst, 16, kNull, 0}}}, &ReadArray, &CheckReadData},
    {u"TextSize",   136, kPoint,  {{{u"text", kText, kConst, 0}, {u"font", kFont, kConstRef, 8},
                                    {u"width", kNumber, kConst, 16, kNum, NumberDefault(0)}}}, &TextSize},
    {u"Format",     137, kText,   {{{u"_datatype", kTypeType, kHiddenType, 0}, {u"value", kVariant, kConstRef, 8},
                                    {u"format", kText, kConst, 16, kNull, 0}}}, &Format, &CheckFormat},
    {u"ExtractImage", 138, kImage, {{{u"canvas", kCanvas, kConstRef, 0},
                                     {u"x", kNumber, kConst, 8, kNum, NumberDefault(0)},
                                     {u"y", kNumber, kConst, 12, kNum, NumberDefault(0)},
                                     {u"width", kNumber, kConst, 16, kNull, 0},
                                     {u"height", kNumber, kConst, 20, kNull, 0}}}, &ExtractImage},
    {u"SubImage",   139, kImage,  {{{u"image", kImage, kConstRef, 0},
                                    {u"x", kNumber, kConst, 8, kNum, NumberDefault(0)},
                                    {u"y", kNumber, kConst, 12, kNum, NumberDefault(0)},
                                    {u"width", kNumber, kConst, 16, kNull, 0},
                                    {u"height", kNumber, kConst, 20, kNull, 0}}}, &SubImage},
    {u"ReadImage",  140, kImage,  {{{u"filename", kText, kConst, 0}}}, &ReadImage},
    {u"Char",       141, kText,   {{{u"code", kNumber, kConst, 0}}}, &Char},
    {u"CharCode",   142, kNumber, {{{u"char", kText, kConst, 0}}}, &CharCode},
    {u"Round",      143, kNumber, {{{u"value", kNumber, kConst, 0}, {u"mode", kRoundMode, kConst, 4, kEnum, 1}}}, &Round},
    {u"Len",        144, kNumber, {{{u"text", kText, kConst, 0}}}, &Len},
    {u"Now",        145, kTime,   {{{u"gmt", kLogical, kConst, 0, kNum, NumberDefault(0)}}}, &Now},
    {u"Abs",        146, kNumber, {{{u"value", kNumber, kConst, 0}}}, &Abs},
    {u"ToNumber",   147, kNumber, {{{u"text", kText, kConst, 0}}}, &ToNumber},
}};

const std::array<RoutineRow, 21> kBuiltinShapes = {{
    {u"Arc",           1001, kShape, {{{u"radius", kNumber, kConst, 0}, {u"from", kNumber, kConst, 4},
                                       {u"to", kNumber, kConst, 8}}}, &graphics::shapes::Arc},
    {u"Circle",        1003, kShape, {{{u"radius", kNumber, kConst, 0}, {u"fill", kFillMode, kConst, 4, kEnum, 1}}}, &graphics::shapes::Circle},
    {u"DrawImage",     1004, kShape, {{{u"image", kImage, kConstRef, 0}, {u"overwrite", kOverwrite, kConst, 8, kEnum, 1}}}, &graphics::shapes::DrawImage},
    {u"Ellipse",       1006, kShape, {{{u"width", kNumber, kConst, 0}, {u"height", kNumber, kConst, 4},
                                       {u"rotate", kNumber, kConst, 8, kNum, NumberDefault(0)},
                                       {u"fill", kFillMode, kConst, 12, kEnum, 1}}}, &graphics::shapes::Ellipse},
    {u"Line",          1002, kShape, {{{u"from", kPoint, kConst, 0}, {u"to", kPoint, kConst, 12}}}, &graphics::shapes::Line},
    {u"LineTo",        1007, kShape, {{{u"to", kPoint, kConst, 0}}}, &graphics::shapes::LineTo},
    {u"Polyline",      1009, kShape, {{{u"points", kPointArray, kConstRef, 0}}}, &graphics::shapes::Polyline},
    {u"Polygon",       1008, kShape, {{{u"points", kPointArray, kConstRef, 0}, {u"fill", kFillMode, kConst, 8, kEnum, 1}}}, &graphics::shapes::Polygon},
    {u"Rectangle",     1010, kShape, {{{u"width", kNumber, kConst, 0}, {u"height", kNumber, kConst, 4},
                                       {u"fill", kFillMode, kConst, 8, kEnum, 1}}}, &graphics::shapes::Rectangle},
    {u"Sector",        1011, kShape, {{{u"radius", kNumber, kConst, 0}, {u"from", kNumber, kConst, 4},
                                       {u"to", kNumber, kConst, 8}, {u"fill", kFillMode, kConst, 12, kEnum, 1}}}, &graphics::shapes::Sector},
    {u"TextBlock",     1012, kShape, {{{u"text", kText, kConst, 0}, {u"width", kNumber, kConst, 8, kNum, NumberDefault(0)},
                                       {u"halign", kHorzAlign, kConst, 12, kEnum, 1},
                                       {u"valign", kVertAlign, kConst, 20, kEnum, 1}}}, &graphics::shapes::TextBlock},
    {u"TextRotate",    1013, kShape, {{{u"text", kText, kConst, 0}, {u"angle", kNumber, kConst, 8, kNum, NumberDefault(0)},
                                       {u"halign", kHorzAlign, kConst, 12, kEnum, 1},
                                       {u"valign", kVertAlign, kConst, 20, kEnum, 1}}}, &graphics::shapes::TextRotate},
    {u"TextColumn",    1014, kShape, {{{u"text", kText, kConst, 0}, {u"angle", kNumber, kConst, 8, kNum, NumberDefault(0)},
                                       {u"halign", kHorzAlign, kConst, 12, kEnum, 2},
                                       {u"valign", kVertAlign, kConst, 20, kEnum, 2}}}, &graphics::shapes::TextColumn},
    {u"Dot",           1015, kShape, {}, &graphics::shapes::Dot},
    {u"Pixel",         1015, kShape, {{{u"colour", kColour, kConst, 0}}}, &graphics::shapes::Pixel},
    {u"Frame",         1017, kShape, {{{u"count", kNumber, kConst, 0, kNum, NumberDefault(1)}}}, &graphics::shapes::Frame},
    {u"Clear",         1019, kShape, {{{u"colour", kColour, kConst, 0}}}, &graphics::shapes::Clear},
    {u"SetSize",       1020, kShape, {{{u"width", kNumber, kConst, 0}, {u"height", kNumber, kConst, 4}}}, &graphics::shapes::SetSize},
    {u"EllipseArc",    1021, kShape, {{{u"width", kNumber, kConst, 0}, {u"height", kNumber, kConst, 4},
                                       {u"from", kNumber, kConst, 8}, {u"to", kNumber, kConst, 12},
                                       {u"rotate", kNumber, kConst, 16, kNum, NumberDefault(0)}}}, &graphics::shapes::EllipseArc},
    {u"EllipseSector", 1022, kShape, {{{u"width", kNumber, kConst, 0}, {u"height", kNumber, kConst, 4},
                                       {u"from", kNumber, kConst, 8}, {u"to", kNumber, kConst, 12},
                                       {u"rotate", kNumber, kConst, 16, kNum, NumberDefault(0)},
                                       {u"fill", kFillMode, kConst, 20, kEnum, 1}}}, &graphics::shapes::EllipseSector},
    {u"Fill",          1023, kShape, {}, &graphics::shapes::Fill},
}};
// clang-format on

}  // namespace vorlan::library
