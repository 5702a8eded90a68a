// Reading a Number from a short text, as data files and ToNumber do: which
// texts are whole numbers and which reals, the decimal mark the caller
// names, and texts that must not read at all.

#include "value/NumberText.h"

#include "value/Number.h"

#include <gtest/gtest.h>

namespace vorlan::library {
namespace {

using runtime::Number;

constexpr Number I(int32_t value) { return runtime::MakeIntegerUnchecked(value); }
constexpr Number R(float value) { return runtime::MakeRealUnchecked(value); }

TEST(NumberText, ReadsWholeNumbersRealsAndRefusesTheRest) {
    struct Row {
        const char16_t* text;
        char16_t mark;
        Status status;
        Number expected;
    };
    const Row rows[] = {
        {u"42", u'.', Status::Success, I(42)},
        {u"-42", u'.', Status::Success, I(-42)},
        {u"+42", u'.', Status::Success, I(42)},
        {u"007", u'.', Status::Success, I(7)},
        // Nine digits stay whole; ten make a real, whatever they say.
        {u"999999999", u'.', Status::Success, I(999999999)},
        {u"1000000000", u'.', Status::Success, R(1.0e9f)},
        {u"0000000042", u'.', Status::Success, R(42.0f)},
        // The mark or an e makes a real.
        {u"1.5", u'.', Status::Success, R(1.5f)},
        {u"1,5", u',', Status::Success, R(1.5f)},
        {u"2e3", u'.', Status::Success, R(2000.0f)},
        {u"-1.25e-2", u'.', Status::Success, R(-0.0125f)},
        // Another mark than the caller's is no part of a number.
        {u"1,5", u'.', Status::Invalid, runtime::kNullNumber},
        {u"1.5", u',', Status::Invalid, runtime::kNullNumber},
        // A sign only leads (or follows the e); the text must read in full.
        {u"12-3", u'.', Status::Invalid, runtime::kNullNumber},
        {u"--5", u'.', Status::Invalid, runtime::kNullNumber},
        {u"1.5-3", u'.', Status::Invalid, runtime::kNullNumber},
        {u"1.2.3", u'.', Status::Invalid, runtime::kNullNumber},
        {u"2e", u'.', Status::Invalid, runtime::kNullNumber},
        {u"e5", u'.', Status::Invalid, runtime::kNullNumber},
        {u"1E5", u'.', Status::Invalid, runtime::kNullNumber},
        {u" 5", u'.', Status::Invalid, runtime::kNullNumber},
        {u"-", u'.', Status::Invalid, runtime::kNullNumber},
        {u"", u'.', Status::Invalid, runtime::kNullNumber},
        // Beyond a single float, and longer than a real literal may be.
        {u"1e39", u'.', Status::Invalid, runtime::kNullNumber},
        {u"0000000000000000000000000000042", u'.', Status::Invalid, runtime::kNullNumber},
    };
    for (const Row& row : rows) {
        const std::u16string_view text(row.text);
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        Number out = 0x12345u;
        EXPECT_EQ(ReadNumberText(text, row.mark, &out), row.status);
        EXPECT_EQ(out, row.expected);
    }
}

}  // namespace
}  // namespace vorlan::library
