// Language files loaded over the built-in words, then used: dates, times and
// truth values formatted with every kind of word in every form, and a data
// file whose times and truth values are read by those words.

#include "FuzzHarness.h"

#include "base/LanguageFile.h"
#include "compiler/Compilation.h"

namespace {

const char* const kProgram = R"(
Type Row = {Time day, Logical ok};
Type Rows = Row[];
Program ()
  Time day = '2024-08-21@13:05';
  Rows rows;
  Number n;
Begin
  For n From 1 To 12 Do
    day := MakeDate(2024, n, n * 2);
    Output Format(day, "W, DR N Y Hz:Tz A"), Format(day, "Wu Nl Rc Ad"), Format(day, "N3 W3pr N9p|");
    Output Format(AddHours(day, n), "N40u W40l R8c a40p");
  EndFor;
  Output Format(True), Format(False, "Tu"), Format(True, "T8pr"), Format(False, "T40c");
  rows := ReadData("ROOT:/words.dat", "ROOT:/words.fmt");
  Over rows As r Do Output Format(r.day, "W N D Y h A"), r.ok; EndOver;
OnError
  Output Status.message;
End;
)";

// Month names and halves of the day as a language gives them.
const char* const kData = "January 5, 2021 12:05 am;true\nmarch 9, 1999 1:00 PM;false\nDec 31, 2000 11:59 pm;TRUE\n";
const char* const kFormat = "[global]\nseparator = \";\";\ntimeformat = \"N D, Y h:m A\";\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vorlan;
    Settings& settings = fuzz::Harness();
    static compiler::Compilation* const program = [] {
        fuzz::WriteScratch("words.dat", kData);
        fuzz::WriteScratch("words.fmt", kFormat);
        return fuzz::CompileFixed("words.vrs", kProgram);
    }();
    fuzz::WriteScratch("fz.ini", data, size);
    const fuzz::Account account;
    FillBuiltinLanguage(settings.languages);
    if (LoadLanguageFile(u"fz", settings, settings.languages)) fuzz::RunBounded(*program);
    FillBuiltinLanguage(settings.languages);
    return 0;
}
