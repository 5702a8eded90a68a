#pragma once
// Owning handles over the tagged allocator, so a record is let go by the
// scope or the record that holds it rather than by a call on every path.
//
//   Owned<T>       one holder; moving hands the record on.
//   Shared<T>      counted holders of a record that keeps its own count
//                  (expression nodes shared between trees).
//   OwnedBlock<T>  an array of plain T in one allocator block; OwnedBlock<void>
//                  holds a block laid out elsewhere (a text or array block).
//   HolderBlock<H> an array of handles (Owned<T>, Shared<T>) in one block;
//                  each lets its record go before the block goes.
//
// How a record is let go is a property of its type: `delete` for records
// derived from Tagged<>, or the type's own release function, named once by a
// specialisation of Release<T> beside the type:
//
//   template <> struct Release<Image> { static void Of(Image* image) { FreeImage(image); } };
//
// The handles convert to the plain pointer, so code that reads a record
// through a handle reads it as before; only the places that hand ownership on
// say so (`Take()`, `Adopt()`). A handle that is about to go does not
// convert, so `T* p = MakeOwned();` and `return local;` from a function that
// returns a plain pointer fail to compile instead of freeing under the caller.

#include "base/Memory.h"

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

namespace vorlan {

template <class T>
struct Release {
    static void Of(T* record) { delete record; }
};

// Shared records name their count: Retain<T>::Of adds a holder, Release<T>::Of
// drops one and frees the record with the last.
template <class T>
struct Retain;

// What the three handles share: one pointer, let go by `Letgo::Of` when the
// handle is done with it.
template <class T, class Letgo>
class Handle {
public:
    Handle() = default;
    explicit Handle(T* record) : record_(record) {}
    Handle(Handle&& other) noexcept : record_(other.Take()) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) Adopt(other.Take());
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Adopt(nullptr); }

    // Lets the current record go and holds `record` instead.
    void Adopt(T* record) {
        T* old = record_;
        record_ = record;
        if (old) Letgo::Of(old);
    }
    // Hands the record to the caller, who now owns it (or its holder).
    [[nodiscard]] T* Take() {
        T* record = record_;
        record_ = nullptr;
        return record;
    }

    T* Get() const { return record_; }
    operator T*() const& { return record_; }
    // A handle about to go would let its record go under the pointer.
    operator T*() const&& = delete;

protected:
    T* record_ = nullptr;
};

template <class T>
class Owned : public Handle<T, Release<T>> {
public:
    using Handle<T, Release<T>>::Handle;
    Owned() = default;
    Owned(std::nullptr_t) {}
    Owned& operator=(std::nullptr_t) {
        this->Adopt(nullptr);
        return *this;
    }
    T* operator->() const { return this->record_; }
    T& operator*() const { return *this->record_; }
};

template <class T>
class Shared : public Handle<T, Release<T>> {
    using Base = Handle<T, Release<T>>;

public:
    using Base::Base;
    Shared() = default;
    Shared(std::nullptr_t) {}
    Shared(Shared&&) noexcept = default;
    Shared& operator=(Shared&&) noexcept = default;
    Shared(const Shared& other) : Base(other.Share()) {}
    Shared& operator=(const Shared& other) {
        this->Adopt(other.Share());
        return *this;
    }
    Shared& operator=(std::nullptr_t) {
        this->Adopt(nullptr);
        return *this;
    }
    // A further holder for the caller.
    [[nodiscard]] T* Share() const {
        if (this->record_) Retain<T>::Of(this->record_);
        return this->record_;
    }
    T* operator->() const { return this->record_; }
    T& operator*() const { return *this->record_; }
};

struct ReleaseBlock {
    static void Of(void* block) { MemReleaseBlock(block); }
};

// A zero-filled array of plain T, released as one block.
template <class T>
class OwnedBlock : public Handle<T, ReleaseBlock> {
    static_assert(std::is_void_v<T> || std::is_trivially_destructible_v<T>, "an allocator block holds plain data");

public:
    using Handle<T, ReleaseBlock>::Handle;
    OwnedBlock() = default;
    OwnedBlock(std::nullptr_t) {}

    // A new block of `count` items under `tag`; false when allocation failed.
    bool Allocate(size_t count, uint32_t tag) {
        this->Adopt(static_cast<T*>(MemAllocate(count * sizeof(T), tag)));
        return this->record_ != nullptr;
    }
    // The same for a block about to be written whole (MemAllocateWhole).
    bool AllocateWhole(size_t count, uint32_t tag) {
        this->Adopt(static_cast<T*>(MemAllocateWhole(count * sizeof(T), tag)));
        return this->record_ != nullptr;
    }
};

// `count` handles in one zero-filled block. The block's size says how many
// there are, so the holder is one pointer, like the plain array it replaces.
template <class Holder>
class HolderBlock {
public:
    HolderBlock() = default;
    HolderBlock(const HolderBlock&) = delete;
    HolderBlock& operator=(const HolderBlock&) = delete;
    ~HolderBlock() { Clear(); }

    // A new block of `count` empty handles under `tag`; false when allocation
    // failed. The old handles let their records go either way.
    bool Allocate(size_t count, uint32_t tag) {
        Clear();
        if (!block_.Allocate(count * sizeof(Holder), tag)) return false;
        for (size_t i = 0; i < count; ++i) new (&Items()[i]) Holder();
        return true;
    }
    void Clear() {
        const size_t count = MemBlockSize(block_) / sizeof(Holder);
        for (size_t i = 0; i < count; ++i) Items()[i].~Holder();
        block_.Adopt(nullptr);
    }

    Holder& operator[](size_t i) const { return Items()[i]; }
    explicit operator bool() const { return block_.Get() != nullptr; }

private:
    Holder* Items() const { return reinterpret_cast<Holder*>(block_.Get()); }

    OwnedBlock<unsigned char> block_;
};

}  // namespace vorlan
