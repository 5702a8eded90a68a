#include "interp/FrameStack.h"

#include "base/Owned.h"

#include <cstring>

namespace vorlan::runtime {

constexpr uint32_t kTagFrameChunk = 22005;
// Most programs never fill one chunk, so it stays below the size that
// allocators map and unmap on their own for every run; deeper call chains
// add chunks and keep them.
constexpr size_t kChunkBytes = 64 * 1024;

namespace {

FrameChunk* NewChunk(FrameChunk* previous, size_t need) {
    const size_t capacity = need > kChunkBytes ? need : kChunkBytes;
    auto* chunk = static_cast<FrameChunk*>(MemAllocate(sizeof(FrameChunk) + capacity, kTagFrameChunk));
    if (!chunk) return nullptr;
    chunk->previous = previous;
    chunk->capacity = capacity;
    if (previous) previous->next = chunk;
    return chunk;
}

// Lets go of `chunk` and every chunk after it.
void ReleaseChain(FrameChunk* chunk) {
    while (chunk) {
        const OwnedBlock<FrameChunk> gone(chunk);
        chunk = chunk->next;
    }
}

}  // namespace

uint8_t* PushFrameInNextChunk(FrameStack& stack, size_t need) {
    FrameChunk* chunk = stack.current;
    FrameChunk* next = chunk ? chunk->next : stack.first;
    if (next && next->capacity < need) {  // too small for this frame: drop the spare chain
        ReleaseChain(next);
        next = nullptr;
        if (chunk) chunk->next = nullptr;
        else stack.first = nullptr;
    }
    if (!next) next = NewChunk(chunk, need);
    if (!next) return nullptr;
    if (!stack.first) stack.first = next;
    return CarveFrame(stack, next, 0, need);
}

void FreeFrameStack(FrameStack& stack) {
    ReleaseChain(stack.first);
    stack = FrameStack{};
}

}  // namespace vorlan::runtime
