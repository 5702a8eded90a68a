// Data files read by ReadData into records of every field type, as the
// defaults lay them out and as a fixed format file does.

#include "FuzzHarness.h"

#include "compiler/Compilation.h"

namespace {

const char* const kProgram = R"(
Type Kind = (Cat, Dog = 5, Eel = "sea snake");
Type Nums = Number[];
Type Texts = Text[];
Type Row = {Text name, Logical ok, Number amount, Time day, Kind kind, Nums rest};
Type Rows = Row[];
Type Entry = {Number first, Text second, Texts rest};
Type Entries = Entry[];

Function Number ByDefaults()
  Rows rows;
Begin
  rows := ReadData("ROOT:/input.dat");
  Over rows As r Do Output r.name, r.ok, r.amount, r.day, r.kind, r.rest; EndOver;
  Return 1;
OnError
  Return 0;
End;

Function Number ByFormat()
  Entries entries;
Begin
  entries := ReadData("ROOT:/input.dat", "ROOT:/fixed.fmt", "ROOT:/data.log");
  Over entries As e Do Output e.first, e.second, e.rest; EndOver;
  Return 1;
OnError
  Return 0;
End;

Program ()
  Number ok;
Begin
  ok := ByDefaults() + ByFormat();
End;
)";

const char* const kFormat = R"([global]
headlines = 1;
separator = ";";
decimal = ",";
comment = "#";
terminator = "|";
[fields]
1: decimal = ".";
)";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vorlan;
    static compiler::Compilation* const program = fuzz::CompileFixed("data.vrs", kProgram, "fixed.fmt", kFormat);
    fuzz::RunOnInput(*program, "input.dat", data, size);
    return 0;
}
