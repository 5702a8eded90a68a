#pragma once
// The language tables: month, day, suffix, half-of-day and truth-value names,
// each in four letter-case forms, used when dates, times and truth values are
// turned into text.

#include <cstdint>

namespace vorlan {

enum class WordForm : uint16_t { Upper = 1, Lower = 2, Capitalised = 3, Default = 4 };
constexpr int kWordForms = 4;

struct LanguageTables {
    char16_t months[kWordForms][12][32];
    char16_t days[kWordForms][7][32];     // 1 is Monday
    char16_t suffixes[kWordForms][31][8];
    char16_t halves[kWordForms][2][8];    // hours 0..11, 12..23
    char16_t truth[kWordForms][2][32];    // false, true
};

void FillBuiltinLanguage(LanguageTables& tables);

// Each returns the entry, or nullptr for an index or form out of range.
const char16_t* MonthName(const LanguageTables& tables, int month, int form);
const char16_t* DayName(const LanguageTables& tables, int weekday, int form);
const char16_t* DaySuffix(const LanguageTables& tables, int dayOfMonth, int form);
const char16_t* HalfOfDay(const LanguageTables& tables, int hour, int form);
const char16_t* TruthName(const LanguageTables& tables, int value, int form);

}  // namespace vorlan
