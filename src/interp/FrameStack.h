#pragma once
// Routine frames come and go in strict call order, so they are carved from a
// stack of large chunks instead of being allocated one by one: a call costs
// a bump of the top and a clear of its bytes. Chunks stay until the run ends.

#include <cstddef>
#include <cstdint>

namespace vorlan::runtime {

struct FrameChunk;

struct FrameStack {
    FrameChunk* first = nullptr;
    FrameChunk* current = nullptr;  // nullptr while no frame is in use
    size_t top = 0;  // bytes used in the current chunk
};

// A zero-filled frame of `size` bytes, 16-byte aligned; nullptr when memory runs out.
uint8_t* PushFrame(FrameStack& stack, uint32_t size);
// Gives back the most recent frame.
void PopFrame(FrameStack& stack, uint8_t* frame);
void FreeFrameStack(FrameStack& stack);

}  // namespace vorlan::runtime
