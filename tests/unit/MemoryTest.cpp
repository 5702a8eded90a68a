// The tagged allocator: the live count, the dump, double releases and
// allocation failures.

#include "base/Memory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vorlan {
namespace {

std::string ReadFile(const char* path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Memory, BlocksAreZeroedCountedAndDumpedNewestFirst) {
    const uint32_t start = MemLiveCount();
    auto* a = static_cast<unsigned char*>(MemAllocate(10, 7));
    void* b = MemAllocate(200, 8);
    void* c = MemAllocate(3000, 9);
    ASSERT_TRUE(a && b && c);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(a[i], 0);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 16, 0u);
    MemRelease(b);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(MemLiveCount(), start + 2);

    const char* path = "memory_test_dump.txt";
    ASSERT_TRUE(MemDump(path));
    const std::string dump = ReadFile(path);
    std::remove(path);
    // The two survivors, newest first, ahead of anything older.
    EXPECT_EQ(dump.substr(0, 30), "    9     3000\n    7       10\n");

    MemRelease(a);
    MemRelease(c);
    EXPECT_EQ(MemLiveCount(), start);
}

TEST(Memory, DuplicateCopiesSizeTagAndBytes) {
    auto* block = static_cast<char*>(MemAllocate(6, 42));
    std::snprintf(block, 6, "abcde");
    auto* copy = static_cast<char*>(MemDuplicate(block));
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "abcde");
    EXPECT_EQ(MemBlockSize(copy), 6u);
    EXPECT_EQ(MemBlockTag(copy), 42u);
    MemRelease(block);
    MemRelease(copy);
}

TEST(Memory, SecondReleaseThroughStaleCopyIsReportedAndIgnored) {
    const uint32_t start = MemLiveCount();
    void* block = MemAllocate(16, 555);
    void* stale = block;
    void* other = MemAllocate(16, 556);
    MemRelease(block);
    const uint32_t twice = MemReleasedTwiceCount();
    testing::internal::CaptureStdout();
    MemReleaseBlock(stale);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "FATAL: Memory error delete twice: 555\n");
    EXPECT_EQ(MemReleasedTwiceCount(), twice + 1);  // counted, for checkers that run many inputs
    EXPECT_EQ(MemLiveCount(), start + 1);
    MemRelease(other);
    EXPECT_EQ(MemLiveCount(), start);
}

// Blocks to be written whole are mapped on their own from a megabyte on;
// they must behave as every other block does, on both sides of the size
// where that starts, and so must their copies, which come from the heap.
TEST(Memory, LargeBlocksAreZeroedWholeAndReleasedOnce) {
    const uint32_t start = MemLiveCount();
    for (const size_t size : {size_t{1} << 20, (size_t{1} << 20) - 40, (size_t{3} << 20) + 1, size_t{4} << 20}) {
        auto* block = static_cast<unsigned char*>(MemAllocateWhole(size, 77));
        ASSERT_NE(block, nullptr) << size;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 16, 0u);
        EXPECT_EQ(block[0] | block[size / 2] | block[size - 1], 0) << size;
        block[0] = 1;
        block[size - 1] = 2;
        auto* copy = static_cast<unsigned char*>(MemDuplicate(block));
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(MemBlockSize(copy), size);
        EXPECT_EQ(copy[size - 1], 2);
        void* stale = block;
        MemRelease(block);
        testing::internal::CaptureStdout();
        MemReleaseBlock(stale);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "FATAL: Memory error delete twice: 77\n");
        MemRelease(copy);
        EXPECT_EQ(MemLiveCount(), start);
    }
}

TEST(Memory, ReleasingNothingIsHarmless) {
    const uint32_t start = MemLiveCount();
    void* none = nullptr;
    MemRelease(none);
    MemReleaseBlock(nullptr);
    EXPECT_EQ(MemLiveCount(), start);
}

TEST(Memory, FailedAllocationPrintsFatalLineAndReturnsNothing) {
    const uint32_t start = MemLiveCount();
    MemFailAllocationAt(2);
    void* first = MemAllocate(8, 1);
    testing::internal::CaptureStdout();
    void* second = MemAllocate(8, 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "FATAL ERROR - Memory Allocation Failed");
    void* third = MemAllocate(8, 1);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_NE(third, nullptr);
    MemRelease(first);
    MemRelease(third);
    EXPECT_EQ(MemLiveCount(), start);
}

// Many blocks released in a scrambled order keep the live set and the list
// consistent: every release succeeds once and the count returns to the start.
TEST(Memory, ManyBlocksReleasedOutOfOrder) {
    const uint32_t start = MemLiveCount();
    std::vector<void*> blocks;
    for (uint32_t i = 0; i < 5000; ++i) blocks.push_back(MemAllocate(i % 97 + 1, i));
    for (size_t step : {7u, 3u, 1u}) {
        for (size_t i = 0; i < blocks.size(); i += step) MemRelease(blocks[i]);
    }
    EXPECT_EQ(MemLiveCount(), start);
}

struct Record : Tagged<77> {
    int value;
};

TEST(Memory, TaggedRecordsComeFromTheAllocator) {
    const uint32_t start = MemLiveCount();
    auto* record = new Record{};
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(MemBlockTag(record), 77u);
    EXPECT_EQ(MemLiveCount(), start + 1);
    MemFailAllocationAt(1);
    testing::internal::CaptureStdout();
    auto* failed = new Record{};
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(failed, nullptr);
    delete record;
    EXPECT_EQ(MemLiveCount(), start);
}

}  // namespace
}  // namespace vorlan
