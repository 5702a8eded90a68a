#include "value/Text.h"

#include "base/Memory.h"
#include "value/Value.h"

#include <algorithm>
#include <string>

namespace vorlan::runtime {
namespace {

// A block for `count` characters, count and terminator in place.
void* AllocateText(size_t count) {
    void* block = MemAllocate(TextBlockSize(count), kTagText);
    if (!block) return nullptr;
    const auto count16 = static_cast<uint16_t>(count);
    std::memcpy(block, &count16, sizeof count16);
    return block;
}

}  // namespace

Status MakeText(const char16_t* chars, size_t count, void** block) {
    *block = nullptr;
    if (count > kTextMaxCount) return Status::Overflow;
    void* text = AllocateText(count);
    if (!text) return Status::OutOfMemory;
    if (count) std::memcpy(TextChars(text), chars, count * sizeof(char16_t));
    *block = text;
    return Status::Success;
}

Status MakeTextFromString(const char16_t* terminated, void** block) {
    const size_t count = terminated ? std::char_traits<char16_t>::length(terminated) : 0;
    return MakeText(terminated, count, block);
}

Status MakeBlankText(size_t count, void** block) {
    *block = nullptr;
    if (count > kTextMaxCount) return Status::Overflow;
    void* text = AllocateText(count);
    if (!text) return Status::OutOfMemory;
    std::fill_n(TextChars(text), count, u' ');
    *block = text;
    return Status::Success;
}

Status DuplicateText(const void* block, void** copy) {
    *copy = nullptr;
    if (!block) return Status::Success;
    *copy = MemDuplicate(block);
    return *copy ? Status::Success : Status::OutOfMemory;
}

void FreeText(void*& block) { MemRelease(block); }

void ReplaceText(void* cell, void* block) {
    void* old = LoadHandle<void>(cell);
    FreeText(old);
    StoreHandle(cell, block);
}

Status ConcatText(void* cellDest, const void* cellA, const void* cellB) {
    const void* a = LoadHandle<const void>(cellA);
    const void* b = LoadHandle<const void>(cellB);
    if (!a || !b) {
        ReplaceText(cellDest, nullptr);
        return Status::UsingNull;
    }
    const size_t countA = TextCount(a);
    const size_t countB = TextCount(b);
    if (countA + countB > kConcatMaxCount) {
        ReplaceText(cellDest, nullptr);
        return Status::Overflow;
    }
    // Built before the destination lets go, since the destination may be an
    // operand.
    void* joined = AllocateText(countA + countB);
    if (!joined) {
        ReplaceText(cellDest, nullptr);
        return Status::OutOfMemory;
    }
    std::memcpy(TextChars(joined), TextChars(a), countA * sizeof(char16_t));
    std::memcpy(TextChars(joined) + countA, TextChars(b), countB * sizeof(char16_t));
    ReplaceText(cellDest, joined);
    return Status::Success;
}

}  // namespace vorlan::runtime
