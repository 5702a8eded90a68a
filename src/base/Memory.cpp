#include "base/Memory.h"
#include "base/ReportLines.h"
#include "base/Sanitizers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>

namespace vorlan {
namespace {

struct BlockHeader {
    BlockHeader* next;
    BlockHeader* prev;
    uint32_t size;
    uint32_t tag;
    uint64_t spare;
};
static_assert(sizeof(BlockHeader) == 32, "the caller's bytes must stay 16-byte aligned");

constexpr uint32_t kReleasedMark = 0x80000000u;

BlockHeader* gNewest = nullptr;
uint32_t gLiveCount = 0;
uint32_t gFailCountdown = 0;

BlockHeader* HeaderOf(const void* block) {
    return reinterpret_cast<BlockHeader*>(const_cast<char*>(static_cast<const char*>(block)) -
                                          sizeof(BlockHeader));
}

// Section - Live set
//
// A second release through a stale copy of an address must be caught without
// reading memory that has gone back to the platform, so membership of the live
// list is kept in an open-addressing set keyed by address, outside the blocks.

uintptr_t* gSlots = nullptr;
size_t gSlotMask = 0;  // capacity - 1, capacity a power of two
size_t gSlotsUsed = 0;

size_t SlotOf(uintptr_t key) {
    return static_cast<size_t>((key >> 4) * 0x9E3779B97F4A7C15ull >> 20) & gSlotMask;
}

bool LiveSetGrow() {
    const size_t capacity = gSlots ? (gSlotMask + 1) * 2 : 1024;
    auto* slots = static_cast<uintptr_t*>(std::calloc(capacity, sizeof(uintptr_t)));
    if (!slots) return false;
    uintptr_t* old = gSlots;
    const size_t oldCapacity = gSlots ? gSlotMask + 1 : 0;
    gSlots = slots;
    gSlotMask = capacity - 1;
    for (size_t i = 0; i < oldCapacity; ++i) {
        if (!old[i]) continue;
        size_t s = SlotOf(old[i]);
        while (gSlots[s]) s = (s + 1) & gSlotMask;
        gSlots[s] = old[i];
    }
    std::free(old);
    return true;
}

bool LiveSetInsert(uintptr_t key) {
    if ((gSlotsUsed + 1) * 2 > gSlotMask + 1 || !gSlots) {
        if (!LiveSetGrow()) return false;
    }
    size_t s = SlotOf(key);
    while (gSlots[s]) s = (s + 1) & gSlotMask;
    gSlots[s] = key;
    ++gSlotsUsed;
    return true;
}

// Removes `key`; false when it was not there. Linear probing with backward
// shifting keeps every chain unbroken without tombstones.
bool LiveSetErase(uintptr_t key) {
    if (!gSlots) return false;
    size_t s = SlotOf(key);
    while (gSlots[s] != key) {
        if (!gSlots[s]) return false;
        s = (s + 1) & gSlotMask;
    }
    size_t hole = s;
    for (size_t i = (hole + 1) & gSlotMask; gSlots[i]; i = (i + 1) & gSlotMask) {
        const size_t home = SlotOf(gSlots[i]);
        // Move the entry back when its home is not cyclically within (hole, i].
        const bool homeInRange = hole <= i ? (home > hole && home <= i) : (home > hole || home <= i);
        if (!homeInRange) {
            gSlots[hole] = gSlots[i];
            hole = i;
        }
    }
    gSlots[hole] = 0;
    --gSlotsUsed;
    return true;
}

// Section - Recent releases
//
// The tags of the last few thousand releases, so that a second release can
// name the tag of the block it refers to.

struct Released {
    uintptr_t address;
    uint32_t tag;
};
constexpr size_t kReleasedRing = 4096;
Released gReleased[kReleasedRing];
size_t gReleasedNext = 0;
uint32_t gReleasedTwice = 0;

uint32_t ReleasedTagOf(uintptr_t address) {
    for (size_t n = 0; n < kReleasedRing; ++n) {
        const Released& r = gReleased[(gReleasedNext + kReleasedRing - 1 - n) % kReleasedRing];
        if (r.address == address) return r.tag & ~kReleasedMark;
    }
    return 0;
}

void AllocationFailed() {
    PrintReportLine(ReportLine::AllocationFailed);
}

// Section - Large blocks
//
// Blocks written whole as soon as they are made (canvases and images) are
// mapped on their own from a megabyte on, aligned to the system's large
// pages and advised to use them. A first write to a fresh page is costly on
// virtual machines: one fault per 2 MB instead of one per 4 KB makes a
// super-sampled canvas ready ten times sooner. Other blocks stay on the
// heap, where a large page could hold much that is never written. The
// header's spare word marks a mapped block for its release. Under the
// address sanitizer every block comes from the heap, which it watches.

constexpr size_t kLargePage = size_t{2} << 20;
#if defined(VL_ADDRESS_SANITIZER)
constexpr size_t kLargeBlock = SIZE_MAX;
#else
constexpr size_t kLargeBlock = size_t{1} << 20;
#endif
constexpr int kAdviseLargePages = 14;  // MADV_HUGEPAGE

size_t LargeMapping(size_t bytes) { return (bytes + kLargePage - 1) & ~(kLargePage - 1); }

// Zero-filled, as fresh pages are; nullptr when the system has no room.
void* MapLarge(size_t bytes) {
    const size_t length = LargeMapping(bytes);
    void* raw = mmap(nullptr, length + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + kLargePage - 1) & ~(kLargePage - 1);
    // The slack on either side goes back at once.
    if (aligned > start) munmap(raw, aligned - start);
    const uintptr_t end = start + length + kLargePage;
    if (end > aligned + length) munmap(reinterpret_cast<void*>(aligned + length), end - (aligned + length));
    // Systems without large pages refuse the advice and map small ones.
    (void)madvise(reinterpret_cast<void*>(aligned), length, kAdviseLargePages);
    return reinterpret_cast<void*>(aligned);
}

constexpr uint64_t kMappedMark = 0x4D41505045444C47ull;  // "MAPPEDLG"

bool Mapped(const BlockHeader* header) { return header->spare == kMappedMark; }

void ReleaseHeader(BlockHeader* header) {
    if (Mapped(header)) munmap(header, LargeMapping(sizeof(BlockHeader) + header->size));
    else std::free(header);
}

void* Allocate(size_t size, uint32_t tag, bool whole) {
    if (gFailCountdown && --gFailCountdown == 0) {
        AllocationFailed();
        return nullptr;
    }
    if (size > UINT32_MAX - sizeof(BlockHeader)) {
        AllocationFailed();
        return nullptr;
    }
    const size_t bytes = sizeof(BlockHeader) + size;
    const bool mapped = whole && bytes >= kLargeBlock;
    auto* header = static_cast<BlockHeader*>(mapped ? MapLarge(bytes) : std::calloc(1, bytes));
    if (!header) {
        AllocationFailed();
        return nullptr;
    }
    header->size = static_cast<uint32_t>(size);
    if (mapped) header->spare = kMappedMark;
    if (!LiveSetInsert(reinterpret_cast<uintptr_t>(header))) {
        ReleaseHeader(header);
        AllocationFailed();
        return nullptr;
    }
    header->tag = tag & ~kReleasedMark;
    header->next = gNewest;
    if (gNewest) gNewest->prev = header;
    gNewest = header;
    ++gLiveCount;
    return header + 1;
}

}  // namespace

void* MemAllocate(size_t size, uint32_t tag) { return Allocate(size, tag, false); }

void* MemAllocateWhole(size_t size, uint32_t tag) { return Allocate(size, tag, true); }

void* MemDuplicate(const void* block) {
    if (!block) return nullptr;
    const BlockHeader* header = HeaderOf(block);
    void* copy = MemAllocate(header->size, header->tag);
    if (copy) std::memcpy(copy, block, header->size);
    return copy;
}

void MemReleaseBlock(void* block) {
    if (!block) return;
    BlockHeader* header = HeaderOf(block);
    const auto key = reinterpret_cast<uintptr_t>(header);
    if (!LiveSetErase(key)) {
        ++gReleasedTwice;
        PrintReportLine(ReportLine::ReleasedTwice, ReleasedTagOf(key));
        return;
    }
    if (header->prev) header->prev->next = header->next;
    else gNewest = header->next;
    if (header->next) header->next->prev = header->prev;
    header->tag |= kReleasedMark;
    gReleased[gReleasedNext] = {key, header->tag};
    gReleasedNext = (gReleasedNext + 1) % kReleasedRing;
    --gLiveCount;
    ReleaseHeader(header);
}

void MemPrefault(void* block) {
    // Below this a block is a few pages at most, already mapped as often as not.
    constexpr size_t kWorthIt = 256 * 1024;
    constexpr uintptr_t kPage = 4096;
    constexpr int kPopulateWrite = 23;  // MADV_POPULATE_WRITE, which older headers lack
    if (!block || HeaderOf(block)->size < kWorthIt) return;
    const auto start = (reinterpret_cast<uintptr_t>(block) + kPage - 1) & ~(kPage - 1);
    const auto end = (reinterpret_cast<uintptr_t>(block) + HeaderOf(block)->size) & ~(kPage - 1);
    // Older kernels refuse the advice; the pages then come as they are written.
    (void)madvise(reinterpret_cast<void*>(start), end - start, kPopulateWrite);
}

uint32_t MemLiveCount() { return gLiveCount; }
uint32_t MemReleasedTwiceCount() { return gReleasedTwice; }
uint32_t MemBlockSize(const void* block) { return block ? HeaderOf(block)->size : 0; }
uint32_t MemBlockTag(const void* block) { return block ? HeaderOf(block)->tag : 0; }

bool MemDump(const char* path) {
    FILE* out = path ? std::fopen(path, "w") : stdout;
    if (!out) return false;
    for (const BlockHeader* h = gNewest; h; h = h->next)
        std::fprintf(out, "%5u %8lu\n", h->tag, static_cast<unsigned long>(h->size));
    if (path) return std::fclose(out) == 0;
    std::fflush(out);
    return true;
}

void MemFailAllocationAt(uint32_t n) { gFailCountdown = n; }

}  // namespace vorlan
