#pragma once
// Times as text, by a template read from left to right: field letters are
// replaced by their fields, a backslash makes the next character literal,
// and any other character is copied. The result holds at most 64 characters.
//
//   Y year (Y2 its last two digits)   M month    D day of the month
//   N month name   W weekday name     R day-of-month suffix
//   H, h hour (H1 twelve-hour clock)  T, m minute   S, s second
//   F, f fraction (F1 tenths, F2 hundredths, else milliseconds)
//   A, a the word for the half of the day
//
// Numeric fields take z (two digits, zero first) or p (two characters, space
// first); word fields take word modifiers (see FormatWords.h). Y, M, D, N,
// W and R need a date: a time of day alone refuses them.

#include "base/LanguageTables.h"
#include "base/Status.h"
#include "library/format/FormatTemplate.h"
#include "value/Value.h"

#include <cstddef>

namespace vorlan::library {

constexpr size_t kMaxTimeText = 64;

// No format means Y4-Mz-Dz@H2z:Tz:Sz, or H2z:Tz:Sz for a time of day alone.
// Invalid for a format that does not read, a field without the date it
// needs, or a result beyond kMaxTimeText characters.
Status FormatTime(runtime::Time value, const FormatText& format, const LanguageTables& words, void** block);

}  // namespace vorlan::library
