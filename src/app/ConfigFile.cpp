#include "app/ConfigFile.h"

#include "base/ConfigScanner.h"
#include "base/DirectoryNodes.h"
#include "base/FileDescriptor.h"
#include "base/Messages.h"
#include "base/Settings.h"
#include "app/PictureSize.h"
#include "base/TextReader.h"
#include "base/Utf8.h"

#include <unistd.h>

namespace vorlan {
namespace {

enum class Section { None = 1, Defaults = 2, Directories = 3 };

// Section - Tags of the defaults section

struct FileTypeName {
    const char16_t* name;
    FileType type;
};
constexpr FileTypeName kFileTypeNames[] = {
    {u"BMP", FileType::Bmp}, {u"JPG", FileType::Jpg}, {u"JPEG", FileType::Jpg},
    {u"PNG", FileType::Png}, {u"PAT", FileType::Pat}, {u"AVI", FileType::Avi},
    {u"MP4", FileType::Mp4}, {u"GIF", FileType::Gif},
};

bool SetFileType(Settings& settings, const char16_t* value) {
    for (const FileTypeName& row : kFileTypeNames) {
        if (!WideEqualNoCase(value, row.name)) continue;
        settings.picture.fileType = row.type;
        if (IsVideo(row.type)) settings.picture.flags |= kFlagVideo;
        else settings.picture.flags &= ~kFlagVideo;
        return true;
    }
    return false;
}

bool SetSize(Settings& settings, const char16_t* value) { return ReadPictureSize(value, settings.picture); }

bool SetLanguage(Settings& settings, const char16_t* value) {
    WideCopy(settings.language, value, 7);
    return true;
}

bool SetOutputDirectory(Settings& settings, const char16_t* value) {
    WideCopy(settings.outputDirectory, value, kPathMax);
    return true;
}

bool ReadInRange(const char16_t* value, uint16_t low, uint16_t high, uint16_t* out) {
    uint16_t number;
    if (!ReadLeadingNumber(value, &number) || number < low || number > high) return false;
    *out = number;
    return true;
}

bool SetFrameRate(Settings& settings, const char16_t* value) {
    return ReadInRange(value, 1, 100, &settings.picture.frameRate);
}

bool SetQuality(Settings& settings, const char16_t* value) {
    return ReadInRange(value, 1, 3, &settings.picture.quality);
}

bool SetRandomSeed(Settings& settings, const char16_t* value) { return ReadRandomSeed(value, &settings.randomSeed); }

struct DefaultsTag {
    const char16_t* name;
    bool (*apply)(Settings&, const char16_t*);
};

// clang-format off
constexpr DefaultsTag kDefaultsTags[] = {
    {u"filetype",  &SetFileType},
    {u"size",      &SetSize},
    {u"language",  &SetLanguage},
    {u"outdir",    &SetOutputDirectory},
    {u"framerate", &SetFrameRate},
    {u"quality",   &SetQuality},
    {u"seed",      &SetRandomSeed},
};
// clang-format on

bool ApplyDefaultsTag(TextReader& reader, const ReportPosition& at, Settings& settings,
                      const char16_t* tag, const char16_t* value) {
    for (const DefaultsTag& row : kDefaultsTags) {
        if (!WideEqualNoCase(tag, row.name)) continue;
        if (row.apply(settings, value)) return true;
        FileReport(&reader, &at, Msg::BadValue, value);
        return false;
    }
    FileReport(&reader, &at, Msg::UnknownTag, tag);
    return false;
}

// Section - Statements

// A statement is: tag "=" value ";". The tag has been scanned.
bool ReadStatement(TextReader& reader, const ReportPosition& at, Section section, Settings& settings,
                   const char16_t* tag) {
    // A token in error has been reported by the scanner already, and a
    // character that starts no token fails the load without a report.
    char16_t value[kConfigTokenMax + 1];
    const ConfigToken equals = ScanConfigToken(reader, value);
    if (equals == ConfigToken::None) return false;
    if (equals != ConfigToken::Equals) {
        FileReport(&reader, &at, Msg::ExpectedEquals, nullptr);
        return false;
    }
    const ConfigToken valueToken = ScanConfigToken(reader, value);
    if (valueToken == ConfigToken::None) return false;
    if (!IsConfigValue(valueToken)) {
        FileReport(&reader, &at, Msg::ExpectedValue, nullptr);
        return false;
    }
    switch (section) {
    case Section::Defaults:
        if (!ApplyDefaultsTag(reader, at, settings, tag, value)) return false;
        break;
    case Section::Directories:
        if (WideEqualNoCase(tag, u"ROOT")) {
            FileReport(&reader, &at, Msg::CannotRedefineRoot, nullptr);
            return false;
        }
        if (!DefineDirectoryNode(&reader, &at, settings, tag, value)) return false;
        break;
    case Section::None: return false;  // a statement before any section header
    }
    char16_t end[kConfigTokenMax + 1];
    const ConfigToken semicolon = ScanConfigToken(reader, end);
    if (semicolon == ConfigToken::None) return false;
    if (semicolon != ConfigToken::Semicolon) {
        FileReport(&reader, &at, Msg::ExpectedSemicolonIni, nullptr);
        return false;
    }
    return true;
}

bool ReadSections(TextReader& reader, Settings& settings) {
    Section section = Section::None;
    char16_t text[kConfigTokenMax + 1];
    for (;;) {
        // Reports about a statement point at its tag, not at the blank before it.
        reader.SkipBlanks();
        const ReportPosition at = reader.position;
        switch (ScanConfigToken(reader, text)) {
        case ConfigToken::EndOfFile: return true;
        case ConfigToken::None: return false;
        case ConfigToken::Section:
            if (WideEqualNoCase(text, u"defaults")) {
                section = Section::Defaults;
            } else if (WideEqualNoCase(text, u"directories")) {
                section = Section::Directories;
            } else {
                // Reported at the closing "]": a header never spans lines.
                ReportPosition end = at;
                end.column += WideLength(text) + 1;
                FileReport(&reader, &end, Msg::UnknownSection, text);
                return false;
            }
            break;
        case ConfigToken::CommentStart:
            if (!SkipComment(reader)) return false;
            break;
        case ConfigToken::Word:
        case ConfigToken::Quoted:
            if (!ReadStatement(reader, at, section, settings, text)) return false;
            break;
        default: break;  // stray punctuation is ignored
        }
    }
}

}  // namespace

bool LoadConfigurationFile(const FileDescriptor& descriptor, Settings& settings, FILE* reportStream) {
    uint16_t code = 0;
    TextReader* reader = OpenTextReader(&descriptor, reportStream, &code);
    if (!reader) {
        CommandLineReport(code, descriptor.path);
        return false;
    }
    const bool ok = ReadSections(*reader, settings);
    CloseTextReader(reader);
    return ok;
}

bool LoadMainConfiguration(Settings& settings) {
    FillDefaultSettings(settings);
    char narrow[4096];
    const ssize_t length = readlink("/proc/self/exe", narrow, sizeof narrow - 1);
    char16_t exePath[kPathMax + 1];
    if (length <= 0 || (narrow[length] = 0, !Utf8ToWide(narrow, exePath, kPathMax))) {
        CommandLineReport(Msg::BadFilePath, length > 0 ? exePath : nullptr);
        return false;
    }
    // The executable's directory, separator included.
    uint16_t cut = 0;
    for (uint16_t i = 0; exePath[i]; ++i) {
        if (exePath[i] == u':' || exePath[i] == u'/' || exePath[i] == u'\\') cut = static_cast<uint16_t>(i + 1);
    }
    if (cut == 0) {
        CommandLineReport(Msg::BadValue, exePath);
        return false;
    }
    char16_t directory[kPathMax + 1];
    WideCopy(directory, exePath, cut);
    if (!DefineDirectoryNode(nullptr, nullptr, settings, u"ROOT", directory)) return false;

    // The configuration file is the executable's name with its extension
    // replaced by "ini", or with ".ini" added when the name has none.
    char16_t configPath[kPathMax + 1];
    WideCopy(configPath, exePath, kPathMax);
    uint16_t dot = 0;
    for (uint16_t i = cut; configPath[i]; ++i) {
        if (configPath[i] == u'.') dot = i;
    }
    if (dot) configPath[dot] = 0;
    if (WideLength(configPath) + 4 > kPathMax) {
        CommandLineReport(Msg::CantFindIni, exePath);
        return false;
    }
    WideAppend(configPath, u".ini", kPathMax);

    uint16_t code = 0;
    const Owned<FileDescriptor> descriptor(MakeFileDescriptor(configPath, FileKind::Config, settings, &code));
    if (!descriptor) {
        CommandLineReport(code, configPath);
        return false;
    }
    const bool ok = LoadConfigurationFile(*descriptor, settings, stdout);
    return ok;
}

}  // namespace vorlan
