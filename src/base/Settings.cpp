#include "base/Settings.h"

#include <cstring>

namespace vorlan {

Settings& GlobalSettings() {
    static Settings settings{};
    return settings;
}

void FillDefaultSettings(Settings& settings) {
    settings.picture = PictureSettings{.fileType = FileType::Png,
                                       .flags = 0,
                                       .width = 640,
                                       .height = 480,
                                       .colourMix = 1,
                                       .rotation = 0,
                                       .frameRate = 25,
                                       .quality = 1};
    WideCopy(settings.outputDirectory, u".", kPathMax);
    settings.language[0] = 0;
    settings.nodes = nullptr;
    settings.randomSeed = 1;
}

void CopyRunSettings(Settings& settings) {
    RunSettings& run = settings.run;
    run.runMode = RunMode::Nothing;
    run.picture = settings.picture;
    run.versionFlag = 0;
    WideCopy(run.language, settings.language, 7);
    WideCopy(run.outputDirectory, settings.outputDirectory, kPathMax);
    run.filePath[0] = 0;
    run.outputPath[0] = 0;
    run.programArguments = nullptr;
    run.randomSeed = settings.randomSeed;
}

uint16_t ScaleFactor(const PictureSettings& picture) {
    if (picture.fileType == FileType::Pat) return 4;
    return static_cast<uint16_t>(1u << (picture.quality - 1));
}

}  // namespace vorlan
