// Type compatibility between declared types, in assignment and comparison
// modes, with the message each conflict is reported with.

#include "DriverTestSupport.h"
#include "compiler/Compilation.h"
#include "compiler/Declarations.h"
#include "value/SystemTypeCodes.h"

#include <gtest/gtest.h>

namespace vorlan::test {
namespace {

using compiler::Compatibility;
using compiler::TypeDescriptor;

constexpr const char* kTypes = R"(
Type A = Number[];
Type B = Number[];
Type C = Text[];
Type D = Number[,];
Type E = (X, Y);
Type S = {Number a};
Type S2 = {Number a};
Type F1 = Number(Number x);
Type F2 = Number(Number y);
Type F3 = Text(Number x);
Type F4 = Number(Ref Number x);
Type F6 = Number(Number x, Number z);
Type F7 = Number(Text x);
Type FC = Number(Const Ref Number x);
Type P = Shape(Number x);
)";

class TypeCompatibilityTest : public DriverFileTest {
protected:
    void SetUp() override {
        DriverFileTest::SetUp();
        dir.Write("types.vrs", kTypes);
        settings.run.runMode = RunMode::RunSource;
        testing::internal::CaptureStdout();
        const Status status = compiler::Compile(u"ROOT:/types.vrs", settings, &compilation_);
        const std::string printed = testing::internal::GetCapturedStdout();
        ASSERT_EQ(status, Status::Success) << printed;
        main_ = compilation_->firstModule->next;
        dir.Write("empty.vrs", "");
        uint16_t code = 0;
        descriptor_ = MakeFileDescriptor(u"ROOT:/empty.vrs", FileKind::Source, settings, &code);
        stream_ = std::tmpfile();
        parser_.reader = OpenTextReader(descriptor_, stream_, &code);
        parser_.unit = main_->mainUnit;
        parser_.token.position = {descriptor_, 1, 1};
    }
    void TearDown() override {
        CloseTextReader(parser_.reader);
        FreeFileDescriptor(descriptor_);
        compiler::FreeCompilation(compilation_);
        DriverFileTest::TearDown();
    }
    TypeDescriptor* Named(const char16_t* name) {
        compiler::IdentifierEntry* entry = main_->mainUnit->privateList.Find(name);
        return entry ? static_cast<TypeDescriptor*>(entry->object) : compiler::FindSystemType(*compilation_, 0);
    }
    // The message code reported, or 0 when compatible.
    int Check(const TypeDescriptor* target, const TypeDescriptor* value, Compatibility mode) {
        const int before = parser_.reader->errorCount;
        std::fseek(stream_, 0, SEEK_END);  // back to writing after the last read
        const bool ok = compiler::TypesCompatible(parser_, target, value, mode, parser_.token.position);
        const std::string printed = ReadStream(stream_);
        if (ok) return parser_.reader->errorCount == before ? 0 : -1;
        const size_t at = printed.rfind("SRC/");
        return at == std::string::npos ? -1 : std::stoi(printed.substr(at + 4, 3));
    }

    compiler::Compilation* compilation_ = nullptr;
    compiler::Module* main_ = nullptr;
    FileDescriptor* descriptor_ = nullptr;
    FILE* stream_ = nullptr;
    compiler::Parser parser_;
};

TEST_F(TypeCompatibilityTest, ConflictsAndTheirMessages) {
    TypeDescriptor* number = compiler::FindSystemType(*compilation_, library::kNumber);
    TypeDescriptor* text = compiler::FindSystemType(*compilation_, library::kText);
    TypeDescriptor* variant = compiler::FindSystemType(*compilation_, library::kVariant);
    const struct {
        const char* what;
        TypeDescriptor* target;
        TypeDescriptor* value;
        Compatibility mode;
        int code;
    } rows[] = {
        {"same type", Named(u"S"), Named(u"S"), Compatibility::Assignment, 0},
        {"base types of one class", number, number, Compatibility::Assignment, 0},
        {"any value takes a number", variant, number, Compatibility::Assignment, 0},
        {"any value takes a structure", variant, Named(u"S"), Compatibility::Assignment, 0},
        {"number and text", number, text, Compatibility::Assignment, 343},
        {"kinds differ", Named(u"S"), number, Compatibility::Assignment, 343},
        {"arrays of one element type", Named(u"A"), Named(u"B"), Compatibility::Assignment, 0},
        {"arrays of other elements", Named(u"A"), Named(u"C"), Compatibility::Assignment, 396},
        {"arrays of other dimension counts", Named(u"A"), Named(u"D"), Compatibility::Assignment, 396},
        {"structures alike but not the same", Named(u"S"), Named(u"S2"), Compatibility::Comparison, 343},
        {"parameter names do not matter", Named(u"F1"), Named(u"F2"), Compatibility::Assignment, 0},
        {"result types", Named(u"F1"), Named(u"F3"), Compatibility::Assignment, 391},
        {"parameter counts", Named(u"F1"), Named(u"F6"), Compatibility::Assignment, 392},
        {"Ref attributes", Named(u"F1"), Named(u"F4"), Compatibility::Assignment, 393},
        {"parameter types", Named(u"F1"), Named(u"F7"), Compatibility::Assignment, 395},
        {"Const target, Ref value, assigning", Named(u"FC"), Named(u"F4"), Compatibility::Assignment, 394},
        {"Const target, Ref value, comparing", Named(u"FC"), Named(u"F4"), Compatibility::Comparison, 0},
        {"shape and function types", Named(u"P"), Named(u"F1"), Compatibility::Assignment, 343},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_NE(row.target, nullptr);
        ASSERT_NE(row.value, nullptr);
        EXPECT_EQ(Check(row.target, row.value, row.mode), row.code);
    }
}

TEST_F(TypeCompatibilityTest, ProgramParameterTypes) {
    EXPECT_TRUE(compiler::IsValidProgramParameterType(*compiler::FindSystemType(*compilation_, library::kNumber)));
    EXPECT_TRUE(compiler::IsValidProgramParameterType(*compiler::FindSystemType(*compilation_, library::kText)));
    EXPECT_TRUE(compiler::IsValidProgramParameterType(*compiler::FindSystemType(*compilation_, library::kLogical)));
    EXPECT_FALSE(compiler::IsValidProgramParameterType(*compiler::FindSystemType(*compilation_, library::kTime)));
    EXPECT_TRUE(compiler::IsValidProgramParameterType(*Named(u"E")));
    EXPECT_TRUE(compiler::IsValidProgramParameterType(*Named(u"A")));
    EXPECT_FALSE(compiler::IsValidProgramParameterType(*Named(u"S")));
    EXPECT_FALSE(compiler::IsValidProgramParameterType(*Named(u"F1")));
}

}  // namespace
}  // namespace vorlan::test
