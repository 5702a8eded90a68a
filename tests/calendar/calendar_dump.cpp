// Writes every day of the calendar, one line each, for check_calendar.py to
// hold against an independent calendar:
//
//   <day number made back from the date> <year>-<month>-<day> <weekday>
//
// in order of day number from 0001-01-01 to 9999-12-31. A day that does not
// split writes "? ? ?" so that the checker names it.

#include "value/Calendar.h"

#include <cstdio>

namespace {

using namespace vorlan;

// Appends `value` with at least `width` digits.
char* PutNumber(char* p, int32_t value, int width) {
    char digits[12];
    int n = 0;
    if (value < 0) {
        *p++ = '-';
        value = -value;
    }
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n < width) digits[n++] = '0';
    while (n > 0) *p++ = digits[--n];
    return p;
}

}  // namespace

int main() {
    static char buffer[1 << 16];
    char* p = buffer;
    for (int32_t d = library::kFirstDay; d <= library::kLastDay; ++d) {
        const runtime::Number dayNumber = runtime::MakeIntegerUnchecked(d);
        int32_t year = 0, month = 0, day = 0;
        runtime::Number back = runtime::kNullNumber;
        runtime::Number weekday = runtime::kNullNumber;
        if (library::SplitDay(dayNumber, &year, &month, &day) != Status::Success ||
            library::MakeDay(year, month, day, &back) != Status::Success ||
            library::Weekday(dayNumber, &weekday) != Status::Success) {
            p += std::snprintf(p, 32, "? ? ?\n");
        } else {
            p = PutNumber(p, runtime::IntegerOf(back), 1);
            *p++ = ' ';
            p = PutNumber(p, year, 4);
            *p++ = '-';
            p = PutNumber(p, month, 2);
            *p++ = '-';
            p = PutNumber(p, day, 2);
            *p++ = ' ';
            p = PutNumber(p, runtime::IntegerOf(weekday), 1);
            *p++ = '\n';
        }
        if (p - buffer > static_cast<long>(sizeof buffer) - 64) {
            if (std::fwrite(buffer, 1, static_cast<size_t>(p - buffer), stdout) != static_cast<size_t>(p - buffer))
                return 1;
            p = buffer;
        }
    }
    if (std::fwrite(buffer, 1, static_cast<size_t>(p - buffer), stdout) != static_cast<size_t>(p - buffer)) return 1;
    return std::fflush(stdout) == 0 ? 0 : 1;
}
