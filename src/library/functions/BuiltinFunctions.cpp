#include "library/functions/BuiltinFunctions.h"

namespace vorlan::library {
namespace {

struct HandlerRow {
    uint16_t number;
    compiler::BuiltinHandler handler;
};

// clang-format off
constexpr HandlerRow kHandlers[] = {
    {100, Angle},      {101, Antilog10},   {102, Cos},         {103, Exp},         {104, Log10},
    {105, LogE},       {106, Sin},         {107, Sqrt},        {108, Tan},
    {109, MakeDate},   {110, MakeTofD},    {111, MakeTime},    {112, GetDate},     {113, GetTofD},
    {114, GetYear},    {115, GetMonth},    {116, GetDay},      {117, GetWeekday},
    {118, GetHour},    {119, GetMinute},   {120, GetSecond},   {121, GetMilli},
    {122, AddDays},    {123, AddHours},    {124, AddMinutes},  {125, AddSeconds},  {126, AddMillis},
    {127, DiffDays},   {128, DiffHours},   {129, DiffMinutes}, {130, DiffSeconds}, {131, DiffMillis},
    {132, ArrayLow},   {133, ArrayHigh},   {135, Array},
    {134, ReadData},
    {136, TextSize},
    {137, Format},
    {138, ExtractImage}, {139, SubImage},  {140, ReadImage},
    {141, Char},       {142, CharCode},    {143, Round},       {144, Len},
    {145, Now},
    {146, Abs},        {147, ToNumber},
    {148, ReadValue},  {149, ReadArray},
};
// clang-format on

}  // namespace

compiler::BuiltinHandler FunctionHandlerFor(uint16_t builtinNumber) {
    for (const HandlerRow& row : kHandlers) {
        if (row.number == builtinNumber) return row.handler;
    }
    return nullptr;
}

}  // namespace vorlan::library
