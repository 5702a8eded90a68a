#pragma once
// Routine frames come and go in strict call order, so they are carved from a
// stack of large chunks instead of being allocated one by one: a call costs
// a bump of the top and a clear of its bytes. Chunks stay until the run ends.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vorlan::runtime {

struct FrameChunk {
    FrameChunk* previous;
    FrameChunk* next;  // kept after use, so deep call chains reuse it
    size_t capacity;
    uint64_t spare;
    // the frames follow
    uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(this + 1); }
};
static_assert(sizeof(FrameChunk) % 16 == 0);

struct FrameStack {
    FrameChunk* first = nullptr;
    FrameChunk* current = nullptr;  // nullptr while no frame is in use
    size_t top = 0;  // bytes used in the current chunk
};

// Each frame is preceded by where the top stood before it.
struct FrameHeader {
    FrameChunk* chunk;
    size_t top;
};
static_assert(sizeof(FrameHeader) == 16);

// The bytes a frame of `size` takes, its header included.
inline size_t FrameBytes(uint32_t size) { return sizeof(FrameHeader) + ((size_t{size ? size : 1} + 15) & ~size_t{15}); }

// The frame at `top` of `chunk`, which has room for it, zero-filled.
inline uint8_t* CarveFrame(FrameStack& stack, FrameChunk* chunk, size_t top, size_t need) {
    auto* header = reinterpret_cast<FrameHeader*>(chunk->Bytes() + top);
    header->chunk = stack.current;
    header->top = stack.top;
    uint8_t* frame = reinterpret_cast<uint8_t*>(header + 1);
    // Most frames are a few words: cleared in place rather than by a call.
    const size_t bytes = need - sizeof(FrameHeader);
    if (bytes <= 64) {
        for (size_t at = 0; at < bytes; at += 16) std::memset(frame + at, 0, 16);
    } else {
        std::memset(frame, 0, bytes);
    }
    stack.current = chunk;
    stack.top = top + need;
    return frame;
}

// A frame that needs the next chunk, or a new one.
uint8_t* PushFrameInNextChunk(FrameStack& stack, size_t need);

// A zero-filled frame of `size` bytes, 16-byte aligned; nullptr when memory
// runs out. Calls are the engine's most frequent work: the common case is
// inline.
inline uint8_t* PushFrame(FrameStack& stack, uint32_t size) {
    const size_t need = FrameBytes(size);
    FrameChunk* chunk = stack.current;
    if (!chunk || stack.top + need > chunk->capacity) return PushFrameInNextChunk(stack, need);
    return CarveFrame(stack, chunk, stack.top, need);
}

// Gives back the most recent frame.
inline void PopFrame(FrameStack& stack, uint8_t* frame) {
    if (!frame) return;
    const auto* header = reinterpret_cast<const FrameHeader*>(frame) - 1;
    stack.current = header->chunk;
    stack.top = header->top;
}

void FreeFrameStack(FrameStack& stack);

}  // namespace vorlan::runtime
