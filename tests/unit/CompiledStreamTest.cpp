// Compiled files: the primitive items written and read back, the reader's
// refusal of truncated and malformed streams, and the file header.

#include "FileTestSupport.h"

#include "base/Memory.h"
#include "programfile/CompiledHeader.h"
#include "programfile/CompiledStream.h"
#include "base/FileSink.h"
#include "value/Text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vorlan::library {
namespace {

using vorlan::test::Bytes;
using vorlan::test::ReadBytes;
using vorlan::test::TempDir;

// The bytes a writer leaves in a file.
Bytes Written(const std::function<void(CompiledWriter&)>& write) {
    TempDir dir;
    const std::string path = dir.File("items.vrx");
    FILE* file = OpenForWriting(path.c_str());
    if (file == nullptr) {
        ADD_FAILURE() << "cannot create " << path;
        return {};
    }
    CompiledWriter writer(file);
    write(writer);
    EXPECT_EQ(writer.Finish(), Status::Success);
    return ReadBytes(path);
}

Bytes Shorts(std::initializer_list<uint16_t> values) {
    Bytes bytes;
    for (uint16_t value : values) {
        bytes.push_back(static_cast<uint8_t>(value));
        bytes.push_back(static_cast<uint8_t>(value >> 8));
    }
    return bytes;
}

const std::u16string kLongestName(kCompiledNameMax, u'q');
const char16_t kTextChars[] = {u'H', u'\u00e9', u'\xd7ff', u'!'};

// One of every item, with the edge values each one has.
void WriteEveryItem(CompiledWriter& writer) {
    void* text = nullptr;
    void* empty = nullptr;
    ASSERT_EQ(runtime::MakeText(kTextChars, 4, &text), Status::Success);
    ASSERT_EQ(runtime::MakeText(nullptr, 0, &empty), Status::Success);
    EXPECT_EQ(writer.Tag(86), Status::Success);
    EXPECT_EQ(writer.Short(0xFFFF), Status::Success);
    EXPECT_EQ(writer.Long(0x89ABCDEF), Status::Success);
    EXPECT_EQ(writer.Stamp(0x0123456789ABCDEF), Status::Success);
    EXPECT_EQ(writer.Name(nullptr, 0), Status::Success);
    EXPECT_EQ(writer.Name(u"", 0), Status::Success);
    EXPECT_EQ(writer.Name(u"Main", 4), Status::Success);
    EXPECT_EQ(writer.Name(kLongestName.data(), kLongestName.size()), Status::Success);
    EXPECT_EQ(writer.TextValue(nullptr), Status::Success);
    EXPECT_EQ(writer.TextValue(empty), Status::Success);
    EXPECT_EQ(writer.TextValue(text), Status::Success);
    EXPECT_EQ(writer.Type(TypeReference{}), Status::Success);
    EXPECT_EQ(writer.Type(TypeReference{.module = 3, .table = 2, .number = 17}), Status::Success);
    runtime::FreeText(text);
    runtime::FreeText(empty);
}

// What ReadEveryItem found; texts are copied out so their blocks can go.
struct EveryItem {
    uint16_t tag = 0;
    uint16_t value16 = 0;
    uint32_t value32 = 0;
    uint64_t stamp = 0;
    CompiledName names[4];
    bool texts[3] = {};  // present or Null
    std::u16string textChars[3];
    TypeReference types[2];
};

// Reads what WriteEveryItem wrote, freeing every text it makes.
Status ReadEveryItem(CompiledReader& reader, EveryItem* items) {
    VL_PROPAGATE(reader.Tag(&items->tag));
    VL_PROPAGATE(reader.Short(&items->value16));
    VL_PROPAGATE(reader.Long(&items->value32));
    VL_PROPAGATE(reader.Stamp(&items->stamp));
    for (CompiledName& name : items->names) VL_PROPAGATE(reader.Name(&name));
    for (size_t i = 0; i < 3; ++i) {
        void* text = nullptr;
        VL_PROPAGATE(reader.TextValue(&text));
        items->texts[i] = text != nullptr;
        if (text != nullptr) items->textChars[i].assign(runtime::TextChars(text), runtime::TextCount(text));
        runtime::FreeText(text);
    }
    for (TypeReference& type : items->types) VL_PROPAGATE(reader.Type(&type));
    return Status::Success;
}

TEST(CompiledStream, EveryItemRoundTripsLittleEndian) {
    const uint32_t live = MemLiveCount();
    const Bytes bytes = Written(WriteEveryItem);
    // The byte order is fixed by the format, not by the machine.
    const Bytes head = {86, 0, 0xFF, 0xFF, 0xEF, 0xCD, 0xAB, 0x89, 0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01};
    ASSERT_GE(bytes.size(), head.size());
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + head.size()), head);
    // No name, then an empty name with no terminator, then "Main" with one.
    const Bytes names = Shorts({1, 2, 0, 2, 4, u'M', u'a', u'i', u'n', 0});
    EXPECT_EQ(Bytes(bytes.begin() + head.size(), bytes.begin() + head.size() + names.size()), names);
    // The last items: Null text, empty text block, the four-character block, no type, a type.
    const Bytes tail = Shorts({1, 2, 0, 0, 2, 4, u'H', 0xE9, 0xD7FF, u'!', 0, 0, 0, 0, 3, 2, 17});
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_EQ(Bytes(bytes.end() - tail.size(), bytes.end()), tail);

    CompiledReader reader(bytes.data(), bytes.size());
    EveryItem items;
    ASSERT_EQ(ReadEveryItem(reader, &items), Status::Success);
    EXPECT_EQ(items.tag, 86);
    EXPECT_EQ(items.value16, 0xFFFF);
    EXPECT_EQ(items.value32, 0x89ABCDEFu);
    EXPECT_EQ(items.stamp, 0x0123456789ABCDEFu);
    EXPECT_FALSE(items.names[0].present);
    EXPECT_TRUE(items.names[1].present);
    EXPECT_EQ(items.names[1].length, 0);
    EXPECT_EQ(items.names[1].chars[0], 0);
    EXPECT_EQ(std::u16string(items.names[2].chars), u"Main");
    EXPECT_EQ(items.names[2].length, 4);
    EXPECT_EQ(std::u16string(items.names[3].chars), kLongestName);
    EXPECT_FALSE(items.texts[0]);
    EXPECT_TRUE(items.texts[1]);
    EXPECT_EQ(items.textChars[1], u"");
    EXPECT_EQ(items.textChars[2], std::u16string(kTextChars, 4));
    EXPECT_TRUE(items.types[0].IsNone());
    EXPECT_EQ(items.types[1].module, 3);
    EXPECT_EQ(items.types[1].table, 2);
    EXPECT_EQ(items.types[1].number, 17);
    EXPECT_EQ(reader.Remaining(), 0u);
    EXPECT_EQ(MemLiveCount(), live);
}

TEST(CompiledStream, EveryTruncationFailsInsideTheStream) {
    const uint32_t live = MemLiveCount();
    const Bytes bytes = Written(WriteEveryItem);
    for (size_t length = 0; length < bytes.size(); ++length) {
        SCOPED_TRACE("length " + std::to_string(length));
        // An exact-sized copy, so the sanitizer build sees any read past the end.
        const std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + length);
        CompiledReader reader(prefix.data(), prefix.size());
        EveryItem items;
        EXPECT_EQ(ReadEveryItem(reader, &items), Status::Invalid);
        EXPECT_EQ(reader.Remaining(), 0u);
    }
    EXPECT_EQ(MemLiveCount(), live);
}

TEST(CompiledStream, MalformedNamesAndTextsAreRefused) {
    const uint32_t live = MemLiveCount();
    Bytes longName = Shorts({2, kCompiledNameMax + 1});
    for (size_t i = 0; i < kCompiledNameMax + 1; ++i) longName.insert(longName.end(), {'q', 0});
    longName.insert(longName.end(), {0, 0});
    // Each refusal names its reason and the offset of the item at fault:
    // the presence at 0, the length at 2, the characters from 4.
    const struct {
        const char* what;
        Bytes bytes;
        Refusal reason;
        size_t offset;
    } names[] = {
        {"presence 0", Shorts({0, 1, u'a', 0}), Refusal::BadPresence, 0},
        {"presence 3", Shorts({3, 1, u'a', 0}), Refusal::BadPresence, 0},
        {"presence 0xFFFF", Shorts({0xFFFF}), Refusal::BadPresence, 0},
        {"256 characters", longName, Refusal::NameTooLong, 2},
        {"terminator not 0", Shorts({2, 2, u'a', u'b', u'c'}), Refusal::NoTerminator, 4},
        {"length beyond the bytes", Shorts({2, 200, u'a', 0}), Refusal::Truncated, 4},
        {"no length", Shorts({2}), Refusal::Truncated, 2},
    };
    for (const auto& row : names) {
        SCOPED_TRACE(row.what);
        CompiledReader reader(row.bytes.data(), row.bytes.size());
        CompiledName name;
        EXPECT_EQ(reader.Name(&name), Status::Invalid);
        EXPECT_FALSE(name.present);
        EXPECT_EQ(name.chars[0], 0);
        EXPECT_EQ(reader.Refused().reason, row.reason) << RefusalText(reader.Refused().reason);
        EXPECT_EQ(reader.Refused().offset, row.offset);
    }
    const struct {
        const char* what;
        Bytes bytes;
        Refusal reason;
        size_t offset;
    } texts[] = {
        {"presence 0", Shorts({0, 0, 0}), Refusal::BadPresence, 0},
        {"presence 3", Shorts({3, 0, 0}), Refusal::BadPresence, 0},
        {"terminator not 0", Shorts({2, 1, u'a', u'b'}), Refusal::NoTerminator, 4},
        // A count the file cannot hold must not become an allocation.
        {"count beyond the bytes", Shorts({2, 0xFFFF, u'a', 0}), Refusal::Truncated, 4},
        {"count with no characters", Shorts({2, 1}), Refusal::Truncated, 4},
    };
    for (const auto& row : texts) {
        SCOPED_TRACE(row.what);
        CompiledReader reader(row.bytes.data(), row.bytes.size());
        void* text = &text;
        EXPECT_EQ(reader.TextValue(&text), Status::Invalid);
        EXPECT_EQ(text, nullptr);
        EXPECT_EQ(MemLiveCount(), live);
        EXPECT_EQ(reader.Refused().reason, row.reason) << RefusalText(reader.Refused().reason);
        EXPECT_EQ(reader.Refused().offset, row.offset);
    }
    const Bytes tags = Shorts({86, 87});
    CompiledReader reader(tags.data(), tags.size());
    EXPECT_EQ(reader.ExpectTag(86), Status::Success);
    EXPECT_EQ(reader.Refused().reason, Refusal::None);
    EXPECT_EQ(reader.ExpectTag(86), Status::Invalid);
    EXPECT_EQ(reader.Refused().reason, Refusal::UnexpectedTag);
    EXPECT_EQ(reader.Refused().offset, 2u);
    // The first reason stands: what fails after it is a consequence.
    uint16_t past;
    EXPECT_EQ(reader.Short(&past), Status::Invalid);
    EXPECT_EQ(reader.Refused().reason, Refusal::UnexpectedTag);
}

// A count is believed only as far as the rest of the file could hold its entries.
TEST(CompiledStream, CountsBoundedByTheBytesLeft) {
    const Bytes bytes = Shorts({3, 1, 2, 3});
    uint16_t count = 0;
    CompiledReader fits(bytes.data(), bytes.size());
    EXPECT_EQ(fits.Count(&count, 2), Status::Success);
    EXPECT_EQ(count, 3);
    CompiledReader over(bytes.data(), bytes.size());
    EXPECT_EQ(over.Count(&count, 3), Status::Invalid);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(over.Refused().reason, Refusal::CountTooLarge);
    EXPECT_EQ(over.Refused().offset, 0u);
}

TEST(CompiledStream, WriterRefusesANameNoReaderWouldTake) {
    TempDir dir;
    FILE* file = OpenForWriting(dir.File("long.vrx").c_str());
    ASSERT_NE(file, nullptr);
    CompiledWriter writer(file);
    const std::u16string name(kCompiledNameMax + 1, u'q');
    EXPECT_EQ(writer.Name(name.data(), name.size()), Status::Invalid);
    EXPECT_EQ(writer.Short(1), Status::Invalid) << "a failed writer stays failed";
    EXPECT_EQ(writer.Finish(), Status::Invalid);
}

TEST(CompiledStream, AFullDiskIsAFailure) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    FILE* file = std::fopen("/dev/full", "wb");
    ASSERT_NE(file, nullptr);
    CompiledWriter writer(file);
    // The items fit the stream's buffer, so only the flush meets the full disk.
    (void)WriteCompiledHeader(writer, CompiledKind::Program);
    (void)writer.Long(1);
    EXPECT_EQ(writer.Finish(), Status::Invalid);
}

TEST(CompiledHeader, KindsVersionAndMagic) {
    const Bytes program = Written([](CompiledWriter& w) { EXPECT_EQ(WriteCompiledHeader(w, CompiledKind::Program), Status::Success); });
    const Bytes library = Written([](CompiledWriter& w) { EXPECT_EQ(WriteCompiledHeader(w, CompiledKind::Library), Status::Success); });
    EXPECT_EQ(program, Shorts({u'V', u'R', u'X', 0, 1, kCompiledVersion}));
    EXPECT_EQ(library, Shorts({u'V', u'R', u'L', 0, 2, kCompiledVersion}));

    // A refusal names the first item at fault: the magic's units are at
    // offsets 0, 2, 4 and 6, the kind at 8, the version at 10.
    const struct {
        const char* what;
        Bytes bytes;
        CompiledKind expected;
        Status status;
        const char* printed;
        Refusal reason;
        size_t offset;
    } rows[] = {
        {"program", program, CompiledKind::Program, Status::Success, "", Refusal::None, 0},
        {"library", library, CompiledKind::Library, Status::Success, "", Refusal::None, 0},
        {"program read as library", program, CompiledKind::Library, Status::Invalid, "", Refusal::WrongMagic, 4},
        {"library read as program", library, CompiledKind::Program, Status::Invalid, "", Refusal::WrongMagic, 4},
        {"no mark at all", Shorts({u'a', u'b', u'c', u'd', 1, 1}), CompiledKind::Program, Status::Invalid, "",
         Refusal::WrongMagic, 0},
        {"mark without its terminator", Shorts({u'V', u'R', u'X', u'!', 1, 1}), CompiledKind::Program,
         Status::Invalid, "", Refusal::WrongMagic, 6},
        {"program mark, library kind", Shorts({u'V', u'R', u'X', 0, 2, 1}), CompiledKind::Program, Status::Invalid,
         "", Refusal::WrongKind, 8},
        {"the version before", Shorts({u'V', u'R', u'X', 0, 1, kCompiledVersion - 1}), CompiledKind::Program,
         Status::Invalid, "Library/program version error\n", Refusal::OtherVersion, 10},
        {"a later version", Shorts({u'V', u'R', u'X', 0, 1, kCompiledVersion + 1}), CompiledKind::Program,
         Status::Invalid, "Library/program version error\n", Refusal::OtherVersion, 10},
        {"version 0", Shorts({u'V', u'R', u'L', 0, 2, 0}), CompiledKind::Library, Status::Invalid,
         "Library/program version error\n", Refusal::OtherVersion, 10},
        {"no version", Shorts({u'V', u'R', u'X', 0, 1}), CompiledKind::Program, Status::Invalid, "",
         Refusal::Truncated, 10},
        {"half a mark", Bytes{u'V', 0, u'R'}, CompiledKind::Program, Status::Invalid, "", Refusal::Truncated, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CompiledReader reader(row.bytes.data(), row.bytes.size());
        testing::internal::CaptureStdout();
        const Status status = ReadCompiledHeader(reader, row.expected);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), row.printed);
        EXPECT_EQ(status, row.status);
        EXPECT_EQ(reader.Refused().reason, row.reason) << RefusalText(reader.Refused().reason);
        EXPECT_EQ(reader.Refused().offset, row.offset);
    }
}

}  // namespace
}  // namespace vorlan::library
