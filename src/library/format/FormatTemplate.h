#pragma once
// Reading format texts. A template is read in place from the program's text
// block by a cursor, element by element, with no copy and no allocation; each
// formatter reads the elements its grammar expects. This file holds the
// cursor and the grammar of number formats:
//
//   form [+] [width [. precision]] {p | r | t | z} [# radix]
//
// where form is one of I (integer), R (fixed real), E (exponent real) and
// N (automatic). Whatever follows the last element read is ignored.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vorlan::library {

// A format text as the program gave it; no value at all (a Null format)
// means the formatter's default, which differs from an empty text.
using FormatText = std::optional<std::u16string_view>;

// The widest field a format may ask for: the most characters a text holds.
constexpr uint32_t kMaxFieldWidth = 65535;

class TemplateCursor {
public:
    explicit TemplateCursor(std::u16string_view text) : at_(text.data()), end_(text.data() + text.size()) {}

    bool AtEnd() const { return at_ == end_; }
    // The next character, or 0 at the end; never an element of a template.
    char16_t Peek() const { return at_ != end_ ? *at_ : u'\0'; }
    char16_t Next() { return at_ != end_ ? *at_++ : u'\0'; }
    // Steps over `c` when it is next.
    bool Take(char16_t c) {
        if (at_ == end_ || *at_ != c) return false;
        ++at_;
        return true;
    }
    bool AtDigit() const { return at_ != end_ && *at_ >= u'0' && *at_ <= u'9'; }
    // The decimal number at the cursor, or false when no digit is there. A
    // run of digits too long for any field reads as kDecimalCeiling, so it
    // cannot wrap round into a small, valid-looking number.
    bool ReadDecimal(uint32_t* value);

    static constexpr uint32_t kDecimalCeiling = 10'000'000;

private:
    const char16_t* at_;
    const char16_t* end_;
};

enum class NumberForm : uint8_t { Automatic, Integer, Fixed, Exponent };

// What a number format asks for; the defaults stand when no format is given.
struct NumberFormat {
    NumberForm form = NumberForm::Automatic;
    uint32_t width = 0;
    uint32_t precision = 6;
    bool alwaysSign = false;
    bool grouping = false;
    char16_t separator = u',';
    uint32_t radix = 10;
    bool zeroPad = false;
    bool right = false;
};

// False when the text is not a number format: a first character other than
// a form letter, an unknown flag letter, a radix outside 2..32 or without
// digits, or a width or precision wider than any text.
bool ReadNumberFormat(std::u16string_view text, NumberFormat* format);

}  // namespace vorlan::library
