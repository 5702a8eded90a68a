// Text files: the byte-order mark, or well-formed UTF-8 without one, chooses
// the decoding, blocks join up seamlessly, and characters can be given back or
// the file rewound.

#include "DriverTestSupport.h"
#include "base/Memory.h"
#include "base/TextFile.h"

#include <gtest/gtest.h>

#include <string>

namespace vorlan {
namespace {

using namespace std::string_literals;
using test::ScratchDir;
using test::Widen;

// Reads to the end, giving up well past anything a file of `limit` bytes holds.
std::u16string ReadAll(TextFile& file, size_t limit = 100000) {
    std::u16string text;
    for (char16_t c; (c = file.Read()) != kEndOfFile && text.size() <= limit;) text += c;
    return text;
}

TEST(TextFile, MarkChoosesTheDecoding) {
    struct Row {
        const char* name;
        std::string bytes;
        TextEncoding encoding;
        std::u16string text;
    };
    const Row rows[] = {
        {"utf16le", "\xFF\xFE" "A\0\xE9\0=\xD8\0\xDE"s, TextEncoding::Utf16LE, u"A\u00E9\U0001F600"},
        {"utf16be", "\xFE\xFF\0A\0\xE9"s, TextEncoding::Utf16BE, u"A\u00E9"},
        {"utf16 lone last byte", "\xFF\xFE" "A\0B"s, TextEncoding::Utf16LE, u"A"},
        {"utf16 mark only", "\xFF\xFE"s, TextEncoding::Utf16LE, u""},
        {"utf16 U+FFFF is not the end", "\xFF\xFE\xFF\xFF" "A\0"s, TextEncoding::Utf16LE, u"\uFFFD" u"A"},
        {"utf8", "\xEF\xBB\xBF" "A\xC3\xA9\xF0\x9F\x98\x80"s, TextEncoding::Utf8, u"A\u00E9\U0001F600"},
        {"utf8 bad continuation", "\xEF\xBB\xBF\xC3" "A"s, TextEncoding::Utf8, u"\uFFFD" u"A"},
        {"utf8 truncated at end", "\xEF\xBB\xBF" "A\xE2\x82"s, TextEncoding::Utf8, u"A\uFFFD"},
        {"utf8 overlong", "\xEF\xBB\xBF\xC0\x80" "B"s, TextEncoding::Utf8, u"\uFFFD" u"B"},
        {"utf8 surrogate", "\xEF\xBB\xBF\xED\xA0\x80"s, TextEncoding::Utf8, u"\uFFFD"},
        {"utf8 without a mark", "A\xC3\xA9\xF0\x9F\x98\x80"s, TextEncoding::Utf8, u"A\u00E9\U0001F600"},
        {"ascii", "plain"s, TextEncoding::Bytes, u"plain"},
        {"no mark, cut short", "A\xC3"s, TextEncoding::Bytes, u"A\u00C3"},
        {"no mark, overlong", "\xC0\x80"s, TextEncoding::Bytes, u"\u00C0\u0080"},
        {"no mark, surrogate", "\xED\xA0\x80"s, TextEncoding::Bytes, u"\u00ED\u00A0\u0080"},
        {"no mark, beyond U+10FFFF", "\xF4\x90\x80\x80"s, TextEncoding::Bytes, u"\u00F4\u0090\u0080\u0080"},
        {"bytes", "A\xE9\xFF\x80"s, TextEncoding::Bytes, u"A\u00E9\u00FF\u0080"},
        {"bytes half a mark", "\xEF\xBB" "A"s, TextEncoding::Bytes, u"\u00EF\u00BB" u"A"},
        {"empty", ""s, TextEncoding::Bytes, u""},
    };
    ScratchDir dir;
    ASSERT_TRUE(dir.Ok());
    const uint32_t start = MemLiveCount();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::u16string path = Widen(dir.Write("enc.txt", row.bytes));
        uint16_t code = 0;
        Owned<TextFile> file(TextFile::Open(path.c_str(), &code));
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->Encoding(), row.encoding);
        EXPECT_EQ(ReadAll(*file), row.text);
        EXPECT_EQ(file->Read(), kEndOfFile);  // and it stays there
    }
    EXPECT_EQ(MemLiveCount(), start);
}

// Multi-byte characters and surrogate pairs fall across the 512-byte block
// boundaries of a file several blocks long.
TEST(TextFile, CharactersSplitAcrossBlocksReadWhole) {
    std::string utf8 = "\xEF\xBB\xBF", le = "\xFF\xFE", bytes;
    std::u16string units, narrow;
    for (int i = 0; i < 150; ++i) {
        utf8 += "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\n";
        units += u"a\u00E9\u20AC\U0001F600\n";
    }
    for (char16_t u : units) le += static_cast<char>(u & 0xFF), le += static_cast<char>(u >> 8);
    for (int i = 0; i < 1600; ++i) bytes += static_cast<char>(i * 7), narrow += static_cast<char16_t>((i * 7) & 0xFF);
    // Without a mark: well-formed all through is UTF-8; one 8-bit byte in the
    // last block makes the whole file 8-bit, its first blocks included.
    const std::string unmarked = utf8.substr(3);
    std::string late = unmarked + "caf\xE9";
    std::u16string lateNarrow;
    for (unsigned char b : late) lateNarrow += static_cast<char16_t>(b);

    struct Row {
        const char* name;
        const std::string& bytes;
        const std::u16string& text;
    };
    const Row rows[] = {{"utf8", utf8, units},         {"utf16le", le, units},
                        {"bytes", bytes, narrow},      {"utf8 without a mark", unmarked, units},
                        {"8-bit at the end", late, lateNarrow}};
    ScratchDir dir;
    ASSERT_TRUE(dir.Ok());
    const uint32_t start = MemLiveCount();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_GT(row.bytes.size(), 1500u);
        const std::u16string path = Widen(dir.Write("long.txt", row.bytes));
        uint16_t code = 0;
        Owned<TextFile> file(TextFile::Open(path.c_str(), &code));
        ASSERT_NE(file, nullptr);
        const std::u16string text = ReadAll(*file);
        EXPECT_EQ(text.size(), row.text.size());
        EXPECT_TRUE(text == row.text);  // not EXPECT_EQ: a failure would print thousands of units
    }
    EXPECT_EQ(MemLiveCount(), start);
}

TEST(TextFile, GiveBackAndRewind) {
    ScratchDir dir;
    ASSERT_TRUE(dir.Ok());
    const uint32_t start = MemLiveCount();
    std::string bytes = "\xEF\xBB\xBF\xF0\x9F\x98\x80" "bc";
    bytes += std::string(600, 'z');  // rewinding must come back from a later block
    const std::u16string path = Widen(dir.Write("rewind.txt", bytes));
    uint16_t code = 0;
    Owned<TextFile> file(TextFile::Open(path.c_str(), &code));
    ASSERT_NE(file, nullptr);

    EXPECT_EQ(file->Read(), 0xD83D);
    // Rewinding between the halves of a pair forgets the pending second half.
    ASSERT_TRUE(file->Rewind());
    EXPECT_EQ(file->Read(), 0xD83D);
    EXPECT_EQ(file->Read(), 0xDE00);
    const char16_t b = file->Read();
    EXPECT_EQ(b, u'b');
    file->GiveBack(b);
    EXPECT_EQ(file->Read(), u'b');
    file->GiveBack(u'x');  // anything may be given back, not just what was read
    EXPECT_EQ(file->Read(), u'x');
    EXPECT_EQ(file->Read(), u'c');

    EXPECT_EQ(ReadAll(*file), std::u16string(600, u'z'));
    file->GiveBack(u'q');
    ASSERT_TRUE(file->Rewind());  // a give-back does not survive a rewind
    EXPECT_EQ(file->Read(), 0xD83D);
    file = nullptr;
    EXPECT_EQ(MemLiveCount(), start);
}

TEST(TextFile, MissingFilesAndDirectoriesDoNotOpen) {
    ScratchDir dir;
    ASSERT_TRUE(dir.Ok());
    const uint32_t start = MemLiveCount();
    const std::u16string paths[] = {Widen(dir.File("missing.txt")), Widen(dir.Path()), u""};
    for (const std::u16string& path : paths) {
        SCOPED_TRACE(std::string(path.begin(), path.end()));
        uint16_t code = 0;
        EXPECT_EQ(TextFile::Open(path.c_str(), &code), nullptr);
        EXPECT_EQ(code, 102);
    }
    EXPECT_EQ(MemLiveCount(), start);
}

}  // namespace
}  // namespace vorlan
