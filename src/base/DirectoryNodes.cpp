#include "base/DirectoryNodes.h"

#include "base/Messages.h"
#include "base/PathText.h"
#include "base/Settings.h"
#include "base/TextReader.h"

namespace vorlan {
namespace {

constexpr uint16_t kNodeNameLookup = 30;  // only this much of a name is looked up

// Length of the node name when `path` is a node reference: an ASCII letter,
// then letters and digits, then ":" after at least two characters. 0 otherwise.
uint16_t NodeReferenceLength(const char16_t* path) {
    if (!IsAsciiLetter(path[0])) return 0;
    uint16_t n = 1;
    while (IsAsciiLetter(path[n]) || IsDecimalDigit(path[n])) ++n;
    return (n >= 2 && path[n] == u':') ? n : 0;
}

DirectoryNode* FindNode(const Settings& settings, const char16_t* name) {
    for (DirectoryNode* node = settings.nodes; node; node = node->next) {
        if (WideEqualNoCase(node->name, name)) return node;
    }
    return nullptr;
}

}  // namespace

const char16_t* FindNodeValue(const Settings& settings, const char16_t* name) {
    const DirectoryNode* node = FindNode(settings, name);
    return node ? node->value.Get() : nullptr;
}

bool ResolvePath(const char16_t* path, char16_t* out, uint16_t max, const Settings& settings) {
    const uint16_t nameLength = NodeReferenceLength(path);
    if (nameLength == 0) {
        WideCopy(out, path, max);
        return true;
    }
    char16_t name[kNodeNameLookup + 1];
    WideCopy(name, path, nameLength < kNodeNameLookup ? nameLength : kNodeNameLookup);
    const char16_t* value = FindNodeValue(settings, name);
    if (!value) return false;
    const char16_t* rest = path + nameLength + 1;
    WideCopy(out, value, max);
    const uint16_t valueLength = WideLength(value);
    if ((valueLength == 0 || !IsPathSeparator(value[valueLength - 1])) && rest[0] != u'/')
        WideAppend(out, u"/", max);
    WideAppend(out, rest, max);
    return true;
}

bool DefineDirectoryNode(TextReader* reader, const ReportPosition* at, Settings& settings,
                         const char16_t* name, const char16_t* path) {
    if (WideLength(name) == 1) {
        FileReport(reader, at, Msg::SingleLetterNode, nullptr);
        return false;
    }
    char16_t resolved[kPathMax + 1];
    if (!ResolvePath(path, resolved, kPathMax, settings)) {
        FileReport(reader, at, Msg::BadValue, path);
        return false;
    }
    if (DirectoryNode* node = FindNode(settings, name)) {
        char16_t* value = WideDuplicate(resolved);
        if (!value) {
            FileReport(reader, at, Msg::OutOfMemory, nullptr);
            return false;
        }
        node->value.Adopt(value);
        return true;
    }
    Owned<DirectoryNode> node(new DirectoryNode{});
    if (node) {
        node->name.Adopt(WideDuplicate(name));
        node->value.Adopt(WideDuplicate(resolved));
    }
    if (!node || !node->name || !node->value) {
        FileReport(reader, at, Msg::OutOfMemory, nullptr);
        return false;
    }
    node->next = std::move(settings.nodes);
    settings.nodes = std::move(node);
    return true;
}

}  // namespace vorlan
