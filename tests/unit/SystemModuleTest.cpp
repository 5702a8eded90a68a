// The system module: its types, enumerations, structures and routines as
// registered, and a build that gives up cleanly when memory runs out.

#include "DriverTestSupport.h"
#include "compiler/Compilation.h"
#include "compiler/Declarations.h"
#include "value/SystemTypeCodes.h"
#include "value/Value.h"

#include <gtest/gtest.h>

#include <string>

namespace vorlan::test {
namespace {

using compiler::Compilation;
using compiler::DataItem;
using compiler::TypeDescriptor;

class SystemModuleTest : public DriverFileTest {
protected:
    void SetUp() override {
        DriverFileTest::SetUp();
        ASSERT_EQ(compiler::CreateCompilation(RunMode::RunSource, settings, &compilation_), Status::Success);
    }
    void TearDown() override {
        compiler::FreeCompilation(compilation_);
        DriverFileTest::TearDown();
    }
    TypeDescriptor* Type(uint16_t code) { return compiler::FindSystemType(*compilation_, code); }
    const DataItem* Member(const TypeDescriptor& type, const char16_t* name) {
        for (const DataItem* item = type.fields.first; item; item = item->next) {
            if (std::u16string(item->entry->name) == name) return item;
        }
        return nullptr;
    }
    compiler::Routine* Routine(const char16_t* name) {
        compiler::IdentifierEntry* entry = compilation_->systemModule->publicList.Find(name);
        return entry && (entry->category & compiler::kCategoryRoutine) ? static_cast<compiler::Routine*>(entry->object)
                                                                        : nullptr;
    }

    Compilation* compilation_ = nullptr;
};

TEST_F(SystemModuleTest, StructuresHaveTheRegisteredSizes) {
    struct Row {
        uint16_t code;
        uint32_t size;
    };
    const Row rows[] = {{library::kColour, 16}, {library::kPoint, 12}, {library::kStatus, 36}, {library::kImage, 36},
                        {library::kBrush, 112}, {library::kCanvas, 36}, {library::kFont, 32},  {library::kPen, 56},
                        {library::kNumber, 4},  {library::kText, 8},   {library::kTime, 8},    {library::kPointArray, 8}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        const TypeDescriptor* type = Type(row.code);
        ASSERT_NE(type, nullptr);
        EXPECT_EQ(type->cellSize, row.size);
        EXPECT_EQ(type->state, compiler::TypeState::Complete);
        EXPECT_NE(type->ops.clear, nullptr);
    }
    EXPECT_EQ(compilation_->systemModule->number, 1);
}

TEST_F(SystemModuleTest, ReportCategoriesCarryTheStatusCodes) {
    const TypeDescriptor* categories = Type(library::kReportCat);
    ASSERT_NE(categories, nullptr);
    const struct {
        const char16_t* name;
        Status status;
    } rows[] = {{u"BadParam", Status::BadParam},   {u"OutOfRange", Status::OutOfRange},
                {u"UsingNull", Status::UsingNull}, {u"Invalid", Status::Invalid},
                {u"Overflow", Status::Overflow},   {u"DivByZero", Status::DivByZero},
                {u"OutOfMemory", Status::OutOfMemory}, {u"MultiReport", Status::MultiReport}};
    int position = 0;
    for (const auto& row : rows) {
        const DataItem* item = Member(*categories, row.name);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->enumValue, static_cast<int32_t>(row.status));
        EXPECT_EQ(item->enumPosition, ++position);
    }
}

TEST_F(SystemModuleTest, FieldsDefaultsAndHiddenNames) {
    const TypeDescriptor& colour = *Type(library::kColour);
    EXPECT_EQ(Member(colour, u"opacity")->defaultWord, runtime::MakeIntegerUnchecked(100));
    const TypeDescriptor& point = *Type(library::kPoint);
    EXPECT_EQ(Member(point, u"x")->systemDefault, compiler::SystemDefault::None);
    EXPECT_EQ(Member(point, u"z")->systemDefault, compiler::SystemDefault::Number);
    const TypeDescriptor& pen = *Type(library::kPen);
    EXPECT_TRUE(Member(pen, u"_sysdata")->flags & compiler::kDataHidden);
    EXPECT_TRUE(Member(pen, u"width")->flags & compiler::kDataConst);
    EXPECT_EQ(Member(pen, u"dashlist")->offset, 36u);
    EXPECT_EQ(Member(*Type(library::kBrush), u"pin")->offset, 92u);
}

TEST_F(SystemModuleTest, RoutinesAreRegisteredWithTheirNumbersAndParameters) {
    struct Row {
        const char16_t* name;
        uint16_t number;
        uint16_t parameters;
        uint32_t blockSize;
    };
    const Row rows[] = {{u"Angle", 100, 2, 8},      {u"MakeTofD", 110, 4, 16},  {u"Array", 135, 4, 20},
                        {u"ReadData", 134, 4, 32},  {u"Format", 137, 3, 24},    {u"ToNumber", 147, 1, 8},
                        {u"ReadArray", 149, 3, 24}, {u"Line", 1002, 2, 24},     {u"Dot", 1015, 0, 0},
                        {u"Pixel", 1015, 1, 16},    {u"EllipseSector", 1022, 6, 28}, {u"Fill", 1023, 0, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name, row.name + std::char_traits<char16_t>::length(row.name)));
        const compiler::Routine* routine = Routine(row.name);
        ASSERT_NE(routine, nullptr);
        EXPECT_EQ(routine->builtinNumber, row.number);
        EXPECT_EQ(routine->type->fields.count, row.parameters);
        EXPECT_EQ(routine->type->fields.size, row.blockSize);
    }
    const compiler::Routine* round = Routine(u"Round");
    const DataItem* mode = Member(*round->type, u"mode");
    EXPECT_EQ(mode->systemDefault, compiler::SystemDefault::EnumValue);
    EXPECT_EQ(mode->defaultWord, 1u);
    EXPECT_TRUE(Member(*Routine(u"Format")->type, u"_datatype")->flags & compiler::kDataHidden);
    EXPECT_EQ(Member(*Routine(u"TextSize")->type, u"font")->cellSize, 8u);  // by reference
}

TEST_F(SystemModuleTest, StatusLeadsTheGlobalDataAndContextElementsAreNamed) {
    const compiler::Module& system = *compilation_->systemModule;
    const DataItem* status = system.dataAreas[1].first;
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(std::u16string(status->entry->name), u"Status");
    EXPECT_EQ(status->offset, 0u);
    EXPECT_EQ(status->type, Type(library::kStatus));
    EXPECT_EQ(compilation_->globalDataTotal, system.dataAreas[1].size);
    const char16_t* names[] = {u"Origin", u"Pen", u"Brush", u"Font", u"Canvas"};
    uint16_t code = library::kPoint;
    for (const char16_t* name : names) {
        const compiler::IdentifierEntry* entry = system.publicList.Find(name);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->category, compiler::kCategoryContextElement);
        EXPECT_EQ(entry->number, code++);
    }
}

// Every allocation of the build fails in turn: each time the compilation is
// refused and nothing is left behind.
TEST(SystemModuleBuild, EveryAllocationFailureIsCleanedUp) {
    ScratchDir dir;
    Settings settings{};
    const uint32_t start = MemLiveCount();
    PrepareSettings(settings, Widen(dir.Path()));
    const uint32_t prepared = MemLiveCount();
    for (uint32_t n = 1;; ++n) {
        Compilation* compilation = nullptr;
        testing::internal::CaptureStdout();
        MemFailAllocationAt(n);
        const Status status = compiler::CreateCompilation(RunMode::RunSource, settings, &compilation);
        MemFailAllocationAt(0);
        testing::internal::GetCapturedStdout();
        if (status == Status::Success) {
            compiler::FreeCompilation(compilation);
            ASSERT_GT(n, 100u);  // the module really was built allocation by allocation
            break;
        }
        ASSERT_EQ(compilation, nullptr);
        ASSERT_EQ(MemLiveCount(), prepared) << "after failing allocation " << n;
    }
    settings.nodes = nullptr;
    EXPECT_EQ(MemLiveCount(), start);
}

}  // namespace
}  // namespace vorlan::test
