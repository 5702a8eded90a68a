#include "library/format/FormatNumber.h"

#include "library/format/FormatField.h"
#include "value/Number.h"
#include "value/Text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vorlan::library {
namespace {

constexpr char16_t kDigits[] = u"0123456789ABCDEFGHIJKLMNOPQRSTUV";  // radix 32 at most

// Beyond this many places the decimal expansion of any single-precision
// value is exact (its last binary place is 2^-149), so asking printf for
// more only adds zeros, which we add ourselves rather than size a buffer for
// every precision a format may ask.
constexpr int kExactPlaces = 150;

// Characters that `digits` digits take, with a separator before every third
// one counted from the right.
size_t GroupedLength(size_t digits, bool grouping) { return grouping ? digits + (digits - 1) / 3 : digits; }

// The most digits that fit in `room` characters. With grouping, lengths
// 4k + 1, 4k + 2 and 4k + 3 are reached by 3k + 1 .. 3k + 3 digits and 4k + 4
// by none (the next digit brings its separator), hence room - room / 4: a
// field one short keeps a space rather than overflow by a separator.
size_t MostDigits(size_t room, bool grouping) { return grouping ? room - room / 4 : room; }

// Digits from the least significant in the format's radix, separators between
// them, zeros in front with zero padding, then the sign.
Status FormatInteger(runtime::Number value, const NumberFormat& format, void** block) {
    int32_t whole = 0;
    VL_PROPAGATE(runtime::ReadInteger(value, &whole));
    const bool negative = whole < 0;
    uint32_t magnitude = negative ? 0u - static_cast<uint32_t>(whole) : static_cast<uint32_t>(whole);
    char16_t digits[32];  // 30 bits in radix 2 at most
    size_t count = 0;
    do {
        digits[count++] = kDigits[magnitude % format.radix];
        magnitude /= format.radix;
    } while (magnitude != 0);

    const char16_t sign = negative ? u'-' : format.alwaysSign ? u'+' : u'\0';
    const size_t signLength = sign ? 1 : 0;
    size_t shown = count;
    if (format.zeroPad && format.width > signLength)
        shown = std::max(count, MostDigits(format.width - signLength, format.grouping));
    const size_t length = GroupedLength(shown, format.grouping) + signLength;
    const size_t field = std::max<size_t>(format.width, length);
    VL_PROPAGATE(runtime::MakeBlankText(field, block));

    char16_t* at = runtime::TextChars(*block) + (format.right ? field : length);  // just past the last digit
    for (size_t i = 0; i < shown; ++i) {
        if (format.grouping && i > 0 && i % 3 == 0) *--at = format.separator;
        *--at = i < count ? digits[i] : u'0';
    }
    if (sign) *--at = sign;
    return Status::Success;
}

// printf's fixed or exponent form at the format's precision. With zero
// padding and right alignment a leading sign moves to the front of the
// field and zeros take the spaces behind it; an unsigned text keeps its
// spaces.
Status FormatReal(runtime::Number value, const NumberFormat& format, void** block) {
    float real = 0;
    VL_PROPAGATE(runtime::ReadReal(value, &real));
    const bool exponent = format.form == NumberForm::Exponent;
    const int places = std::min<int>(static_cast<int>(format.precision), kExactPlaces);
    char printed[kExactPlaces + 64];  // sign, 39 integer digits, point, places
    const int count = exponent ? std::snprintf(printed, sizeof printed, format.alwaysSign ? "%+0.*e" : "%0.*e",
                                               places, static_cast<double>(real))
                               : std::snprintf(printed, sizeof printed, format.alwaysSign ? "%+0.*f" : "%0.*f",
                                               places, static_cast<double>(real));
    if (count <= 0 || static_cast<size_t>(count) >= sizeof printed) return Status::InternalFailure;
    const size_t printedLength = static_cast<size_t>(count);
    const size_t zeros = format.precision - static_cast<size_t>(places);
    const size_t length = printedLength + zeros;
    const size_t field = std::max<size_t>(format.width, length);
    VL_PROPAGATE(runtime::MakeBlankText(field, block));

    char16_t* chars = runtime::TextChars(*block);
    const size_t start = format.right ? field - length : 0;
    // The places beyond kExactPlaces go where printf would have put them:
    // at the end of the digits, before any exponent.
    const char* mark = exponent ? std::strchr(printed, 'e') : nullptr;
    const size_t digitsEnd = mark ? static_cast<size_t>(mark - printed) : printedLength;
    char16_t* at = std::copy(printed, printed + digitsEnd, chars + start);
    at = std::fill_n(at, zeros, u'0');
    std::copy(printed + digitsEnd, printed + printedLength, at);

    // Only a sign in front counts: the one inside an exponent belongs there.
    const char16_t lead = chars[start];
    if (format.zeroPad && format.right && start > 0 && (lead == u'-' || lead == u'+')) {
        chars[0] = lead;
        std::fill_n(chars + 1, start, u'0');
    }
    return Status::Success;
}

}  // namespace

Status FormatNumber(runtime::Number value, const FormatText& format, void** block) {
    *block = nullptr;
    NumberFormat read;
    if (format && !ReadNumberFormat(*format, &read)) return Status::Invalid;
    if (runtime::IsNull(value)) return MakeNullText(read.width, read.right, block);
    NumberForm form = read.form;
    if (form == NumberForm::Automatic) form = runtime::IsInteger(value) ? NumberForm::Integer : NumberForm::Fixed;
    if (form == NumberForm::Integer) return FormatInteger(value, read, block);
    return FormatReal(value, read, block);
}

}  // namespace vorlan::library
