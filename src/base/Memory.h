#pragma once
// The tagged allocator. Every block the system owns comes from here, so the
// driver can tell after a run whether anything was lost and list what was.
//
// A block is a header followed by the caller's bytes:
//
//   +--------+--------+--------+--------+----------+------------------
//   | next   | prev   | size   | tag    | (spare)  | caller's bytes ...
//   +--------+--------+--------+--------+----------+------------------
//     8        8        4        4        8          -> 16-byte aligned
//
// Live blocks form one doubly linked list, newest first. The top bit of the
// tag marks a released block in the ring of recent releases.

#include <cstddef>
#include <cstdint>
#include <new>

namespace vorlan {

// Zero-filled block of `size` bytes, or nullptr after printing the fatal line.
void* MemAllocate(size_t size, uint32_t tag);
// The same for a block written whole as soon as it is made, such as an
// image's cells: from a megabyte on it is mapped on its own in large pages,
// whose first writes cost far less on virtual machines.
void* MemAllocateWhole(size_t size, uint32_t tag);
// A new block with the same size, tag and bytes as `block`; nullptr on failure.
void* MemDuplicate(const void* block);
// Releases a block given by its address; nullptr is harmless. A second release
// is reported and otherwise ignored.
void MemReleaseBlock(void* block);
// Maps every page of a large block at once, where the system can, instead
// of one page fault at a time as it is first written: for a block about to
// be written whole, such as an image being cleared. Small blocks are left.
void MemPrefault(void* block);
// Releases the block a reference holds and clears the reference.
template <class T>
void MemRelease(T*& ref) {
    MemReleaseBlock(const_cast<void*>(static_cast<const void*>(ref)));
    ref = nullptr;
}

uint32_t MemLiveCount();
// Second releases reported since the process began, for checkers that run
// many inputs in one process and must not miss one.
uint32_t MemReleasedTwiceCount();
uint32_t MemBlockSize(const void* block);
uint32_t MemBlockTag(const void* block);
// Writes one line per live block, newest first, to `path` (standard output when
// nullptr). Returns false when the file cannot be written.
bool MemDump(const char* path);

// Testing: the n-th allocation from now fails (0 turns failures off).
void MemFailAllocationAt(uint32_t n);

// Gives a record type class-level new and delete through the allocator, so a
// plain `new T` is counted under `Tag` and comes back as nullptr on failure.
template <uint32_t Tag>
struct Tagged {
    static void* operator new(size_t size) noexcept { return MemAllocate(size, Tag); }
    static void operator delete(void* block) noexcept { MemReleaseBlock(block); }
};

}  // namespace vorlan
