#include "base/LanguageTables.h"

#include "base/WideText.h"

#include <cstddef>

namespace vorlan {
namespace {

// The built-in names are Esperanto.
constexpr const char16_t* kMonthsUpper[12] = {u"JANUARO", u"FEBRUARO", u"MARTO",     u"APRILO",
                                              u"MAJO",    u"JUNIO",    u"JULIO",     u"A\u016CGUSTO",
                                              u"SEPTEMBRO", u"OKTOBRO", u"NOVEMBRO", u"DECEMBRO"};
constexpr const char16_t* kMonthsLower[12] = {u"januaro", u"februaro", u"marto",     u"aprilo",
                                              u"majo",    u"junio",    u"julio",     u"a\u016Dgusto",
                                              u"septembro", u"oktobro", u"novembro", u"decembro"};
constexpr const char16_t* kDaysUpper[7] = {u"LUNDO",    u"MARDO",  u"MERKREDO",     u"\u0134A\u016CDO",
                                           u"VENDREDO", u"SABADO", u"DIMAN\u0108O"};
constexpr const char16_t* kDaysLower[7] = {u"lundo",    u"mardo",  u"merkredo",     u"\u0135a\u016Ddo",
                                           u"vendredo", u"sabado", u"diman\u0109o"};
constexpr const char16_t* kHalves[kWordForms][2] = {
    {u"ATM", u"PTM"}, {u"atm", u"ptm"}, {u"Atm", u"Ptm"}, {u"atm", u"ptm"}};
constexpr const char16_t* kTruth[kWordForms][2] = {
    {u"MALVERA", u"VERA"}, {u"malvera", u"vera"}, {u"Malvera", u"Vera"}, {u"malvera", u"vera"}};
constexpr const char16_t* kSuffix[kWordForms] = {u"A", u"a", u"A", u"a"};

constexpr int U = 0, L = 1, C = 2, D = 3;

// Capitalised is the lower-case name with its first letter from the upper
// case; Default is the lower-case name.
template <std::size_t N>
void FillNames(char16_t (&table)[kWordForms][N][32], const char16_t* const (&upper)[N],
               const char16_t* const (&lower)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        WideCopy(table[U][i], upper[i], 31);
        WideCopy(table[L][i], lower[i], 31);
        WideCopy(table[C][i], lower[i], 31);
        table[C][i][0] = upper[i][0];
        WideCopy(table[D][i], lower[i], 31);
    }
}

bool FormIndex(int form, int* index) {
    if (form < 1 || form > kWordForms) return false;
    *index = form - 1;
    return true;
}

}  // namespace

void FillBuiltinLanguage(LanguageTables& tables) {
    FillNames(tables.months, kMonthsUpper, kMonthsLower);
    FillNames(tables.days, kDaysUpper, kDaysLower);
    for (int form = 0; form < kWordForms; ++form) {
        for (auto& suffix : tables.suffixes[form]) WideCopy(suffix, kSuffix[form], 7);
        for (int i = 0; i < 2; ++i) {
            WideCopy(tables.halves[form][i], kHalves[form][i], 7);
            WideCopy(tables.truth[form][i], kTruth[form][i], 31);
        }
    }
}

const char16_t* MonthName(const LanguageTables& tables, int month, int form) {
    int f;
    return (FormIndex(form, &f) && month >= 1 && month <= 12) ? tables.months[f][month - 1] : nullptr;
}

const char16_t* DayName(const LanguageTables& tables, int weekday, int form) {
    int f;
    return (FormIndex(form, &f) && weekday >= 1 && weekday <= 7) ? tables.days[f][weekday - 1] : nullptr;
}

const char16_t* DaySuffix(const LanguageTables& tables, int dayOfMonth, int form) {
    int f;
    return (FormIndex(form, &f) && dayOfMonth >= 1 && dayOfMonth <= 31) ? tables.suffixes[f][dayOfMonth - 1]
                                                                        : nullptr;
}

const char16_t* HalfOfDay(const LanguageTables& tables, int hour, int form) {
    int f;
    return (FormIndex(form, &f) && hour >= 0 && hour <= 23) ? tables.halves[f][hour / 12] : nullptr;
}

const char16_t* TruthName(const LanguageTables& tables, int value, int form) {
    int f;
    return (FormIndex(form, &f) && (value == 0 || value == 1)) ? tables.truth[f][value] : nullptr;
}

}  // namespace vorlan
