#include "app/CommandLine.h"

#include "app/ConfigFile.h"
#include "app/ExitCodes.h"
#include "base/FileDescriptor.h"
#include "base/LanguageFile.h"
#include "base/Messages.h"
#include "base/Settings.h"
#include "app/PictureSize.h"
#include "base/WideText.h"

#include <cstdio>
#include <iterator>

namespace vorlan {
namespace {

struct ArgumentCursor {
    int count;
    const char16_t* const* args;
    int next;                // the argument after the option being handled
    const char16_t* option;  // the option as written, for reports
};

// The argument an option needs; a missing one is reported as a bad option, so
// nothing reads past the end of the argument vector.
const char16_t* TakeArgument(ArgumentCursor& cursor) {
    if (cursor.next >= cursor.count) {
        CommandLineReport(Msg::InvalidOption, cursor.option);
        return nullptr;
    }
    return cursor.args[cursor.next++];
}

// Section - Option handlers

bool SetOutput(ArgumentCursor& cursor, Settings& settings, FileType type, bool sizeRequired) {
    RunSettings& run = settings.run;
    const bool hasSize = sizeRequired || (cursor.next < cursor.count && IsDecimalDigit(cursor.args[cursor.next][0]));
    if (hasSize) {
        const char16_t* size = TakeArgument(cursor);
        if (!size) return false;
        if (!ReadPictureSize(size, run.picture)) {
            CommandLineReport(Msg::InvalidSize, size);
            return false;
        }
    }
    run.picture.fileType = type;
    if (IsVideo(type)) run.picture.flags |= kFlagVideo;
    else run.picture.flags &= ~kFlagVideo;
    run.runMode = RunMode::Nothing;
    return true;
}

bool OptionBmp(ArgumentCursor& c, Settings& s) { return SetOutput(c, s, FileType::Bmp, true); }
bool OptionPat(ArgumentCursor& c, Settings& s) { return SetOutput(c, s, FileType::Pat, false); }
bool OptionPng(ArgumentCursor& c, Settings& s) { return SetOutput(c, s, FileType::Png, false); }
bool OptionJpg(ArgumentCursor& c, Settings& s) { return SetOutput(c, s, FileType::Jpg, false); }
bool OptionAvi(ArgumentCursor& c, Settings& s) { return SetOutput(c, s, FileType::Avi, true); }
bool OptionMp4(ArgumentCursor& c, Settings& s) { return SetOutput(c, s, FileType::Mp4, true); }
bool OptionGif(ArgumentCursor& c, Settings& s) { return SetOutput(c, s, FileType::Gif, true); }

bool OptionLanguage(ArgumentCursor& cursor, Settings& settings) {
    const char16_t* name = TakeArgument(cursor);
    if (!name) return false;
    WideCopy(settings.run.language, name, 7);
    return true;
}

bool OptionIni(ArgumentCursor& cursor, Settings& settings) {
    const char16_t* path = TakeArgument(cursor);
    if (!path) return false;
    uint16_t code = 0;
    const Owned<FileDescriptor> descriptor(MakeFileDescriptor(path, FileKind::Config, settings, &code));
    if (!descriptor) {
        CommandLineReport(code, path);
        return false;
    }
    const bool ok = LoadConfigurationFile(*descriptor, settings, stdout);
    if (!ok) return false;
    CopyRunSettings(settings);
    return true;
}

bool OptionOut(ArgumentCursor& cursor, Settings& settings) {
    const char16_t* directory = TakeArgument(cursor);
    if (!directory) return false;
    WideCopy(settings.run.outputDirectory, directory, kPathMax);
    return true;
}

bool OptionLib(ArgumentCursor&, Settings& settings) {
    settings.run.runMode = RunMode::BuildLibrary;
    return true;
}

bool OptionPrg(ArgumentCursor&, Settings& settings) {
    settings.run.runMode = RunMode::BuildProgram;
    return true;
}

bool ReadOptionNumber(ArgumentCursor& cursor, uint16_t low, uint16_t high, uint16_t* out) {
    const char16_t* text = TakeArgument(cursor);
    if (!text) return false;
    uint16_t value;
    if (!ReadLeadingNumber(text, &value) || value < low || value > high) {
        CommandLineReport(Msg::BadProgramParameter, text);
        return false;
    }
    *out = value;
    return true;
}

bool OptionFps(ArgumentCursor& c, Settings& s) { return ReadOptionNumber(c, 1, 100, &s.run.picture.frameRate); }
bool OptionQty(ArgumentCursor& c, Settings& s) { return ReadOptionNumber(c, 1, 3, &s.run.picture.quality); }

bool OptionRnd(ArgumentCursor& cursor, Settings& settings) {
    const char16_t* text = TakeArgument(cursor);
    if (!text) return false;
    if (!ReadRandomSeed(text, &settings.run.randomSeed)) {
        CommandLineReport(Msg::BadProgramParameter, text);
        return false;
    }
    return true;
}

bool OptionVersion(ArgumentCursor&, Settings& settings) {
    std::printf("Vorlan version %s\n", kVersion);
    settings.run.versionFlag = 1;
    return true;
}

// Help ends the command line: the usage on standard output, nothing run.
bool OptionHelp(ArgumentCursor&, Settings& settings) {
    PrintUsage(stdout);
    settings.run.runMode = RunMode::Nothing;
    return true;
}

struct OptionRow {
    const char16_t* name;
    bool (*handler)(ArgumentCursor&, Settings&);
    const char* usage;
};

// clang-format off
constexpr OptionRow kOptions[] = {
    {u"LNG", &OptionLanguage, "-LNG name        language file for dates and truth values"},
    {u"BMP", &OptionBmp,      "-BMP WxH[LRPS]   write a bitmap of that size"},
    {u"PAT", &OptionPat,      "-PAT [WxH]       write a pattern file"},
    {u"PNG", &OptionPng,      "-PNG [WxH]       write a PNG picture"},
    {u"JPG", &OptionJpg,      "-JPG [WxH]       write a JPEG picture"},
    {u"AVI", &OptionAvi,      "-AVI WxH[LRPS]   write an AVI video of that frame size"},
    {u"MP4", &OptionMp4,      "-MP4 WxH[LRPS]   write an MP4 video (H.264) of that frame size"},
    {u"GIF", &OptionGif,      "-GIF WxH[LRPS]   write an animated GIF of that frame size"},
    {u"INI", &OptionIni,      "-INI path        read a further configuration file"},
    {u"OUT", &OptionOut,      "-OUT place       the output folder, or the file itself: out/card.png"},
    {u"LIB", &OptionLib,      "-LIB             build a library file (.vrl)"},
    {u"PRG", &OptionPrg,      "-PRG             build a compiled program file (.vrx)"},
    {u"FPS", &OptionFps,      "-FPS n           video frames per second, 1..100"},
    {u"QTY", &OptionQty,      "-QTY n           quality 1..3 (super-sampling 1, 2 or 4)"},
    {u"RND", &OptionRnd,      "-RND n           where random numbers start: 1..1073741823, 0 from the clock"},
    {u"VER", &OptionVersion,  "-VER             print the version"},
    {u"HLP", &OptionHelp,     "-HLP             print this text (also -h, -? and --help)"},
};
// clang-format on
static_assert(std::size(kOptions) == 17);

// The spellings of help that people type first, besides -HLP.
constexpr const char16_t* kHelpSpellings[] = {u"h", u"?", u"-help"};

const OptionRow* FindOption(const char16_t* name) {
    for (const char16_t* spelling : kHelpSpellings) {
        if (WideEqualNoCase(name, spelling)) name = u"HLP";
    }
    for (const OptionRow& row : kOptions) {
        if (WideEqualNoCase(name, row.name)) return &row;
    }
    return nullptr;
}

// The extensions by which an -OUT argument names the output file itself, by
// run mode and picture type; the first is the one a derived name gets.
struct OutputExtensions {
    const char16_t* written;
    const char16_t* alsoNamed;
};

OutputExtensions ExtensionsFor(const RunSettings& run) {
    switch (run.runMode) {
    case RunMode::BuildProgram: return {u"vrx", nullptr};
    case RunMode::BuildLibrary: return {u"vrl", nullptr};
    default: break;
    }
    switch (run.picture.fileType) {
    case FileType::Bmp: return {u"bmp", nullptr};
    case FileType::Png: return {u"png", nullptr};
    case FileType::Avi: return {u"avi", nullptr};
    case FileType::Pat: return {u"pat", nullptr};
    case FileType::Jpg: return {u"jpg", u"jpeg"};
    case FileType::Mp4: return {u"mp4", nullptr};
    case FileType::Gif: return {u"gif", nullptr};
    }
    return {nullptr, nullptr};
}

// Options begin with "-" or "/"; an argument that begins with "/" and holds a
// further "/" or a "." is an absolute path, so it names the file.
bool IsOption(const char16_t* arg) {
    if (arg[0] == u'-') return true;
    if (arg[0] != u'/') return false;
    for (const char16_t* c = arg + 1; *c; ++c) {
        if (*c == u'/' || *c == u'.') return false;
    }
    return true;
}

// The text after the last "." that no separator follows, or nullptr.
const char16_t* ExtensionOf(const char16_t* path) {
    const char16_t* extension = nullptr;
    for (const char16_t* c = path; *c; ++c) {
        if (*c == u'.') extension = c + 1;
        else if (*c == u'/' || *c == u'\\') extension = nullptr;
    }
    return extension;
}

// Fixes the run mode from the file's extension.
bool ClassifyFile(Settings& settings, const char16_t* file) {
    RunSettings& run = settings.run;
    const char16_t* extension = ExtensionOf(file);
    if (extension && WideEqualNoCase(extension, u"vrs")) {
        if (run.runMode == RunMode::Nothing) run.runMode = RunMode::RunSource;
        return true;
    }
    if (extension && WideEqualNoCase(extension, u"vrx")) {
        if (run.runMode != RunMode::Nothing) {
            CommandLineReport(Msg::ExpectedSourceFile, file);
            return false;
        }
        run.runMode = RunMode::RunProgram;
        return true;
    }
    if (extension && WideEqualNoCase(extension, u"vrl")) return false;  // no report
    CommandLineReport(Msg::UnknownExtension, extension && *extension ? extension : nullptr);
    return false;
}

bool BindLanguage(Settings& settings) {
    if (settings.run.language[0]) return LoadLanguageFile(settings.run.language, settings, settings.languages);
    FillBuiltinLanguage(settings.languages);
    return true;
}

}  // namespace

bool ReadCommandLine(int count, const char16_t* const* args, Settings& settings) {
    RunSettings& run = settings.run;
    WideCopy(run.executablePath, count > 0 ? args[0] : u"", kPathMax);
    int next = 1;
    while (next < count && IsOption(args[next])) {
        const char16_t* arg = args[next++];
        const OptionRow* row = FindOption(arg + 1);
        if (!row) {
            CommandLineReport(Msg::InvalidOption, arg);
            return false;
        }
        ArgumentCursor cursor{count, args, next, arg};
        if (!row->handler(cursor, settings)) return false;
        if (row->handler == &OptionHelp) return true;  // nothing else is read or run
        next = cursor.next;
    }
    if (next >= count) {
        if (run.versionFlag) {
            run.runMode = RunMode::Nothing;
            return true;
        }
        CommandLineReport(Msg::NoProgram);
        PrintUsage(stderr);
        return false;
    }
    const char16_t* file = args[next++];
    // A longer name cut to fit could open a different file: refuse it.
    if (WideLength(file) > kPathMax) {
        CommandLineReport(Msg::BadFilePath, file);
        return false;
    }
    WideCopy(run.filePath, file, kPathMax);
    if (!ClassifyFile(settings, file)) return false;
    run.programArguments = args + next;
    run.scale = ScaleFactor(run.picture);
    return BindLanguage(settings);
}

bool BuildOutputPath(Settings& settings) {
    RunSettings& run = settings.run;
    const char16_t* name = run.filePath;
    for (const char16_t* c = run.filePath; *c; ++c) {
        if (*c == u':' || *c == u'\\' || *c == u'/') name = c + 1;
    }
    if (run.runMode == RunMode::Nothing) return true;
    const OutputExtensions extensions = ExtensionsFor(run);
    const char16_t* extension = extensions.written;
    // An -OUT (or outdir) that ends with the output's own extension is the
    // output file itself; anything else is the folder it goes into.
    if (const char16_t* given = ExtensionOf(run.outputDirectory);
        given && (WideEqualNoCase(given, extension) || (extensions.alsoNamed && WideEqualNoCase(given, extensions.alsoNamed)))) {
        WideCopy(run.outputPath, run.outputDirectory, kPathMax);
        return true;
    }
    char16_t path[2 * kPathMax + 8];
    WideCopy(path, run.outputDirectory, kPathMax);
    const uint16_t length = WideLength(path);
    if (length == 0 || (path[length - 1] != u'/' && path[length - 1] != u'\\')) WideAppend(path, u"/", 2 * kPathMax);
    WideAppend(path, name, 2 * kPathMax);
    const char16_t* dot = ExtensionOf(path);
    if (dot) path[dot - path] = 0;
    else WideAppend(path, u".", 2 * kPathMax);
    WideAppend(path, extension, 2 * kPathMax);
    if (WideLength(path) > kPathMax) {
        CommandLineReport(Msg::BadFilePath, path);
        return false;
    }
    WideCopy(run.outputPath, path, kPathMax);
    return true;
}

void PrintUsage(FILE* out) {
    std::fputs("Usage: vorlan [options] file [program arguments]\n"
               "  file is a source unit (.vrs) or a compiled program (.vrx)\n"
               "Options:\n",
               out);
    for (const OptionRow& row : kOptions) std::fprintf(out, "  %s\n", row.usage);
    std::fputs("Exit codes (docs/command-line.md tells more):\n", out);
    for (const int code : kExitCodesInUse)
        std::fprintf(out, "  %2d  %s\n", code, code == kExitSuccess ? "Success" : ExitCodeName(code));
    std::fputs("Example:\n"
               "  vorlan -PNG 640x480 -QTY 2 -OUT out examples/greeting_card.vrs\n",
               out);
}

}  // namespace vorlan
