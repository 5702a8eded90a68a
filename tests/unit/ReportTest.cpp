// File reports and command-line reports: their exact lines, and the cap on
// printed reports.

#include "DriverTestSupport.h"
#include "base/Messages.h"
#include "base/TextReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace vorlan {
namespace {

class ReportTest : public test::DriverFileTest {
protected:
    void SetUp() override {
        DriverFileTest::SetUp();
        uint16_t code = 0;
        descriptor_ = MakeFileDescriptor(u"ROOT:/conf/main.ini", FileKind::Config, settings, &code);
        ASSERT_NE(descriptor_, nullptr);
        stream_ = std::tmpfile();
        ASSERT_NE(stream_, nullptr);
        reader_.reportStream = stream_;
        reader_.position = ReportPosition{descriptor_, 9, 9};
    }
    void TearDown() override {
        if (stream_) std::fclose(stream_);
        FreeFileDescriptor(descriptor_);
        DriverFileTest::TearDown();
    }

    FileDescriptor* descriptor_ = nullptr;
    FILE* stream_ = nullptr;
    TextReader reader_{};
};

TEST_F(ReportTest, LineNamesKindPathPositionTextAndDetail) {
    struct Row {
        int kind;
        const char* prefix;
    };
    const Row rows[] = {{1, "Error - SRC/"}, {2, "Error - INI/"}, {3, "Error - OBJ/"}, {4, "Error - DAT/"},
                        {5, ""}, {6, ""}, {0, ""}, {99, ""}};
    const ReportPosition at{descriptor_, 4, 7};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        descriptor_->kind = static_cast<FileKind>(row.kind);
        EXPECT_EQ(FileReport(&reader_, &at, Msg::UnknownSection, u"fonts"), 1);
    }
    std::string expected;
    for (const Row& row : rows) {
        // The path as written, never the resolved one.
        expected += std::string(row.prefix) + "153: ROOT:/conf/main.ini(4,7): Unknown section name - fonts\n";
    }
    EXPECT_EQ(test::ReadStream(stream_), expected);
}

TEST_F(ReportTest, OnlyTheFirstTwentyArePrintedButAllCount) {
    for (int i = 0; i < 25; ++i) EXPECT_EQ(FileReport(&reader_, nullptr, Msg::BadValue, nullptr), 1);
    EXPECT_EQ(reader_.errorCount, 25);
    const std::string printed = test::ReadStream(stream_);
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), kPrintedReports);
}

TEST_F(ReportTest, CodeZeroIsNoReport) {
    EXPECT_EQ(FileReport(&reader_, nullptr, 0, u"x"), 1);
    EXPECT_EQ(reader_.errorCount, 0);
    EXPECT_EQ(test::ReadStream(stream_), "");
    EXPECT_EQ(FileReport(nullptr, nullptr, Msg::BadValue, nullptr), 0);
}

TEST_F(ReportTest, UnknownCodeSaysSoFirstAndHasNoText) {
    reader_.reportStream = stdout;
    testing::internal::CaptureStdout();
    FileReport(&reader_, nullptr, 999, nullptr);
    FileReport(&reader_, nullptr, 4, u"d");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "**** error 999 not found\n"
              "Error - INI/999: ROOT:/conf/main.ini(9,9):\n"
              "**** error 4 not found\n"
              "Error - INI/004: ROOT:/conf/main.ini(9,9): - d\n");
    EXPECT_EQ(reader_.errorCount, 2);
}

TEST(CommandLineReport, Lines) {
    struct Row {
        uint16_t code;
        const char16_t* detail;
        const char* expected;
    };
    const Row rows[] = {
        {0, u"ignored", ""},
        {7, u"txt", "Error - CMD/007: Unknown file extension txt\n"},
        // The message ends in a blank of its own.
        {102, u"a.vrs", "Error - CMD/102: Could not open file:  a.vrs\n"},
        {5, nullptr, "Error - CMD/005: No program or source specified\n"},
        {103, u"\u00E9/x", "Error - CMD/103: Bad file path \xC3\xA9/x\n"},
        {4, u"x", "**** error 4 not found\nError - CMD/004: x\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        testing::internal::CaptureStdout();
        const int result = CommandLineReport(row.code, row.detail);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), row.expected);
        EXPECT_EQ(result, 1);
    }
}

}  // namespace
}  // namespace vorlan
