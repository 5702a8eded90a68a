#include "base/LanguageFile.h"

#include "base/ReportLines.h"
#include "base/ConfigScanner.h"
#include "base/FileDescriptor.h"
#include "base/LanguageTables.h"
#include "base/Messages.h"
#include "base/Settings.h"
#include "base/TextReader.h"
#include "base/Utf8.h"

#include <dirent.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace vorlan {
namespace {

// Where a key's values go: a table of `count` entries of `capacity` characters.
struct KeyTarget {
    char16_t* first;
    int count;
    int capacity;
};

struct LanguageKey {
    const char16_t* name;
    KeyTarget (*target)(LanguageTables&, int form);
    int form;  // 0..3 for U, L, C, D
};

KeyTarget Months(LanguageTables& t, int f) { return {t.months[f][0], 12, 31}; }
KeyTarget Days(LanguageTables& t, int f) { return {t.days[f][0], 7, 31}; }
KeyTarget Suffixes(LanguageTables& t, int f) { return {t.suffixes[f][0], 31, 7}; }
KeyTarget Halves(LanguageTables& t, int f) { return {t.halves[f][0], 2, 7}; }
KeyTarget Truth(LanguageTables& t, int f) { return {t.truth[f][0], 2, 31}; }

// clang-format off
constexpr LanguageKey kKeys[] = {
    {u"MonthsU",  &Months,   0}, {u"MonthsL",  &Months,   1}, {u"MonthsC",  &Months,   2}, {u"MonthsD",  &Months,   3},
    {u"DaysU",    &Days,     0}, {u"DaysL",    &Days,     1}, {u"DaysC",    &Days,     2}, {u"DaysD",    &Days,     3},
    {u"SuffixU",  &Suffixes, 0}, {u"SuffixL",  &Suffixes, 1}, {u"SuffixC",  &Suffixes, 2}, {u"SuffixD",  &Suffixes, 3},
    {u"AmPmU",    &Halves,   0}, {u"AmPmL",    &Halves,   1}, {u"AmPmC",    &Halves,   2}, {u"AmPmD",    &Halves,   3},
    {u"LogicalU", &Truth,    0}, {u"LogicalL", &Truth,    1}, {u"LogicalC", &Truth,    2}, {u"LogicalD", &Truth,    3},
};
// clang-format on

const LanguageKey* FindKey(const char16_t* name) {
    for (const LanguageKey& key : kKeys) {
        if (WideEqualNoCase(name, key.name)) return &key;
    }
    return nullptr;
}

void LanguageListError() { PrintReportLine(ReportLine::LanguageFileError); }

// Reads "value, value, ... ;" into the key's table. An error in the list ends
// the list, not the load. Returns false only when a comment does not end.
bool ReadValueList(TextReader& reader, KeyTarget target) {
    char16_t text[kConfigTokenMax + 1];
    int entry = 0;
    bool afterValue = false;
    for (;;) {
        const ConfigToken token = ScanConfigToken(reader, text);
        switch (token) {
        case ConfigToken::Semicolon:
        case ConfigToken::EndOfFile: return true;
        case ConfigToken::Comma:
            if (!afterValue) {
                LanguageListError();
                return true;
            }
            afterValue = false;
            break;
        case ConfigToken::Word:
        case ConfigToken::Quoted:
            if (entry == target.count || afterValue) {
                LanguageListError();
                return true;
            }
            WideCopy(target.first + entry * (target.capacity + 1), text, static_cast<uint16_t>(target.capacity));
            ++entry;
            afterValue = true;
            break;
        case ConfigToken::CommentStart:
            if (!SkipComment(reader)) return false;  // a comment may sit inside a list
            break;
        default: LanguageListError(); return true;
        }
    }
}

// A language that is not there is most often a misspelt one: name those that
// are, from the folder the missing file was looked for in.
void ListLanguages(const char16_t* missingPath) {
    char folder[kUtf8PathCapacity];
    if (!WideToUtf8(missingPath, folder, sizeof folder)) return;
    char* slash = std::strrchr(folder, '/');
    if (!slash) return;
    while (slash > folder && slash[-1] == '/') --slash;  // a node ending in '/' joined to ":/name"
    slash[1] = 0;
    constexpr size_t kMostListed = 64, kNameMax = 7;
    std::array<char, kNameMax + 1> names[kMostListed];
    size_t count = 0;
    if (DIR* dir = opendir(folder)) {
        while (const dirent* entry = readdir(dir)) {
            const size_t length = std::strlen(entry->d_name);
            if (length < 5 || length - 4 > kNameMax || std::strcmp(entry->d_name + length - 4, ".ini") != 0) continue;
            if (count == kMostListed) break;
            std::memcpy(names[count].data(), entry->d_name, length - 4);
            names[count++][length - 4] = 0;
        }
        closedir(dir);
    }
    std::sort(names, names + count, [](const auto& a, const auto& b) { return std::strcmp(a.data(), b.data()) < 0; });
    std::fputs(count ? "Languages:" : "No language files in ", stdout);
    if (!count) std::fputs(folder, stdout);
    for (size_t i = 0; i < count; ++i) std::printf(" %s", names[i].data());
    std::fputs("\n", stdout);
}

}  // namespace

bool LoadLanguageFile(const char16_t* language, const Settings& settings, LanguageTables& tables) {
    char16_t path[kPathMax + 1];
    WideCopy(path, u"LANGFILES:/", kPathMax);
    WideAppend(path, language, kPathMax);
    WideAppend(path, u".ini", kPathMax);
    uint16_t code = 0;
    const Owned<FileDescriptor> descriptor(MakeFileDescriptor(path, FileKind::Config, settings, &code));
    if (!descriptor) {
        CommandLineReport(code, path);
        return false;
    }
    TextReader* reader = OpenTextReader(descriptor, stdout, &code);
    if (!reader) {
        CommandLineReport(code, descriptor->path);
        if (code == static_cast<uint16_t>(Msg::CouldNotOpenFile)) ListLanguages(descriptor->resolvedPath);
        return false;
    }
    bool ok = true;
    char16_t text[kConfigTokenMax + 1];
    for (bool done = false; ok && !done;) {
        switch (ScanConfigToken(*reader, text)) {
        case ConfigToken::EndOfFile: done = true; break;
        case ConfigToken::CommentStart: ok = SkipComment(*reader); break;
        case ConfigToken::Word:
        case ConfigToken::Quoted: {
            const LanguageKey* key = FindKey(text);
            if (!key || ScanConfigToken(*reader, text) != ConfigToken::Equals) {
                PrintReportLine(ReportLine::LanguageFileEntry);
                ok = false;
                break;
            }
            ok = ReadValueList(*reader, key->target(tables, key->form));
            break;
        }
        default: break;
        }
    }
    CloseTextReader(reader);
    return ok;
}

}  // namespace vorlan
