// Format files laid over a fixed data file, read by ReadData into records of
// every field type.

#include "FuzzHarness.h"

#include "compiler/Compilation.h"

namespace {

const char* const kProgram = R"(
Type Kind = (Cat, Dog = 5, Eel = "sea snake");
Type Nums = Number[];
Type Row = {Text name, Logical ok, Number amount, Time day, Kind kind, Nums rest};
Type Rows = Row[];
Program ()
  Rows rows;
Begin
  rows := ReadData("ROOT:/fixed.dat", "ROOT:/input.fmt", "ROOT:/format.log");
  Over rows As r Do Output r.name, r.ok, r.amount, Format(r.day), r.kind, r.rest; EndOver;
End;
)";

// The same records in several layouts, so that many formats read some.
const char* const kData = R"(name,ok,amount,day,kind
# a comment line
"a,""b""", TRUE, 1.5, 2021-03-09 12:05:00.0, Dog, 2, 3
plain;false;2,5;3/4/49;sea snake;7
x|y|3|March 9, 2021 12:05 am|0|1|2|3
"q"	1	-7	2024-08-21 13:05:00.5	Eel
)";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vorlan;
    static compiler::Compilation* const program = fuzz::CompileFixed("format.vrs", kProgram, "fixed.dat", kData);
    fuzz::RunOnInput(*program, "input.fmt", data, size);
    return 0;
}
