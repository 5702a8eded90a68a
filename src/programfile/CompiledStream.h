#pragma once
// The primitive items of compiled program and library files, written and read
// in mirror pairs. Every number is little-endian whatever the machine:
//
//   tag, short      16-bit unsigned
//   long            32-bit
//   stamp           8 bytes
//   name            presence (1 none, 2 present); if present a 16-bit length n
//                   and, when n > 0, n characters and a 0 terminator
//   text value      presence; if present the text block as held in memory:
//                   count, characters, 0 terminator
//   type reference  three shorts (module, type table, number); all 0 for none
//
// A compiled file is untrusted: the reader checks every length against the
// bytes left before it reads or allocates, so a corrupt file fails cleanly.

#include "base/RunMessages.h"
#include "base/Status.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace vorlan::library {

constexpr uint16_t kPresenceNone = 1;
constexpr uint16_t kPresencePresent = 2;
// Names are read into a fixed buffer; a longer one marks a corrupt file.
constexpr size_t kCompiledNameMax = 255;

struct TypeReference {
    uint16_t module = 0;  // the writing compilation's module number
    uint16_t table = 0;   // type table 1 or 2
    uint16_t number = 0;
    bool IsNone() const { return module == 0 && table == 0 && number == 0; }
};

// Why a file was refused and where: the offset of the item the failed check
// looked at (the item that ran past the end, for a cut file).
struct CompiledRefusal {
    Refusal reason = Refusal::None;
    size_t offset = 0;
};

struct CompiledName {
    bool present = false;
    uint16_t length = 0;
    char16_t chars[kCompiledNameMax + 1] = {};  // always terminated
};

// Writes items to a file opened for binary writing. The first failed write is
// remembered and every later item fails too, so a caller may check each step
// or only Finish; Finish closes the file and fails when any byte was refused,
// including those the system buffered until the flush (a full disk).
class CompiledWriter {
public:
    explicit CompiledWriter(FILE* file) : file_(file) {}
    CompiledWriter(const CompiledWriter&) = delete;
    CompiledWriter& operator=(const CompiledWriter&) = delete;
    ~CompiledWriter();

    Status Tag(uint16_t tag) { return Short(tag); }
    Status Short(uint16_t value);
    Status Long(uint32_t value);
    Status Stamp(uint64_t stamp);
    // `chars` nullptr writes no name; a name longer than kCompiledNameMax
    // fails, since no reader would take it back.
    Status Name(const char16_t* chars, size_t length);
    // A text block (runtime/Text.h) or nullptr for Null Text.
    Status TextValue(const void* block);
    Status Type(const TypeReference& type);
    Status Finish();

private:
    Status Bytes(const uint8_t* bytes, size_t size);

    FILE* file_;
    bool ok_ = true;
};

// Reads items from bytes whose total length is known (a whole file in
// memory). A failed read leaves its out-parameter at its empty value; a
// short read also ends the stream, so nothing after it is believed. A
// malformed stream is Status::Invalid; only TextValue can also fail for memory.
// Every refusal goes through Refuse, which keeps the first reason and the
// offset of the last item read: the place to break when a file is refused.
class CompiledReader {
public:
    CompiledReader(const uint8_t* bytes, size_t length) : bytes_(bytes), length_(length) {}

    size_t Remaining() const { return length_ - position_; }
    // Where the last item read began.
    size_t ItemOffset() const { return item_; }

    // Records why the file is refused (the first reason stands) and returns
    // Status::Invalid for the caller to hand back. The offset is the last
    // item's unless a check made later names an earlier item.
    static constexpr size_t kLastItem = SIZE_MAX;
    Status Refuse(Refusal reason, size_t offset = kLastItem);
    const CompiledRefusal& Refused() const { return refused_; }

    Status Tag(uint16_t* tag) { return Short(tag); }
    // Fails unless the next tag is `expected`.
    Status ExpectTag(uint16_t expected);
    Status Short(uint16_t* value);
    // A count of entries that take at least `leastBytes` each: a count the
    // rest of the file cannot hold is refused before anything is made for it.
    Status Count(uint16_t* count, size_t leastBytes);
    Status Long(uint32_t* value);
    Status Stamp(uint64_t* stamp);
    Status Name(CompiledName* name);
    // A new text block from the tagged allocator, or nullptr for Null Text;
    // the caller owns it.
    Status TextValue(void** block);
    Status Type(TypeReference* type);

private:
    Status Presence(bool* present);
    const uint8_t* Take(size_t size);

    const uint8_t* bytes_;
    size_t length_;
    size_t position_ = 0;
    size_t item_ = 0;
    CompiledRefusal refused_;
};

}  // namespace vorlan::library
