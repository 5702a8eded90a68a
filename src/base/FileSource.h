#pragma once
// The one way image readers open their files. The length is known before
// any header is believed, so no header can make a reader allocate for data
// the file does not hold; reads are all-or-nothing.

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace vorlan {

class FileSource {
public:
    // Opens a regular file for reading; anything else (a directory, a device,
    // a missing file) leaves the source closed.
    explicit FileSource(const char* path);
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    ~FileSource();

    bool IsOpen() const { return file_ != nullptr; }
    uint64_t Length() const { return length_; }
    // Bytes not yet taken by Read or NextByte.
    uint64_t Remaining() const { return length_ - position_ + (end_ - next_); }
    // Bytes taken so far: where the next read begins.
    uint64_t Position() const { return length_ - Remaining(); }
    // The stream for libraries that read it themselves; the source still closes it.
    FILE* Stream() const { return file_; }

    // Reads exactly `size` bytes, or fails and reads no further.
    bool Read(void* into, size_t size);
    // Passes over exactly `count` bytes, or fails and reads no further.
    bool Skip(uint64_t count);
    // The next byte, or -1 at the end or after a failure.
    int NextByte() {
        if (next_ < end_) return buffer_[next_++];
        return Refill() ? buffer_[next_++] : -1;
    }

private:
    bool Refill();

    FILE* file_ = nullptr;
    uint64_t length_ = 0;
    uint64_t position_ = 0;
    uint8_t buffer_[4096];
    size_t next_ = 0;
    size_t end_ = 0;
};

inline uint16_t Get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }
inline uint32_t Get32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
           static_cast<uint32_t>(at[3]) << 24;
}

}  // namespace vorlan
