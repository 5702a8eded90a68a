#pragma once
// Owning handles over the tagged allocator, so a record is let go by the
// scope or the record that holds it rather than by a call on every path.
//
//   Owned<T>       one holder; moving hands the record on.
//   Shared<T>      counted holders of a record that keeps its own count
//                  (expression nodes shared between trees).
//   OwnedBlock<T>  an array of plain T in one allocator block.
//
// How a record is let go is a property of its type: `delete` for records
// derived from Tagged<>, or the type's own release function, named once by a
// specialisation of Release<T> beside the type:
//
//   template <> struct Release<Image> { static void Of(Image* image) { FreeImage(image); } };
//
// The handles convert to the plain pointer, so code that reads a record
// through a handle reads it as before; only the places that hand ownership on
// say so (`Take()`, `Adopt()`).

#include "base/Memory.h"

#include <cstddef>
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

template <class T>
class Owned {
public:
    Owned() = default;
    explicit Owned(T* record) : record_(record) {}
    Owned(std::nullptr_t) {}
    Owned(Owned&& other) noexcept : record_(other.Take()) {}
    Owned& operator=(Owned&& other) noexcept {
        Adopt(other.Take());
        return *this;
    }
    Owned& operator=(std::nullptr_t) {
        Adopt(nullptr);
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { Adopt(nullptr); }

    // Lets the current record go and holds `record` instead.
    void Adopt(T* record) {
        T* old = record_;
        record_ = record;
        if (old) Release<T>::Of(old);
    }
    // Hands the record to the caller, who now owns it.
    [[nodiscard]] T* Take() {
        T* record = record_;
        record_ = nullptr;
        return record;
    }

    T* Get() const { return record_; }
    operator T*() const { return record_; }
    T* operator->() const { return record_; }
    T& operator*() const { return *record_; }

private:
    T* record_ = nullptr;
};

template <class T>
class Shared {
public:
    Shared() = default;
    Shared(std::nullptr_t) {}
    // Takes over the holder the caller had (a new record's first one).
    explicit Shared(T* record) : record_(record) {}
    Shared(const Shared& other) : record_(other.record_) {
        if (record_) Retain<T>::Of(record_);
    }
    Shared(Shared&& other) noexcept : record_(other.Take()) {}
    Shared& operator=(const Shared& other) {
        if (other.record_) Retain<T>::Of(other.record_);
        Adopt(other.record_);
        return *this;
    }
    Shared& operator=(Shared&& other) noexcept {
        if (this != &other) Adopt(other.Take());
        return *this;
    }
    Shared& operator=(std::nullptr_t) {
        Adopt(nullptr);
        return *this;
    }
    ~Shared() { Adopt(nullptr); }

    // Drops this holder and takes over the caller's holder of `record`.
    void Adopt(T* record) {
        T* old = record_;
        record_ = record;
        if (old) Release<T>::Of(old);
    }
    // Hands this holder to the caller.
    [[nodiscard]] T* Take() {
        T* record = record_;
        record_ = nullptr;
        return record;
    }
    // A further holder for the caller.
    [[nodiscard]] T* Share() const {
        if (record_) Retain<T>::Of(record_);
        return record_;
    }

    T* Get() const { return record_; }
    operator T*() const { return record_; }
    T* operator->() const { return record_; }
    T& operator*() const { return *record_; }

private:
    T* record_ = nullptr;
};

// A zero-filled array of `count` plain T, released as one block.
template <class T>
class OwnedBlock {
    static_assert(std::is_trivially_destructible_v<T>, "an allocator block holds plain data");

public:
    OwnedBlock() = default;
    OwnedBlock(std::nullptr_t) {}
    explicit OwnedBlock(T* items) : items_(items) {}
    OwnedBlock(OwnedBlock&& other) noexcept : items_(other.Take()) {}
    OwnedBlock& operator=(OwnedBlock&& other) noexcept {
        Adopt(other.Take());
        return *this;
    }
    OwnedBlock(const OwnedBlock&) = delete;
    OwnedBlock& operator=(const OwnedBlock&) = delete;
    ~OwnedBlock() { Adopt(nullptr); }

    // A new block of `count` items under `tag`; false when allocation failed.
    bool Allocate(size_t count, uint32_t tag) {
        Adopt(static_cast<T*>(MemAllocate(count * sizeof(T), tag)));
        return items_ != nullptr;
    }
    void Adopt(T* items) {
        T* old = items_;
        items_ = items;
        MemReleaseBlock(old);
    }
    [[nodiscard]] T* Take() {
        T* items = items_;
        items_ = nullptr;
        return items;
    }

    T* Get() const { return items_; }
    operator T*() const { return items_; }

private:
    T* items_ = nullptr;
};

}  // namespace vorlan
