#include "library/format/FormatTemplate.h"

namespace vorlan::library {
namespace {

bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool ReadForm(char16_t letter, NumberForm* form) {
    switch (letter) {
    case u'I': *form = NumberForm::Integer; return true;
    case u'R': *form = NumberForm::Fixed; return true;
    case u'E': *form = NumberForm::Exponent; return true;
    case u'N': *form = NumberForm::Automatic; return true;
    default: return false;
    }
}

// One of the flag letters; any other letter spoils the format.
bool ReadFlag(char16_t letter, NumberFormat* format) {
    switch (letter) {
    case u'p': return true;  // pads words elsewhere; a number is always as wide as asked
    case u'r': format->right = true; return true;
    case u't': format->grouping = true; return true;
    case u'z': format->zeroPad = true; return true;
    default: return false;
    }
}

}  // namespace

bool TemplateCursor::ReadDecimal(uint32_t* value) {
    if (!AtDigit()) return false;
    uint32_t total = 0;
    while (AtDigit()) {
        const uint32_t digit = static_cast<uint32_t>(*at_++ - u'0');
        total = total >= kDecimalCeiling / 10 ? kDecimalCeiling : total * 10 + digit;
    }
    *value = total;
    return true;
}

bool ReadNumberFormat(std::u16string_view text, NumberFormat* format) {
    *format = NumberFormat{};
    TemplateCursor cursor(text);
    if (!ReadForm(cursor.Next(), &format->form)) return false;
    format->alwaysSign = cursor.Take(u'+');
    // A precision counts only after a width: in "R.2" the ".2" is left over.
    if (cursor.ReadDecimal(&format->width)) {
        TemplateCursor afterWidth = cursor;
        if (afterWidth.Take(u'.') && afterWidth.ReadDecimal(&format->precision)) cursor = afterWidth;
    }
    if (format->width > kMaxFieldWidth || format->precision > kMaxFieldWidth) return false;
    while (IsLetter(cursor.Peek())) {
        if (!ReadFlag(cursor.Next(), format)) return false;
    }
    if (cursor.Take(u'#')) {
        if (!cursor.ReadDecimal(&format->radix) || format->radix < 2 || format->radix > 32) return false;
    }
    return true;
}

}  // namespace vorlan::library
