// Paths between files: taken beside a file, normalised to one spelling, and
// turned back into a path from a file's folder.

#include "base/PathText.h"
#include "base/Utf8.h"
#include "base/WideText.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

namespace vorlan {
namespace {

std::u16string Normalised(const char16_t* path) {
    char16_t out[kPathMax + 1];
    WideCopy(out, path, kPathMax);
    NormalisePath(out);
    return out;
}

std::u16string Beside(const char16_t* file, const char16_t* path) {
    char16_t out[kPathMax + 1];
    PathBesideFile(file, path, out);
    return out;
}

std::u16string FromFolderOf(const char16_t* file, const char16_t* target) {
    char16_t out[kPathMax + 1];
    EXPECT_TRUE(PathFromFolderOf(file, target, out));
    return out;
}

TEST(PathText, NormalisedToOneSpelling) {
    const struct {
        const char16_t* path;
        const char16_t* normal;
    } rows[] = {
        {u"parts/geometry.vrl", u"parts/geometry.vrl"},
        {u"./parts/./geometry.vrl", u"parts/geometry.vrl"},
        {u"parts//geometry.vrl", u"parts/geometry.vrl"},
        {u"parts/../labels.vrl", u"labels.vrl"},
        {u"a/b/../../c/../d.vrl", u"d.vrl"},
        {u"../../x.vrl", u"../../x.vrl"},
        {u"a/../../x.vrl", u"../x.vrl"},
        {u"/../a/./b.vrl", u"/a/b.vrl"},
        {u"a\\..\\b\\c.vrl", u"b\\c.vrl"},
        {u"a/..", u"."},
        {u"LIB:a/../b.vrl", u"LIB:a/../b.vrl"},  // a node's folder is not known here
    };
    for (const auto& row : rows) EXPECT_EQ(Normalised(row.path), row.normal);
}

TEST(PathText, BesideAFile) {
    EXPECT_EQ(Beside(u"parts/labels.vrl", u"geometry.vrl"), u"parts/geometry.vrl");
    EXPECT_EQ(Beside(u"labels.vrl", u"geometry.vrl"), u"geometry.vrl");
    EXPECT_EQ(Beside(u"a\\b.vrs", u"c.vrs"), u"a\\c.vrs");
    EXPECT_EQ(Beside(u"parts/labels.vrl", u"/lib/g.vrl"), u"/lib/g.vrl");
    EXPECT_EQ(Beside(u"parts/labels.vrl", u"LIB:g.vrl"), u"LIB:g.vrl");
    const std::u16string longName(kPathMax, u'x');
    EXPECT_EQ(Beside(u"parts/labels.vrl", longName.c_str()).size(), kPathMax) << "cut, never overrun";
}

// What the writer of a library records must lead back to the same file when
// the reader takes it beside the library.
TEST(PathText, FromAFolderAndBackAgain) {
    const struct {
        const char16_t* file;
        const char16_t* target;
        const char16_t* from;
    } rows[] = {
        {u"parts/labels.vrl", u"parts/geometry.vrl", u"geometry.vrl"},
        {u"labels.vrl", u"parts/geometry.vrl", u"parts/geometry.vrl"},
        {u"out/labels.vrl", u"parts/geometry.vrl", u"../parts/geometry.vrl"},
        {u"a/b/c/labels.vrl", u"a/x/geometry.vrl", u"../../x/geometry.vrl"},
        {u"parts/labels.vrl", u"geometry.vrl", u"../geometry.vrl"},
        {u"./parts/labels.vrl", u"parts/./geometry.vrl", u"geometry.vrl"},
        {u"/a/b/labels.vrl", u"/a/geometry.vrl", u"../geometry.vrl"},
        {u"parts/labels.vrl", u"../x.vrl", u"../../x.vrl"},
    };
    for (const auto& row : rows) {
        const std::u16string from = FromFolderOf(row.file, row.target);
        EXPECT_EQ(from, row.from);
        std::u16string back = Beside(row.file, from.c_str());
        char16_t normal[kPathMax + 1];
        WideCopy(normal, back.c_str(), kPathMax);
        NormalisePath(normal);
        EXPECT_EQ(std::u16string(normal), Normalised(row.target));
    }
}

// A library written above the working folder is related through that folder's name.
TEST(PathText, FromAFolderAboveTheWorkingOne) {
    char folder[1024];
    ASSERT_NE(getcwd(folder, sizeof folder), nullptr);
    const std::string name = std::string(folder).substr(std::string(folder).rfind('/') + 1);
    char16_t wide[kPathMax + 1];
    if (name.empty() || !Utf8ToWide(name.c_str(), wide, 100)) GTEST_SKIP() << "working folder is the root or too long";
    EXPECT_EQ(FromFolderOf(u"../labels.vrl", u"parts/geometry.vrl"), std::u16string(wide) + u"/parts/geometry.vrl");
}

TEST(PathText, WrittenWholeWhenNoFolderIsShared) {
    EXPECT_EQ(FromFolderOf(u"/srv/labels.vrl", u"/opt/geometry.vrl"), u"/opt/geometry.vrl");
    EXPECT_EQ(FromFolderOf(u"parts/labels.vrl", u"LIB:geometry.vrl"), u"LIB:geometry.vrl");
    // A relative target under a rooted library is made rooted from the working folder.
    char folder[1024];
    ASSERT_NE(getcwd(folder, sizeof folder), nullptr);
    char16_t wide[kPathMax + 1];
    if (!Utf8ToWide(folder, wide, kPathMax - 20) || folder[1] == 0) GTEST_SKIP() << "working folder too long or the root";
    const std::u16string from = FromFolderOf(u"/nowhere-shared/labels.vrl", u"geometry.vrl");
    EXPECT_EQ(from, std::u16string(wide) + u"/geometry.vrl");
}

}  // namespace
}  // namespace vorlan
