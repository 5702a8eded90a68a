#include "interp/FrameStack.h"

#include "base/Owned.h"

#include <cstring>

namespace vorlan::runtime {

constexpr uint32_t kTagFrameChunk = 22005;
constexpr size_t kChunkBytes = 256 * 1024;

struct FrameChunk {
    FrameChunk* previous;
    FrameChunk* next;  // kept after use, so deep call chains reuse it
    size_t capacity;
    uint64_t spare;
    // the frames follow
    uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(this + 1); }
};
static_assert(sizeof(FrameChunk) % 16 == 0);

namespace {

// Each frame is preceded by where the top stood before it.
struct FrameHeader {
    FrameChunk* chunk;
    size_t top;
};
static_assert(sizeof(FrameHeader) == 16);

size_t Rounded(size_t n) { return (n + 15) & ~size_t{15}; }

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

uint8_t* PushFrame(FrameStack& stack, uint32_t size) {
    const size_t need = sizeof(FrameHeader) + Rounded(size ? size : 1);
    FrameChunk* chunk = stack.current;
    size_t top = stack.top;
    if (!chunk || top + need > chunk->capacity) {
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
        chunk = next;
        top = 0;
    }
    auto* header = reinterpret_cast<FrameHeader*>(chunk->Bytes() + top);
    header->chunk = stack.current;
    header->top = stack.top;
    uint8_t* frame = reinterpret_cast<uint8_t*>(header + 1);
    std::memset(frame, 0, need - sizeof(FrameHeader));
    stack.current = chunk;
    stack.top = top + need;
    return frame;
}

void PopFrame(FrameStack& stack, uint8_t* frame) {
    if (!frame) return;
    const auto* header = reinterpret_cast<const FrameHeader*>(frame) - 1;
    stack.current = header->chunk;
    stack.top = header->top;
}

void FreeFrameStack(FrameStack& stack) {
    ReleaseChain(stack.first);
    stack = FrameStack{};
}

}  // namespace vorlan::runtime
