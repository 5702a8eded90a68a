#include "base/PathText.h"

#include "base/Utf8.h"
#include "base/WideText.h"

#include <string>
#include <unistd.h>

namespace vorlan {
namespace {

// A folder that its ".." would fold away; ".." themselves cannot be.
struct Kept {
    uint16_t start;
    bool climbs;
};

bool IsDotDot(const char16_t* name, uint16_t length) { return length == 2 && name[0] == u'.' && name[1] == u'.'; }

uint16_t NameLength(const char16_t* at) {
    uint16_t length = 0;
    while (at[length] && !IsPathSeparator(at[length])) ++length;
    return length;
}

// The path from the root: the working folder first for a relative one.
bool Rooted(const char16_t* path, char16_t* out) {
    if (IsPathSeparator(path[0])) {
        WideCopy(out, path, kPathMax);
    } else {
        char folder[4 * kPathMax + 4];
        if (!getcwd(folder, sizeof folder) || !Utf8ToWide(folder, out, kPathMax)) return false;
        if (WideLength(out) + 1u + WideLength(path) > kPathMax) return false;
        WideAppend(out, u"/", kPathMax);
        WideAppend(out, path, kPathMax);
    }
    NormalisePath(out);
    return true;
}

// `to` from the folder of `from`, both normalised and starting alike at
// `start`. Rooted paths sharing no folder are written whole.
bool Relate(const char16_t* from, const char16_t* to, uint16_t start, char16_t* out) {
    uint16_t f = start, t = start, shared = 0;
    for (;;) {  // the last name of each is its file, not a folder
        const uint16_t length = NameLength(from + f);
        if (!from[f + length] || !IsPathSeparator(to[t + length]) || NameLength(to + t) != length ||
            std::char_traits<char16_t>::compare(from + f, to + t, length) != 0)
            break;
        f = static_cast<uint16_t>(f + length + 1);
        t = static_cast<uint16_t>(t + length + 1);
        ++shared;
    }
    if (start > 0 && shared == 0) {
        WideCopy(out, to, kPathMax);
        return true;
    }
    uint16_t length = 0;
    out[0] = 0;
    for (; from[f]; ++f) {
        if (!IsPathSeparator(from[f])) continue;
        if (length + 3u > kPathMax) return false;
        WideAppend(out, u"../", kPathMax);
        length = static_cast<uint16_t>(length + 3);
    }
    if (length + WideLength(to + t) > kPathMax) return false;
    WideAppend(out, to + t, kPathMax);
    return true;
}

}  // namespace

bool HasNodeOrDrive(const char16_t* path) {
    for (const char16_t* c = path; *c; ++c) {
        if (*c == u':') return true;
    }
    return false;
}

void PathBesideFile(const char16_t* file, const char16_t* path, char16_t* out) {
    if (IsPlacedPath(path)) {
        WideCopy(out, path, kPathMax);
        return;
    }
    uint16_t cut = 0;
    for (uint16_t i = 0; file[i]; ++i) {
        if (IsPathSeparator(file[i])) cut = static_cast<uint16_t>(i + 1);
    }
    WideCopy(out, file, cut < kPathMax ? cut : kPathMax);
    WideAppend(out, path, kPathMax);
}

void NormalisePath(char16_t* path) {
    if (HasNodeOrDrive(path)) return;
    char16_t out[kPathMax + 1];
    Kept kept[kPathMax + 1];
    uint16_t keptCount = 0, length = 0;
    const char16_t* at = path;
    const bool rooted = IsPathSeparator(*at);
    if (rooted) out[length++] = *at++;
    while (*at) {
        const uint16_t nameLength = NameLength(at);
        const char16_t* name = at;
        at += nameLength;
        const char16_t separator = *at;
        if (separator) ++at;
        if (nameLength == 0 || (nameLength == 1 && name[0] == u'.')) continue;
        const bool climbs = IsDotDot(name, nameLength);
        if (climbs && keptCount > 0 && !kept[keptCount - 1].climbs) {
            length = kept[--keptCount].start;
            continue;
        }
        if (climbs && rooted) continue;  // nothing is above the root
        kept[keptCount++] = {length, climbs};
        for (uint16_t i = 0; i < nameLength; ++i) out[length++] = name[i];
        if (separator) out[length++] = separator;
    }
    if (length == 0) out[length++] = u'.';
    out[length] = 0;
    WideCopy(path, out, kPathMax);
}

bool PathFromFolderOf(const char16_t* file, const char16_t* target, char16_t* out) {
    if (HasNodeOrDrive(target)) {
        WideCopy(out, target, kPathMax);
        return true;
    }
    char16_t from[kPathMax + 1], to[kPathMax + 1];
    WideCopy(from, file, kPathMax);
    WideCopy(to, target, kPathMax);
    NormalisePath(from);
    NormalisePath(to);
    // Two paths from the working folder relate without it, unless the file's
    // folder climbs above it.
    const bool relative = !IsPathSeparator(from[0]) && !IsPathSeparator(to[0]);
    if (relative && !IsDotDot(from, NameLength(from))) return Relate(from, to, 0, out);
    if (!Rooted(file, from) || !Rooted(target, to)) return false;
    return Relate(from, to, 1, out);
}

}  // namespace vorlan
