// Compiled program files written from a compilation and read back: the tree
// survives a round trip byte for byte, and no cut, spoilt or doctored file
// is taken, crashes the reader or leaves memory behind.

#include "DriverTestSupport.h"
#include "compiler/Compilation.h"
#include "compiler/Statements.h"
#include "programfile/CompiledFiles.h"
#include "programfile/CompiledStream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace vorlan::test {
namespace {

using Bytes = std::vector<uint8_t>;

// Every statement kind, literals of every kind the file must carry (Time,
// routine values with and without a routine, the hidden types of Array and
// Format), structures, arrays, enumerations and an error handler.
constexpr const char* kProgram = R"(
Type Colours = (Red, Green = 5, Blue);
Type Pair = {Number a = 1, Text b};
Type Grid = Number[1 To 2, 1 To 3];
Type Numbers = Number[];
Type Mapper = Number(Number x);
Const Time start = '2024-02-29@13:05';
Function Number Twice(Number x)
  Saved Number calls = 0;
Begin
  calls += 1;
  Return x * 2;
End;
Shape Mark(Number size = 3)
Begin
  Circle(size);
End;
Program (Number n = 4)
  Pair p = {b -> "x"};
  Numbers list;
  Grid grid;
  Text t = "abc";
  Mapper f;
  Mapper none;
  Colours c;
  Number total = 0;
Begin
  list := [7, 8, 9];
  list += 1;
  list += n;
  Over list As item Do total += item; EndOver;
  For total From 1 To 3 Do total -= 0; EndFor;
  For c In Colours Do Output c; EndFor;
  While total < 10 Do total *= 2; If total > 5 Then WBreak; EndIf; EndWhile;
  grid[1, 2] := Twice(total);
  f := Twice;
  Output f(2), none == Null, p{a -> 5}.a, t[2, 3] + "!", list[2], start;
  Output Format(start, "Y"), ArrayHigh(list);
  Select c From Case Red, Green Do Output 1; Otherwise Output 2; EndSelect;
  Select total From Case 1 To 5 Do Output 3; EndSelect;
  With {1, 1}, Pen{width -> 2} Do Mark(); Mark(4) => {1, 1}; EndWith;
  Error BadParam, "stop";
OnError
  Output Status.message;
End;
)";

class CompiledFileTest : public DriverFileTest {
protected:
    // Compiles `source` and writes it as a program file; its bytes.
    Bytes Build(const std::string& source) {
        dir.Write("prog.vrs", source);
        settings.run.runMode = RunMode::BuildProgram;
        compiler::Compilation* compilation = nullptr;
        testing::internal::CaptureStdout();
        const Status compiled = compiler::Compile(u"ROOT:/prog.vrs", settings, &compilation);
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(compiled, Status::Success) << printed;
        Bytes bytes;
        if (compiled == Status::Success) bytes = Write(*compilation, "prog.vrx");
        compiler::FreeCompilation(compilation);
        return bytes;
    }

    Bytes Write(compiler::Compilation& compilation, const char* name) {
        uint16_t code = 0;
        FileDescriptor* descriptor =
            MakeFileDescriptor(Widen(std::string("ROOT:/") + name).c_str(), FileKind::Program, settings, &code);
        EXPECT_EQ(library::WriteCompiledFile(compilation, *descriptor), Status::Success);
        FreeFileDescriptor(descriptor);
        std::ifstream in(dir.File(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Reads `bytes` as a program file; `then` sees the compilation when the
    // read succeeded. What the reader printed goes to `printed`, why it
    // refused the file to `refusal`.
    Status Read(const Bytes& bytes, std::string* printed = nullptr,
                const std::function<void(compiler::Compilation&)>& then = nullptr,
                library::CompiledRefusal* refusal = nullptr) {
        dir.Write("read.vrx", std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        const uint32_t before = MemLiveCount();
        compiler::Compilation* compilation = nullptr;
        settings.run.runMode = RunMode::RunProgram;
        EXPECT_EQ(compiler::CreateCompilation(RunMode::RunProgram, settings, &compilation), Status::Success);
        uint16_t code = 0;
        FileDescriptor* descriptor = MakeFileDescriptor(u"ROOT:/read.vrx", FileKind::Program, settings, &code);
        testing::internal::CaptureStdout();
        const Status status = library::ReadCompiledFile(*compilation, *descriptor, refusal);
        const std::string text = testing::internal::GetCapturedStdout();
        if (printed) *printed = text;
        if (status == Status::Success && then) then(*compilation);
        FreeFileDescriptor(descriptor);
        compiler::FreeCompilation(compilation);
        EXPECT_EQ(MemLiveCount(), before) << "a read left memory behind";
        return status;
    }
};

TEST_F(CompiledFileTest, WritingWhatWasReadGivesTheSameBytes) {
    const Bytes written = Build(kProgram);
    ASSERT_FALSE(written.empty());
    Bytes again;
    EXPECT_EQ(Read(written, nullptr, [&](compiler::Compilation& read) { again = Write(read, "again.vrx"); }),
              Status::Success);
    EXPECT_EQ(again, written);
}

TEST_F(CompiledFileTest, EveryCutIsRefused) {
    const Bytes written = Build(kProgram);
    ASSERT_FALSE(written.empty());
    for (size_t length = 0; length < written.size(); length += 1 + length / 64) {
        const Bytes cut(written.begin(), written.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(Read(cut), Status::Invalid) << "cut at " << length;
    }
}

// Whatever a spoilt byte does to the file, the reader takes it or refuses
// it: it never reads out of bounds or keeps anything (the sanitizer build
// sees the rest).
TEST_F(CompiledFileTest, SpoiltBytesAreTakenOrRefusedCleanly) {
    const Bytes written = Build(kProgram);
    ASSERT_FALSE(written.empty());
    size_t refused = 0;
    for (size_t at = 0; at < written.size(); at += 3) {
        for (const uint8_t change : {uint8_t{0xFF}, uint8_t{0x01}}) {
            Bytes spoilt = written;
            spoilt[at] ^= change;
            refused += Read(spoilt) != Status::Success;
        }
    }
    EXPECT_GT(refused, written.size() / 3);
}

// Another format version, or a file built against a system module laid out
// otherwise (its mark follows the header), is of another Vorlan.
TEST_F(CompiledFileTest, AnotherVersionIsRefusedWithItsLine) {
    const Bytes written = Build("Program () Begin Output 1; End;");
    ASSERT_GE(written.size(), 16u);
    for (const size_t at : {size_t{10}, size_t{12}, size_t{15}}) {
        Bytes other = written;
        other[at] ^= 2;  // the version short follows the magic and the kind; the mark the version
        std::string printed;
        EXPECT_EQ(Read(other, &printed), Status::Invalid) << at;
        EXPECT_EQ(printed, "Library/program version error\n") << at;
    }
}

// Each refusal names the check that failed and the offset of the item it
// looked at. The header is the magic (offsets 0..7), the kind (8) and the
// version (10); the system module's mark follows at 12, then the module
// headers' tag and count; the file ends with the entry routine's module and
// number and the end tag.
TEST_F(CompiledFileTest, DoctoredFilesAreRefusedWithTheirReasonAndOffset) {
    const Bytes written = Build("Program () Begin Output 1; End;");
    ASSERT_GE(written.size(), 32u);
    const size_t end = written.size();
    const struct {
        const char* what;
        std::function<void(Bytes&)> doctor;
        Refusal reason;
        size_t offset;
    } rows[] = {
        {"another mark", [](Bytes& b) { b[0] = 'W'; }, Refusal::WrongMagic, 0},
        {"the mark's terminator spoilt", [](Bytes& b) { b[6] = 1; }, Refusal::WrongMagic, 6},
        {"a library's kind", [](Bytes& b) { b[8] = 2; }, Refusal::WrongKind, 8},
        {"another format version", [](Bytes& b) { b[10] ^= 1; }, Refusal::OtherVersion, 10},
        {"another system module", [](Bytes& b) { b[13] ^= 1; }, Refusal::OtherSystemModule, 12},
        {"the module headers' tag", [](Bytes& b) { b[16] ^= 1; }, Refusal::UnexpectedTag, 16},
        {"no module headers", [](Bytes& b) { b[18] = b[19] = 0; }, Refusal::NoMainModule, 18},
        {"an entry routine the module lacks", [&](Bytes& b) { b[end - 4] = b[end - 3] = 0x77; },
         Refusal::BadEntryRoutine, end - 4},
        // The global data total: room for every module's data and no more,
        // so that no file can make a run set aside what it likes.
        {"a data total beyond the modules' data", [&](Bytes& b) { b[end - 9] ^= 0x10; }, Refusal::DataOutsideTotal,
         end - 10},
        {"a data total of four gigabytes", [&](Bytes& b) { b[end - 7] = 0xFE; }, Refusal::DataOutsideTotal, end - 10},
        {"no data total", [&](Bytes& b) { b[end - 10] = b[end - 9] = b[end - 8] = b[end - 7] = 0; },
         Refusal::DataOutsideTotal, end - 10},
        {"the end tag spoilt", [&](Bytes& b) { b[end - 2] ^= 1; }, Refusal::UnexpectedTag, end - 2},
        {"cut inside the end tag", [&](Bytes& b) { b.resize(end - 1); }, Refusal::Truncated, end - 2},
        {"nothing at all", [](Bytes& b) { b.clear(); }, Refusal::Truncated, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Bytes doctored = written;
        row.doctor(doctored);
        library::CompiledRefusal refusal;
        EXPECT_EQ(Read(doctored, nullptr, nullptr, &refusal), Status::Invalid);
        EXPECT_EQ(refusal.reason, row.reason) << RefusalText(refusal.reason);
        EXPECT_EQ(refusal.offset, row.offset);
    }
    library::CompiledRefusal refusal{Refusal::Truncated, 7};
    EXPECT_EQ(Read(written, nullptr, nullptr, &refusal), Status::Success);
    EXPECT_EQ(refusal.reason, Refusal::None);
}

// The reason reaches the user only when asked for, on standard error, so a
// refused file's report on standard output is the same either way.
TEST_F(CompiledFileTest, TheReasonIsTracedOnlyWhenAskedFor) {
    Bytes doctored = Build("Program () Begin Output 1; End;");
    ASSERT_FALSE(doctored.empty());
    doctored[2] = 'Q';
    for (const bool asked : {false, true}) {
        SCOPED_TRACE(asked ? "asked" : "not asked");
        if (asked) setenv(library::kTraceVariable, "1", 1);
        testing::internal::CaptureStderr();
        std::string printed;
        EXPECT_EQ(Read(doctored, &printed), Status::Invalid);
        const std::string traced = testing::internal::GetCapturedStderr();
        unsetenv(library::kTraceVariable);
        EXPECT_EQ(printed, "");
        EXPECT_EQ(traced, asked ? "ROOT:/read.vrx: refused at offset 2: the file does not open with the mark of its kind\n"
                                : "");
    }
}

// Trees a compiler never makes, written as they are: the reader's checks
// must refuse each, since the runner would trust them.
TEST_F(CompiledFileTest, TreesTheCompilerNeverMakesAreRefused) {
    using compiler::ExprNode;
    const char* source = R"(
Type Pair = {Number a, Text b};
Program ()
  Number x;
  Pair p;
  Text t;
Begin
  x := x + 1;
  t := p.b;
End;
)";
    // The value of the first and the second assignment of the program.
    auto value = [](compiler::Compilation& compilation, int which) -> ExprNode* {
        const compiler::Statement* statement = compilation.entryRoutine->body->main.head;
        if (which == 2) statement = statement->next;
        return static_cast<const compiler::AssignmentStatement*>(statement)->value;
    };
    const Refusal body = Refusal::TreeBody;
    const std::vector<std::tuple<const char*, std::function<void(compiler::Compilation&)>, Refusal>> doctorings = {
        {"Text joining on Numbers", [&](auto& c) { value(c, 1)->eval = compiler::EvalCode::Concatenate; }, body},
        {"a local beyond the frame", [&](auto& c) { value(c, 1)->left->offset += 4096; }, body},
        {"a value taken for an address", [&](auto& c) { value(c, 1)->flags &= ~compiler::kNodeComputed; }, body},
        {"a field of another offset", [&](auto& c) { value(c, 2)->offset = 0; }, body},
        {"a field read as a Number", [&](auto& c) { value(c, 2)->type = value(c, 1)->type; }, body},
        {"a Text assigned to a Number",
         [&](auto& c) {
             auto* second = static_cast<compiler::AssignmentStatement*>(c.entryRoutine->body->main.head->next);
             second->target = value(c, 1)->left;
         },
         body},
        // A structure is as large as its fields, no more.
        {"a structure larger than its fields", [&](auto& c) { value(c, 2)->left->type->cellSize += 4; },
         Refusal::TreeType},
    };
    for (const auto& [what, doctor, reason] : doctorings) {
        dir.Write("prog.vrs", source);
        settings.run.runMode = RunMode::BuildProgram;
        compiler::Compilation* compilation = nullptr;
        testing::internal::CaptureStdout();
        ASSERT_EQ(compiler::Compile(u"ROOT:/prog.vrs", settings, &compilation), Status::Success);
        testing::internal::GetCapturedStdout();
        doctor(*compilation);
        const Bytes doctored = Write(*compilation, "doctored.vrx");
        compiler::FreeCompilation(compilation);
        library::CompiledRefusal refusal;
        EXPECT_EQ(Read(doctored, nullptr, nullptr, &refusal), Status::Invalid) << what;
        EXPECT_EQ(refusal.reason, reason) << what << ": " << RefusalText(refusal.reason);
    }
}

}  // namespace
}  // namespace vorlan::test
