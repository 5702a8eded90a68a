// The output place is asked before a run: it must tell a folder that is
// missing or not a folder, and leave every file as it found it.

#include "DriverTestSupport.h"
#include "app/OutputPlace.h"
#include "base/WideText.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vorlan {
namespace {

using test::ReadStream;

class OutputPlaceTest : public test::DriverFileTest {
protected:
    bool Writable(RunMode mode, FileType type, const char16_t* output) {
        CopyRunSettings(settings);
        settings.run.runMode = mode;
        settings.run.picture.fileType = type;
        WideCopy(settings.run.outputPath, output, kPathMax);
        return OutputPlaceWritable(settings);
    }
};

TEST_F(OutputPlaceTest, MissingOrFalseFoldersAreRefusedBeforeTheRun) {
    dir.Write("plain.txt", "x");
    std::filesystem::create_directory(dir.File("taken.png"));
    EXPECT_TRUE(Writable(RunMode::RunSource, FileType::Png, u"ROOT:/new.png"));
    EXPECT_FALSE(Writable(RunMode::RunSource, FileType::Png, u"ROOT:/missing/new.png"));
    EXPECT_FALSE(Writable(RunMode::RunSource, FileType::Png, u"ROOT:/plain.txt/new.png"));
    EXPECT_FALSE(Writable(RunMode::RunSource, FileType::Png, u"ROOT:/taken.png"));
    EXPECT_FALSE(Writable(RunMode::RunSource, FileType::Png, u"NOWHERE:/new.png"));
    EXPECT_FALSE(Writable(RunMode::BuildProgram, FileType::Png, u"ROOT:/missing/p.vrx"));
    EXPECT_FALSE(Writable(RunMode::BuildLibrary, FileType::Png, u"ROOT:/missing/p.vrl"));
    // A video opens its file at the first frame, where a program can trap the failure.
    EXPECT_TRUE(Writable(RunMode::RunSource, FileType::Avi, u"ROOT:/missing/film.avi"));
    EXPECT_TRUE(Writable(RunMode::Nothing, FileType::Png, u"ROOT:/missing/new.png"));
}

TEST_F(OutputPlaceTest, AskingLeavesNothingBehindAndTruncatesNothing) {
    dir.Write("old.png", "picture bytes");
    EXPECT_TRUE(Writable(RunMode::RunSource, FileType::Png, u"ROOT:/old.png"));
    EXPECT_TRUE(Writable(RunMode::RunSource, FileType::Png, u"ROOT:/new.png"));
    EXPECT_TRUE(Writable(RunMode::BuildProgram, FileType::Png, u"ROOT:/new.vrx"));
    FILE* old = std::fopen(dir.File("old.png").c_str(), "rb");
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(ReadStream(old), "picture bytes");
    std::fclose(old);
    EXPECT_FALSE(std::filesystem::exists(dir.File("new.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("new.vrx")));
}

}  // namespace
}  // namespace vorlan
