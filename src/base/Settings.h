#pragma once
// The settings record: built-in defaults, then the main configuration file,
// then the run settings copied out of it and changed by the options.

#include "base/DirectoryNodes.h"
#include "base/LanguageTables.h"
#include "base/WideText.h"

#include <cstdint>

namespace vorlan {

enum class FileType : uint16_t { Bmp = 1, Png = 2, Avi = 3, Pat = 4, Jpg = 5, Mp4 = 6, Gif = 7 };
// The kinds written frame by frame as the run draws, by the Frame shape.
constexpr bool IsVideo(FileType type) { return type == FileType::Avi || type == FileType::Mp4 || type == FileType::Gif; }
enum class RunMode : uint16_t { Nothing = 1, BuildProgram = 2, RunSource = 3, RunProgram = 4, BuildLibrary = 5 };
constexpr uint32_t kFlagVideo = 1;

// What an output option or the defaults section says about the picture.
struct PictureSettings {
    FileType fileType;
    uint32_t flags;
    uint16_t width;
    uint16_t height;
    uint16_t colourMix;  // 1 Paper, 2 Screen
    uint16_t rotation;   // 0 none, 1 L, 2 R
    uint16_t frameRate;  // 1..100
    uint16_t quality;    // 1..3
};

struct RunSettings {
    RunMode runMode;
    PictureSettings picture;
    uint16_t scale;  // super-sampling factor 1, 2 or 4
    uint32_t versionFlag;
    char16_t language[8];
    char16_t executablePath[kPathMax + 1];
    char16_t filePath[kPathMax + 1];
    char16_t outputDirectory[kPathMax + 1];
    char16_t outputPath[kPathMax + 1];
    const char16_t* const* programArguments;  // null-terminated list, or nullptr
    int64_t randomSeed;  // where the run's random numbers start; 0 until the clock chose one
};

struct Settings {
    PictureSettings picture;
    char16_t outputDirectory[kPathMax + 1];
    char16_t language[8];
    Owned<DirectoryNode> nodes;  // ROOT is always the first defined
    LanguageTables languages;
    int64_t randomSeed;  // 1 unless the configuration says; 0 asks for the clock
    RunSettings run;
};

// The one process-wide settings record.
Settings& GlobalSettings();

void FillDefaultSettings(Settings& settings);
void CopyRunSettings(Settings& settings);
// The super-sampling scale of the run: 4 for patterns, else 1 << (quality - 1).
uint16_t ScaleFactor(const PictureSettings& picture);

}  // namespace vorlan
