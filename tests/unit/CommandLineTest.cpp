// Reading the command line into the run settings: options in order, the run
// mode from the extension, the scale factor and the output path.

#include "app/CommandLine.h"
#include "base/DirectoryNodes.h"
#include "base/Memory.h"
#include "base/Settings.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <string>
#include <vector>

namespace vorlan {
namespace {

class CommandLineTest : public testing::Test {
protected:
    void SetUp() override {
        start_ = MemLiveCount();
        settings_ = Settings{};
        FillDefaultSettings(settings_);
        ASSERT_TRUE(DefineDirectoryNode(nullptr, nullptr, settings_, u"ROOT", u"/opt/vorlan/"));
        CopyRunSettings(settings_);
    }
    void TearDown() override {
        settings_.nodes = nullptr;
        EXPECT_EQ(MemLiveCount(), start_);
    }

    // Runs the command line "vorlan <args>", capturing what it prints.
    bool Read(std::initializer_list<const char16_t*> args) {
        args_ = {u"vorlan"};
        args_.insert(args_.end(), args.begin(), args.end());
        args_.push_back(nullptr);
        testing::internal::CaptureStdout();
        const bool ok = ReadCommandLine(static_cast<int>(args_.size() - 1), args_.data(), settings_);
        printed_ = testing::internal::GetCapturedStdout();
        return ok;
    }

    std::u16string OutputPath() {
        EXPECT_TRUE(BuildOutputPath(settings_));
        return settings_.run.outputPath;
    }

    Settings settings_;
    std::vector<const char16_t*> args_;
    std::string printed_;
    uint32_t start_ = 0;
};

TEST_F(CommandLineTest, LaterOutputOptionWins) {
    ASSERT_TRUE(Read({u"-AVI", u"320x240", u"-BMP", u"100x100", u"prog.vrs"}));
    const RunSettings& run = settings_.run;
    EXPECT_EQ(run.runMode, RunMode::RunSource);
    EXPECT_EQ(run.picture.fileType, FileType::Bmp);
    EXPECT_EQ(run.picture.flags & kFlagVideo, 0u);
    EXPECT_EQ(run.picture.width, 100);
    EXPECT_EQ(run.picture.height, 100);
    EXPECT_EQ(OutputPath(), u"./prog.bmp");
}

TEST_F(CommandLineTest, OutputOptionAfterBuildRunsTheSource) {
    ASSERT_TRUE(Read({u"-PRG", u"-PNG", u"prog.vrs"}));
    EXPECT_EQ(settings_.run.runMode, RunMode::RunSource);
    EXPECT_EQ(settings_.run.picture.width, 640);  // no size given: the configured one stays
    EXPECT_EQ(OutputPath(), u"./prog.png");
}

TEST_F(CommandLineTest, RunModesFromOptionsAndExtensions) {
    struct Row {
        std::vector<const char16_t*> args;
        RunMode mode;
        const char16_t* output;
    };
    const Row rows[] = {
        {{u"-prg", u"demo.VRS"}, RunMode::BuildProgram, u"./demo.vrx"},
        {{u"-Lib", u"demo.vrs"}, RunMode::BuildLibrary, u"./demo.vrl"},
        {{u"demo.vrx"}, RunMode::RunProgram, u"./demo.png"},
        {{u"-JPG", u"demo.vrx"}, RunMode::RunProgram, u"./demo.jpg"},
        {{u"-PAT", u"demo.vrs"}, RunMode::RunSource, u"./demo.pat"},
        {{u"-AVI", u"64x48", u"demo.vrs"}, RunMode::RunSource, u"./demo.avi"},
        {{u"-OUT", u"out", u"C:/src/demo.vrs"}, RunMode::RunSource, u"out/demo.png"},
        {{u"-OUT", u"out/", u"C:\\src\\demo.vrs"}, RunMode::RunSource, u"out/demo.png"},
        {{u"-OUT", u"ROOT:/pics", u"/abs/path/demo.vrs"}, RunMode::RunSource, u"ROOT:/pics/demo.png"},
        // An -OUT ending with the output's own extension names the file.
        {{u"-OUT", u"out/grace.png", u"badge.vrs"}, RunMode::RunSource, u"out/grace.png"},
        {{u"-BMP", u"9x9", u"-OUT", u"a.BMP", u"badge.vrs"}, RunMode::RunSource, u"a.BMP"},
        {{u"-JPG", u"-OUT", u"a.jpeg", u"badge.vrs"}, RunMode::RunSource, u"a.jpeg"},
        {{u"-JPG", u"-OUT", u"a.Jpg", u"badge.vrs"}, RunMode::RunSource, u"a.Jpg"},
        {{u"-PAT", u"-OUT", u"a.pat", u"badge.vrs"}, RunMode::RunSource, u"a.pat"},
        {{u"-AVI", u"64x48", u"-OUT", u"film.avi", u"badge.vrs"}, RunMode::RunSource, u"film.avi"},
        {{u"-PRG", u"-OUT", u"bin/b.vrx", u"badge.vrs"}, RunMode::BuildProgram, u"bin/b.vrx"},
        {{u"-LIB", u"-OUT", u"lib/b.VRL", u"badge.vrs"}, RunMode::BuildLibrary, u"lib/b.VRL"},
        // Another kind's extension is a folder's name, as it always was.
        {{u"-OUT", u"shots.jpg", u"badge.vrs"}, RunMode::RunSource, u"shots.jpg/badge.png"},
        {{u"-PRG", u"-OUT", u"out.png", u"badge.vrs"}, RunMode::BuildProgram, u"out.png/badge.vrx"},
        {{u"-OUT", u"v1.2/png", u"badge.vrs"}, RunMode::RunSource, u"v1.2/png/badge.png"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row with " << row.args.size() << " arguments, output "
                                        << std::string(row.output, row.output + std::char_traits<char16_t>::length(row.output)));
        CopyRunSettings(settings_);
        args_ = {u"vorlan"};
        args_.insert(args_.end(), row.args.begin(), row.args.end());
        args_.push_back(nullptr);
        ASSERT_TRUE(ReadCommandLine(static_cast<int>(args_.size() - 1), args_.data(), settings_));
        EXPECT_EQ(settings_.run.runMode, row.mode);
        EXPECT_EQ(OutputPath(), row.output);
    }
}

TEST_F(CommandLineTest, ScaleFactorFollowsQualityExceptForPatterns) {
    ASSERT_TRUE(Read({u"-QTY", u"3", u"prog.vrs"}));
    EXPECT_EQ(settings_.run.scale, 4);
    CopyRunSettings(settings_);
    ASSERT_TRUE(Read({u"-QTY", u"2", u"prog.vrs"}));
    EXPECT_EQ(settings_.run.scale, 2);
    CopyRunSettings(settings_);
    ASSERT_TRUE(Read({u"-PAT", u"-QTY", u"1", u"prog.vrs"}));
    EXPECT_EQ(settings_.run.scale, 4);
}

TEST_F(CommandLineTest, SizeLettersAndNumbersWithTrailingText) {
    ASSERT_TRUE(Read({u"-BMP", u"640X480lp", u"-FPS", u"30fps", u"prog.vrs"}));
    EXPECT_EQ(settings_.run.picture.rotation, 1);
    EXPECT_EQ(settings_.run.picture.colourMix, 1);
    EXPECT_EQ(settings_.run.picture.frameRate, 30);
    CopyRunSettings(settings_);
    ASSERT_TRUE(Read({u"-BMP", u"640x480xyz", u"prog.vrs"}));
    EXPECT_EQ(settings_.run.picture.rotation, 0);
    CopyRunSettings(settings_);
    ASSERT_TRUE(Read({u"-PNG", u"20x10RS", u"prog.vrs"}));
    EXPECT_EQ(settings_.run.picture.rotation, 2);
    EXPECT_EQ(settings_.run.picture.colourMix, 2);
}

// A side of 0 pixels is as bad as one over 32767: the run would only fail
// when it came to write the picture. Either side, any output option.
TEST_F(CommandLineTest, SizesAreOneTo32767PixelsEachWay) {
    const char16_t* bad[] = {u"0x0", u"0x480", u"640x0", u"000x10S", u"32768x1", u"1x32768"};
    for (const char16_t* option : {u"-PNG", u"-BMP", u"-AVI", u"-JPG", u"/pat"}) {
        for (const char16_t* size : bad) {
            const std::string text(size, size + std::char_traits<char16_t>::length(size));
            SCOPED_TRACE(text);
            CopyRunSettings(settings_);
            EXPECT_FALSE(Read({option, size, u"prog.vrs"}));
            EXPECT_EQ(printed_, "Error - CMD/003: Invalid size specification:  " + text + "\n");
            EXPECT_EQ(settings_.run.picture.width, 640);
            EXPECT_EQ(settings_.run.picture.height, 480);
        }
    }
    CopyRunSettings(settings_);
    ASSERT_TRUE(Read({u"-BMP", u"1x1", u"prog.vrs"}));
    EXPECT_EQ(settings_.run.picture.width, 1);
    EXPECT_EQ(settings_.run.picture.height, 1);
    CopyRunSettings(settings_);
    ASSERT_TRUE(Read({u"-PNG", u"32767x01", u"prog.vrs"}));
    EXPECT_EQ(settings_.run.picture.width, 32767);
    EXPECT_EQ(settings_.run.picture.height, 1);
}

TEST_F(CommandLineTest, ProgramArgumentsFollowTheFile) {
    ASSERT_TRUE(Read({u"-LNG", u"", u"prog.vrs", u"-BMP", u"width=3"}));
    const char16_t* const* rest = settings_.run.programArguments;
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(std::u16string(rest[0]), u"-BMP");
    EXPECT_EQ(std::u16string(rest[1]), u"width=3");
    EXPECT_EQ(rest[2], nullptr);
}

TEST_F(CommandLineTest, AbsolutePathIsTheFileNotAnOption) {
    ASSERT_TRUE(Read({u"/tmp/prog.vrs"}));
    EXPECT_EQ(std::u16string(settings_.run.filePath), u"/tmp/prog.vrs");
    EXPECT_FALSE(Read({u"/VERX", u"prog.vrs"}));
    EXPECT_EQ(printed_, "Error - CMD/002: Invalid command option:  /VERX\n");
}

TEST_F(CommandLineTest, VersionAloneSucceedsWithNothingToDo) {
    ASSERT_TRUE(Read({u"-ver"}));
    EXPECT_EQ(printed_, "Vorlan version 0.06\n");
    EXPECT_EQ(settings_.run.runMode, RunMode::Nothing);
}

TEST_F(CommandLineTest, HelpInEverySpellingPrintsUsageAndRunsNothing) {
    for (const char16_t* spelling : {u"--help", u"-h", u"-?", u"-HLP", u"/hlp", u"-H"}) {
        SCOPED_TRACE(std::string(spelling, spelling + std::char_traits<char16_t>::length(spelling)));
        CopyRunSettings(settings_);
        // Whatever follows help is neither read nor run.
        ASSERT_TRUE(Read({spelling, u"-bogus", u"prog.vrs"}));
        EXPECT_EQ(settings_.run.runMode, RunMode::Nothing);
        EXPECT_EQ(printed_.rfind("Usage: vorlan [options] file [program arguments]\n", 0), 0u);
        for (const char* word : {"-LNG", "-OUT", "-HLP", "-VER", "Exit codes", "Example:"})
            EXPECT_NE(printed_.find(word), std::string::npos) << word;
    }
    EXPECT_FALSE(Read({u"--hel"}));  // not a spelling of help: a bad option
}

TEST_F(CommandLineTest, BuiltInLanguageIsBoundWhenNoneIsNamed) {
    ASSERT_TRUE(Read({u"prog.vrs"}));
    EXPECT_EQ(std::u16string(MonthName(settings_.languages, 11, 3)), u"Novembro");
}

TEST_F(CommandLineTest, OutputPathTooLongIsRefused) {
    std::u16string directory(250, u'd');
    ASSERT_TRUE(Read({u"-OUT", directory.c_str(), u"program.vrs"}));
    testing::internal::CaptureStdout();
    EXPECT_FALSE(BuildOutputPath(settings_));
    EXPECT_EQ(testing::internal::GetCapturedStdout().substr(0, 29), "Error - CMD/103: Bad file pat");
}

// Random command lines built from option names, sizes, numbers and file names
// never read past the argument vector or lose memory, whatever they say.
TEST_F(CommandLineTest, RandomCommandLinesFailCleanly) {
    const char16_t* pool[] = {u"-BMP", u"-PNG", u"/pat", u"-JPG", u"-AVI", u"-FPS", u"-QTY", u"-OUT", u"-LNG",
                              u"-PRG", u"-LIB", u"-VER", u"-INI", u"-", u"/", u"-X", u"640x480", u"0x0",
                              u"99999x1", u"3", u"0", u"101", u"x", u"a.vrs", u"b.vrx", u"c.vrl", u"d.txt",
                              u"e", u"/abs/f.vrs", u"nowhere:/g.ini", u"", u".", u"h."};
    std::mt19937 random(20261208);
    for (int round = 0; round < 3000; ++round) {
        std::vector<const char16_t*> args;
        const int count = static_cast<int>(random() % 7);
        for (int i = 0; i < count; ++i) args.push_back(pool[random() % std::size(pool)]);
        CopyRunSettings(settings_);
        args_ = {u"vorlan"};
        args_.insert(args_.end(), args.begin(), args.end());
        args_.push_back(nullptr);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        if (ReadCommandLine(static_cast<int>(args_.size() - 1), args_.data(), settings_)) {
            BuildOutputPath(settings_);
        }
        testing::internal::GetCapturedStdout();
        testing::internal::GetCapturedStderr();
        ASSERT_EQ(MemLiveCount(), start_ + 3);  // ROOT's node, name and value
    }
}

}  // namespace
}  // namespace vorlan
