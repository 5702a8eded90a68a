// Value files read by ReadValue and ReadArray into values of every kind a
// constant can give, in the program's own terms: its types, enumerations
// and constants, and its routines, which no value may name.

#include "FuzzHarness.h"

#include "compiler/Compilation.h"

namespace {

const char* const kProgram = R"(
Type Kind = (Cat, Dog = 5, Eel = "sea snake");
Type Nums = Number[];
Type Texts = Text[];
Type Times = Time[];
Type Kinds = Kind[];
Type Tag = {Text name, Number size, Kind kind, Nums sizes};
Type Tags = Tag[];
Type Pair = {Text name, Number size};
Type Pairs = Pair[];
Type Maker = Number ();
Const Number Base = 10;
Const Text Greeting = "hello";

Function Number B()
Begin
  Return 1;
End;

Function Number Single()
  Number n;
  Text t;
  Time w;
  Logical l;
  Kind k;
  Tag g;
  Maker m;
Begin
  If True Then n := ReadValue("ROOT:/input.txt"); Output n; OnError EndIf;
  If True Then t := ReadValue("ROOT:/input.txt"); Output t; OnError EndIf;
  If True Then w := ReadValue("ROOT:/input.txt"); Output w; OnError EndIf;
  If True Then l := ReadValue("ROOT:/input.txt"); Output l; OnError EndIf;
  If True Then k := ReadValue("ROOT:/input.txt"); Output k; OnError EndIf;
  If True Then g := ReadValue("ROOT:/input.txt"); Output g.name, g.size, g.kind, g.sizes; OnError EndIf;
  If True Then m := ReadValue("ROOT:/input.txt"); OnError EndIf;
  Return 1;
End;

Function Number Arrays()
  Nums n;
  Texts t;
  Times w;
  Kinds k;
  Tags g;
  Pairs p;
Begin
  If True Then n := ReadArray("ROOT:/input.txt", "ROOT:/value.log"); Output n; OnError EndIf;
  If True Then t := ReadArray("ROOT:/input.txt"); Output t; OnError EndIf;
  If True Then w := ReadArray("ROOT:/input.txt"); Output w; OnError EndIf;
  If True Then k := ReadArray("ROOT:/input.txt"); Output k; OnError EndIf;
  If True Then g := ReadArray("ROOT:/input.txt"); Over g As x Do Output x.name, x.sizes; EndOver; OnError EndIf;
  If True Then p := ReadArray("ROOT:/input.txt"); Over p As y Do Output y.name, y.size; EndOver; OnError EndIf;
  Return 1;
End;

Program ()
  Number ok;
Begin
  ok := Single() + Arrays();
End;
)";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vorlan;
    static compiler::Compilation* const program = fuzz::CompileFixed("value.vrs", kProgram);
    fuzz::RunOnInput(*program, "input.txt", data, size);
    return 0;
}
