#pragma once
// The handlers of the built-in functions, named by the system module's table
// of built-ins (library/system/SystemTables.cpp), one row per function.

#include "compiler/Compilation.h"
#include "base/Status.h"

#include <cstdint>

namespace vorlan::library {

// Each handler takes the run context, the parameter block and the result cell.
Status Format(void* context, void* parameters, void* result);
Status ReadImage(void* context, void* parameters, void* result);
Status ExtractImage(void* context, void* parameters, void* result);
Status SubImage(void* context, void* parameters, void* result);
Status TextSize(void* context, void* parameters, void* result);

// Data files (DataFunctions.cpp, ValueFiles.cpp).
Status ReadData(void* context, void* parameters, void* result);
Status ReadValue(void* context, void* parameters, void* result);
Status ReadArray(void* context, void* parameters, void* result);

// Dates and times (CalendarFunctions.cpp).
Status MakeDate(void* context, void* parameters, void* result);
Status MakeTofD(void* context, void* parameters, void* result);
Status MakeTime(void* context, void* parameters, void* result);
Status GetDate(void* context, void* parameters, void* result);
Status GetTofD(void* context, void* parameters, void* result);
Status GetYear(void* context, void* parameters, void* result);
Status GetMonth(void* context, void* parameters, void* result);
Status GetDay(void* context, void* parameters, void* result);
Status GetWeekday(void* context, void* parameters, void* result);
Status GetHour(void* context, void* parameters, void* result);
Status GetMinute(void* context, void* parameters, void* result);
Status GetSecond(void* context, void* parameters, void* result);
Status GetMilli(void* context, void* parameters, void* result);
Status Now(void* context, void* parameters, void* result);

// Time arithmetic (TimeArithmeticFunctions.cpp).
Status AddDays(void* context, void* parameters, void* result);
Status AddHours(void* context, void* parameters, void* result);
Status AddMinutes(void* context, void* parameters, void* result);
Status AddSeconds(void* context, void* parameters, void* result);
Status AddMillis(void* context, void* parameters, void* result);
Status DiffDays(void* context, void* parameters, void* result);
Status DiffHours(void* context, void* parameters, void* result);
Status DiffMinutes(void* context, void* parameters, void* result);
Status DiffSeconds(void* context, void* parameters, void* result);
Status DiffMillis(void* context, void* parameters, void* result);

// Arithmetic (NumericFunctions.cpp).
Status Angle(void* context, void* parameters, void* result);
Status Antilog10(void* context, void* parameters, void* result);
Status Cos(void* context, void* parameters, void* result);
Status Exp(void* context, void* parameters, void* result);
Status Log10(void* context, void* parameters, void* result);
Status LogE(void* context, void* parameters, void* result);
Status Sin(void* context, void* parameters, void* result);
Status Sqrt(void* context, void* parameters, void* result);
Status Tan(void* context, void* parameters, void* result);
Status Abs(void* context, void* parameters, void* result);
Status Round(void* context, void* parameters, void* result);

// Arrays (ArrayFunctions.cpp).
Status ArrayLow(void* context, void* parameters, void* result);
Status ArrayHigh(void* context, void* parameters, void* result);
Status Array(void* context, void* parameters, void* result);

// Texts and the numbers and codes in them (TextConversionFunctions.cpp).
Status Len(void* context, void* parameters, void* result);
Status Char(void* context, void* parameters, void* result);
Status CharCode(void* context, void* parameters, void* result);
Status ToNumber(void* context, void* parameters, void* result);

// Random numbers (RandomFunctions.cpp); RandomSeed is a shape.
Status Random(void* context, void* parameters, void* result);
Status RandomWhole(void* context, void* parameters, void* result);
Status RandomSeed(void* context, void* parameters, void* block);

// The smaller, the larger, a Number held in a range, and π (NumericFunctions.cpp).
Status Min(void* context, void* parameters, void* result);
Status Max(void* context, void* parameters, void* result);
Status Clamp(void* context, void* parameters, void* result);
Status Pi(void* context, void* parameters, void* result);

// Colours from hue, saturation and value, and from web names (ColourFunctions.cpp).
Status HSV(void* context, void* parameters, void* result);
Status ColourOf(void* context, void* parameters, void* result);

}  // namespace vorlan::library
