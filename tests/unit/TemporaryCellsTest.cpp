// The run's keep of temporary cells: a cell handed out again is cleared, the
// keep never grows past a few cells of each size, and it lets every cell go.

#include "base/Memory.h"
#include "interp/TemporaryCells.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace vorlan::runtime {
namespace {

constexpr uint32_t kTag = 22013;

TEST(TemporaryCells, ACellGivenBackComesOutAgainCleared) {
    const uint32_t start = MemLiveCount();
    {
        TemporaryCells keep;
        auto* first = static_cast<uint8_t*>(keep.Take(20, kTag));
        ASSERT_NE(first, nullptr);
        std::memset(first, 0xAB, 20);
        keep.Give(first);
        // Any size of the same class takes the kept cell, cleared through
        // the class's whole size.
        auto* again = static_cast<uint8_t*>(keep.Take(32, kTag));
        EXPECT_EQ(again, first);
        for (int i = 0; i < 32; ++i) EXPECT_EQ(again[i], 0) << i;
        keep.Give(again);
    }
    EXPECT_EQ(MemLiveCount(), start);
}

TEST(TemporaryCells, KeepsOnlyAFewOfEachSizeAndNoLargeOnes) {
    const uint32_t start = MemLiveCount();
    TemporaryCells keep;
    std::vector<void*> cells;
    for (int i = 0; i < 100; ++i) cells.push_back(keep.Take(24, kTag));
    void* large = keep.Take(1000, kTag);
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(MemBlockSize(large), 1000u);
    for (void* cell : cells) keep.Give(cell);
    keep.Give(large);
    const uint32_t kept = MemLiveCount() - start;
    EXPECT_GT(kept, 0u);
    EXPECT_LE(kept, 16u);
    keep.Release();
    EXPECT_EQ(MemLiveCount(), start);
}

TEST(TemporaryCells, WithoutAKeepCellsComeFromTheAllocator) {
    const uint32_t start = MemLiveCount();
    void* cell = TakeTemporaryCell(nullptr, 40, kTag);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(MemBlockSize(cell), 40u);
    EXPECT_EQ(MemLiveCount(), start + 1);
    GiveTemporaryCell(nullptr, cell);
    EXPECT_EQ(MemLiveCount(), start);
}

}  // namespace
}  // namespace vorlan::runtime
