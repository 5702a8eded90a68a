// The owning handles: every path lets its record go exactly once, and the
// allocator's live count is back where it started.

#include "base/Owned.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <utility>

namespace vorlan {

namespace {

struct Leaf : Tagged<901> {
    int value = 0;
};

// A record with its own count and a release function, as shared nodes have.
struct CountedLeaf : Tagged<902> {
    int holders = 1;
    Owned<Leaf> child;
};

}  // namespace

template <>
struct Retain<CountedLeaf> {
    static void Of(CountedLeaf* leaf) { ++leaf->holders; }
};
template <>
struct Release<CountedLeaf> {
    static void Of(CountedLeaf* leaf) {
        if (--leaf->holders == 0) delete leaf;
    }
};

namespace {

TEST(Owned, ReleasesOnceWhetherKeptMovedTakenOrReplaced) {
    const uint32_t start = MemLiveCount();
    {
        Owned<Leaf> kept(new Leaf);
        Owned<Leaf> moved(new Leaf);
        Owned<Leaf> receiver = std::move(moved);
        EXPECT_EQ(moved.Get(), nullptr);
        Owned<Leaf> replaced(new Leaf);
        replaced.Adopt(new Leaf);
        replaced = nullptr;
        EXPECT_EQ(MemLiveCount(), start + 2);

        Owned<Leaf> handedOn(new Leaf);
        Leaf* raw = handedOn.Take();
        EXPECT_EQ(MemLiveCount(), start + 3);
        delete raw;
    }
    EXPECT_EQ(MemLiveCount(), start);
}

TEST(Owned, SharedRecordsGoWithTheirLastHolder) {
    const uint32_t start = MemLiveCount();
    {
        auto* record = new CountedLeaf;
        record->child.Adopt(new Leaf);
        Shared<CountedLeaf> first(record);
        Shared<CountedLeaf> second = first;
        Shared<CountedLeaf> third;
        third.Adopt(first.Share());
        EXPECT_EQ(record->holders, 3);
        third = second;  // same record: no change in holders
        EXPECT_EQ(record->holders, 3);
        third = std::move(third);
        first = nullptr;
        second = nullptr;
        EXPECT_EQ(MemLiveCount(), start + 2);
    }
    EXPECT_EQ(MemLiveCount(), start);
}

TEST(Owned, BlocksAreZeroedAndReleasedWithTheHolder) {
    const uint32_t start = MemLiveCount();
    {
        OwnedBlock<int> items;
        ASSERT_TRUE(items.Allocate(4, 903));
        EXPECT_EQ(items[3], 0);
        OwnedBlock<int> other = std::move(items);
        EXPECT_EQ(items.Get(), nullptr);
        MemFailAllocationAt(1);
        EXPECT_FALSE(other.Allocate(8, 903));  // the old block goes all the same
        MemFailAllocationAt(0);
        EXPECT_EQ(MemLiveCount(), start);
        ASSERT_TRUE(other.Allocate(2, 903));
    }
    EXPECT_EQ(MemLiveCount(), start);
}

// A handle that is about to go must not give its record away as a plain
// pointer: the record would be freed under the receiver.
static_assert(std::is_convertible_v<Owned<Leaf>&, Leaf*>);
static_assert(!std::is_convertible_v<Owned<Leaf>&&, Leaf*>);
static_assert(std::is_convertible_v<const Shared<CountedLeaf>&, CountedLeaf*>);
static_assert(!std::is_convertible_v<Shared<CountedLeaf>&&, CountedLeaf*>);

TEST(Owned, HolderBlocksLetEveryHeldRecordGo) {
    const uint32_t start = MemLiveCount();
    auto* shared = new CountedLeaf;
    {
        HolderBlock<Shared<CountedLeaf>> slots;
        ASSERT_TRUE(slots.Allocate(3, 904));
        EXPECT_EQ(slots[1].Get(), nullptr);
        slots[0].Adopt(shared);
        slots[2] = slots[0];
        EXPECT_EQ(shared->holders, 2);
        MemFailAllocationAt(1);
        EXPECT_FALSE(slots.Allocate(2, 904));  // the old holders go all the same
        MemFailAllocationAt(0);
        EXPECT_EQ(MemLiveCount(), start);
        EXPECT_FALSE(slots);

        HolderBlock<Owned<Leaf>> owned;
        ASSERT_TRUE(owned.Allocate(2, 904));
        owned[0].Adopt(new Leaf);
        owned[1].Adopt(new Leaf);
    }
    EXPECT_EQ(MemLiveCount(), start);
}

TEST(Owned, BlocksLaidOutElsewhereAreHeldAsRawBytes) {
    const uint32_t start = MemLiveCount();
    {
        OwnedBlock<void> bytes(MemAllocate(12, 903));
        void* raw = bytes;
        EXPECT_NE(raw, nullptr);
        OwnedBlock<void> handedOn(MemAllocate(4, 903));
        void* taken = handedOn.Take();
        EXPECT_EQ(MemLiveCount(), start + 2);
        bytes.Adopt(taken);  // the first block goes; the taken one is held again
        EXPECT_EQ(MemLiveCount(), start + 1);
    }
    EXPECT_EQ(MemLiveCount(), start);
}

}  // namespace
}  // namespace vorlan
