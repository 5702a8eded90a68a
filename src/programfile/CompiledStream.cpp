#include "programfile/CompiledStream.h"

#include "base/FileSink.h"
#include "value/Text.h"

namespace vorlan::library {

namespace {

void Put16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

uint16_t Get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

}  // namespace

// Section - Writer

CompiledWriter::~CompiledWriter() {
    // A writer abandoned after a failure still closes its file.
    if (file_ != nullptr) (void)FinishFile(file_, false);
}

Status CompiledWriter::Bytes(const uint8_t* bytes, size_t size) {
    if (ok_ && !WriteAll(file_, bytes, size)) ok_ = false;
    return ok_ ? Status::Success : Status::Invalid;
}

Status CompiledWriter::Short(uint16_t value) {
    uint8_t bytes[2];
    Put16(bytes, value);
    return Bytes(bytes, sizeof bytes);
}

Status CompiledWriter::Long(uint32_t value) {
    uint8_t bytes[4];
    for (size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    return Bytes(bytes, sizeof bytes);
}

Status CompiledWriter::Stamp(uint64_t stamp) {
    uint8_t bytes[8];
    for (size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<uint8_t>(stamp >> (8 * i));
    return Bytes(bytes, sizeof bytes);
}

Status CompiledWriter::Name(const char16_t* chars, size_t length) {
    if (chars == nullptr) return Short(kPresenceNone);
    if (length > kCompiledNameMax) {
        ok_ = false;
        return Status::Invalid;
    }
    VL_PROPAGATE(Short(kPresencePresent));
    VL_PROPAGATE(Short(static_cast<uint16_t>(length)));
    if (length == 0) return Status::Success;  // an empty name has no terminator
    for (size_t i = 0; i < length; ++i) VL_PROPAGATE(Short(chars[i]));
    return Short(0);
}

Status CompiledWriter::TextValue(const void* block) {
    if (block == nullptr) return Short(kPresenceNone);
    VL_PROPAGATE(Short(kPresencePresent));
    const uint16_t count = runtime::TextCount(block);
    const char16_t* chars = runtime::TextChars(block);
    VL_PROPAGATE(Short(count));
    for (size_t i = 0; i < count; ++i) VL_PROPAGATE(Short(chars[i]));
    return Short(0);
}

Status CompiledWriter::Type(const TypeReference& type) {
    VL_PROPAGATE(Short(type.module));
    VL_PROPAGATE(Short(type.table));
    return Short(type.number);
}

Status CompiledWriter::Finish() {
    FILE* file = file_;
    file_ = nullptr;
    if (file == nullptr) return Status::Invalid;
    return FinishFile(file, ok_);
}

// Section - Reader

Status CompiledReader::Refuse(Refusal reason, size_t offset) {
    if (refused_.reason == Refusal::None) refused_ = {reason, offset == kLastItem ? item_ : offset};
    return Status::Invalid;
}

const uint8_t* CompiledReader::Take(size_t size) {
    item_ = position_;
    if (size > Remaining()) {
        position_ = length_;  // a short read ends the stream: nothing after it can be trusted
        return nullptr;
    }
    const uint8_t* at = bytes_ + position_;
    position_ += size;
    return at;
}

Status CompiledReader::Short(uint16_t* value) {
    *value = 0;
    const uint8_t* at = Take(2);
    if (at == nullptr) return Refuse(Refusal::Truncated);
    *value = Get16(at);
    return Status::Success;
}

Status CompiledReader::Count(uint16_t* count, size_t leastBytes) {
    VL_PROPAGATE(Short(count));
    if (size_t{*count} * leastBytes <= Remaining()) return Status::Success;
    *count = 0;
    return Refuse(Refusal::CountTooLarge);
}

Status CompiledReader::ExpectTag(uint16_t expected) {
    uint16_t tag;
    VL_PROPAGATE(Tag(&tag));
    return tag == expected ? Status::Success : Refuse(Refusal::UnexpectedTag);
}

Status CompiledReader::Long(uint32_t* value) {
    *value = 0;
    const uint8_t* at = Take(4);
    if (at == nullptr) return Refuse(Refusal::Truncated);
    for (size_t i = 0; i < 4; ++i) *value |= static_cast<uint32_t>(at[i]) << (8 * i);
    return Status::Success;
}

Status CompiledReader::Stamp(uint64_t* stamp) {
    *stamp = 0;
    const uint8_t* at = Take(8);
    if (at == nullptr) return Refuse(Refusal::Truncated);
    for (size_t i = 0; i < 8; ++i) *stamp |= static_cast<uint64_t>(at[i]) << (8 * i);
    return Status::Success;
}

Status CompiledReader::Presence(bool* present) {
    uint16_t presence;
    VL_PROPAGATE(Short(&presence));
    if (presence != kPresenceNone && presence != kPresencePresent) return Refuse(Refusal::BadPresence);
    *present = presence == kPresencePresent;
    return Status::Success;
}

Status CompiledReader::Name(CompiledName* name) {
    name->present = false;
    name->length = 0;
    name->chars[0] = 0;
    bool present = false;
    VL_PROPAGATE(Presence(&present));
    if (!present) return Status::Success;
    uint16_t length;
    VL_PROPAGATE(Short(&length));
    if (length > kCompiledNameMax) return Refuse(Refusal::NameTooLong);
    if (length > 0) {
        const uint8_t* at = Take((size_t{length} + 1) * 2);  // the characters and the terminator
        if (at == nullptr) return Refuse(Refusal::Truncated);
        if (Get16(at + size_t{length} * 2) != 0) return Refuse(Refusal::NoTerminator);
        for (size_t i = 0; i < length; ++i) name->chars[i] = Get16(at + i * 2);
        name->chars[length] = 0;
    }
    name->present = true;
    name->length = length;
    return Status::Success;
}

Status CompiledReader::TextValue(void** block) {
    *block = nullptr;
    bool present = false;
    VL_PROPAGATE(Presence(&present));
    if (!present) return Status::Success;
    uint16_t count;
    VL_PROPAGATE(Short(&count));
    // Checked before allocating, so the block never outgrows the file.
    const uint8_t* at = Take((size_t{count} + 1) * 2);
    if (at == nullptr) return Refuse(Refusal::Truncated);
    if (Get16(at + size_t{count} * 2) != 0) return Refuse(Refusal::NoTerminator);
    void* made = nullptr;
    VL_PROPAGATE(runtime::MakeBlankText(count, &made));
    char16_t* chars = runtime::TextChars(made);
    for (size_t i = 0; i < count; ++i) chars[i] = Get16(at + i * 2);
    *block = made;
    return Status::Success;
}

Status CompiledReader::Type(TypeReference* type) {
    *type = TypeReference{};
    TypeReference read;
    VL_PROPAGATE(Short(&read.module));
    VL_PROPAGATE(Short(&read.table));
    VL_PROPAGATE(Short(&read.number));
    *type = read;
    return Status::Success;
}

}  // namespace vorlan::library
