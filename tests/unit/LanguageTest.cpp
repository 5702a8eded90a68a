// Language tables: the built-in names, lookups out of range, and language
// files that replace some names and leave the rest alone.

#include "DriverTestSupport.h"
#include "base/LanguageFile.h"
#include "base/LanguageTables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorlan {
namespace {

using Lookup = const char16_t* (*)(const LanguageTables&, int, int);

TEST(LanguageTables, BuiltinNamesAndRanges) {
    struct Row {
        const char* name;
        Lookup lookup;
        int index;
        int form;
        const char16_t* expected;  // nullptr: out of range
    };
    const Row rows[] = {
        {"month 11 C", &MonthName, 11, 3, u"Novembro"},   {"month 8 U", &MonthName, 8, 1, u"A\u016CGUSTO"},
        {"month 1 D", &MonthName, 1, 4, u"januaro"},      {"month 12 L", &MonthName, 12, 2, u"decembro"},
        {"day 4 C", &DayName, 4, 3, u"\u0134a\u016Ddo"}, {"day 7 U", &DayName, 7, 1, u"DIMAN\u0108O"},
        {"truth 1 U", &TruthName, 1, 1, u"VERA"},         {"truth 0 C", &TruthName, 0, 3, u"Malvera"},
        {"hour 13", &HalfOfDay, 13, 1, u"PTM"},           {"hour 11", &HalfOfDay, 11, 1, u"ATM"},
        {"hour 0", &HalfOfDay, 0, 2, u"atm"},             {"hour 23", &HalfOfDay, 23, 3, u"Ptm"},
        {"suffix 31", &DaySuffix, 31, 2, u"a"},           {"form 0", &MonthName, 1, 0, nullptr},
        {"form 5", &DayName, 1, 5, nullptr},              {"form -1", &TruthName, 1, -1, nullptr},
        {"month 0", &MonthName, 0, 1, nullptr},           {"month 13", &MonthName, 13, 1, nullptr},
        {"day 0", &DayName, 0, 1, nullptr},               {"day 8", &DayName, 8, 1, nullptr},
        {"suffix 0", &DaySuffix, 0, 1, nullptr},          {"suffix 32", &DaySuffix, 32, 1, nullptr},
        {"hour -1", &HalfOfDay, -1, 1, nullptr},          {"hour 24", &HalfOfDay, 24, 1, nullptr},
        {"truth 2", &TruthName, 2, 1, nullptr},
    };
    LanguageTables tables{};
    FillBuiltinLanguage(tables);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const char16_t* name = row.lookup(tables, row.index, row.form);
        if (!row.expected) {
            EXPECT_EQ(name, nullptr);
        } else {
            ASSERT_NE(name, nullptr);
            EXPECT_EQ(std::u16string(name), row.expected);
        }
    }
}

class LanguageFileTest : public test::DriverFileTest {
protected:
    void SetUp() override {
        DriverFileTest::SetUp();
        ASSERT_TRUE(DefineDirectoryNode(nullptr, nullptr, settings, u"LANGFILES", test::Widen(dir.Path()).c_str()));
    }
    // Loads `text` as language "test" into the tables, capturing what is printed.
    bool Load(std::string_view text, std::string* printed) {
        dir.Write("test.ini", text);
        testing::internal::CaptureStdout();
        const bool ok = LoadLanguageFile(u"test", settings, tables);
        *printed = testing::internal::GetCapturedStdout();
        return ok;
    }

    LanguageTables tables{};
};

TEST_F(LanguageFileTest, Files) {
    struct Check {
        Lookup lookup;
        int index;
        int form;
        std::u16string expected;
    };
    struct Row {
        const char* text;
        bool builtin;  // loaded over the built-in names rather than empty tables
        bool ok;
        const char* printed;
        std::vector<Check> checks;
    };
    const char* listError = "ERROR in language file\n";
    const Row rows[] = {
        {"MonthsL = janvier, fevrier;", false, true, "",
         {{&MonthName, 1, 2, u"janvier"}, {&MonthName, 2, 2, u"fevrier"}, {&MonthName, 3, 2, u""}}},
        {"[= c =] monthsl = 'jan vier', [= inside =] \"fev\";\nAmPmU = AM, PM;", true, true, "",
         {{&MonthName, 1, 2, u"jan vier"}, {&MonthName, 2, 2, u"fev"}, {&MonthName, 3, 2, u"marto"},
          {&HalfOfDay, 15, 1, u"PM"}}},
        // An eighth day ends the list, not the load ...
        {"DaysU = a, b, c, d, e, f, g, h;\nLogicalU = NON, OUI;", false, true, listError,
         {{&DayName, 1, 1, u"a"}, {&DayName, 7, 1, u"g"}, {&TruthName, 1, 1, u"OUI"}}},
        // ... but what follows it is then read as a key.
        {"DaysU = a, b, c, d, e, f, g, h, i;\nLogicalU = NON, OUI;", false, false, "ERROR in language file\nError\n",
         {{&TruthName, 1, 1, u""}}},
        {"MonthsC = Abcdefghijklmnopqrstuvwxyz0123456789;\nSuffixL = abcdefghij;", false, true, "",
         {{&MonthName, 1, 3, u"Abcdefghijklmnopqrstuvwxyz01234"}, {&DaySuffix, 1, 2, u"abcdefg"}}},
        {"Colours = red;", false, false, "Error\n", {}},
        {"MonthsL janvier;", false, false, "Error\n", {}},
        {"MonthsL = , ;\nDaysD = x;", false, true, listError, {{&MonthName, 1, 2, u""}, {&DayName, 1, 4, u"x"}}},
        {"MonthsL = janvier fevrier;", false, true, listError, {{&MonthName, 1, 2, u"janvier"}}},
        {"MonthsL = janvier, [= runs off the end", false, false,
         "Error - INI/202: LANGFILES:/test.ini(1,39): End of File within a comment\n", {}},
        {"LogicalD = faux, vrai", false, true, "", {{&TruthName, 1, 4, u"vrai"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        tables = LanguageTables{};
        if (row.builtin) FillBuiltinLanguage(tables);
        std::string printed;
        EXPECT_EQ(Load(row.text, &printed), row.ok);
        EXPECT_EQ(printed, row.printed);
        for (const Check& check : row.checks) {
            const char16_t* name = check.lookup(tables, check.index, check.form);
            EXPECT_EQ(name ? std::u16string(name) : u"<none>", check.expected) << check.index;
        }
    }
}

TEST_F(LanguageFileTest, FileMustBeFoundThroughLangfiles) {
    testing::internal::CaptureStdout();
    EXPECT_FALSE(LoadLanguageFile(u"absent", settings, tables));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error - CMD/102: Could not open file:  LANGFILES:/absent.ini\nNo language files in " + dir.Path() + "\n");
    // The languages there are listed in order; other files and names too long for -LNG are not.
    for (const char* name : {"fr.ini", "en.ini", "notes.txt", "toolongname.ini", ".ini"}) dir.Write(name, "");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(LoadLanguageFile(u"eng", settings, tables));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error - CMD/102: Could not open file:  LANGFILES:/eng.ini\nLanguages: en fr\n");

    Settings bare{};
    test::PrepareSettings(bare, u"/some/dir/");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(LoadLanguageFile(u"test", bare, tables));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error - CMD/103: Bad file path LANGFILES:/test.ini\n");
    bare.nodes = nullptr;
}

}  // namespace
}  // namespace vorlan
