#include "base/FileSource.h"

#include <cstring>
#include <sys/stat.h>

namespace vorlan {

FileSource::FileSource(const char* path) {
    if (!path) return;
    file_ = std::fopen(path, "rb");
    if (!file_) return;
    struct stat info {};
    if (fstat(fileno(file_), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
        std::fclose(file_);
        file_ = nullptr;
        return;
    }
    length_ = static_cast<uint64_t>(info.st_size);
}

FileSource::~FileSource() {
    if (file_) std::fclose(file_);
}

bool FileSource::Read(void* into, size_t size) {
    if (!file_ || size > Remaining()) return false;
    auto* out = static_cast<uint8_t*>(into);
    // Bytes already buffered by NextByte come first.
    const size_t buffered = end_ - next_ < size ? end_ - next_ : size;
    std::memcpy(out, buffer_ + next_, buffered);
    next_ += buffered;
    const size_t rest = size - buffered;
    if (rest == 0) return true;
    if (std::fread(out + buffered, 1, rest, file_) != rest) {
        position_ = length_;  // a file that shrank while read: nothing more comes
        return false;
    }
    position_ += rest;
    return true;
}

bool FileSource::Skip(uint64_t count) {
    if (!file_ || count > Remaining()) return false;
    const size_t buffered = end_ - next_ < count ? end_ - next_ : static_cast<size_t>(count);
    next_ += buffered;
    const uint64_t rest = count - buffered;
    if (rest == 0) return true;
    // rest <= length_ - position_, which fstat gave as an off_t, so it fits one.
    if (fseeko(file_, static_cast<off_t>(rest), SEEK_CUR) != 0) {
        position_ = length_;
        return false;
    }
    position_ += rest;
    return true;
}

bool FileSource::Refill() {
    if (!file_) return false;
    next_ = 0;
    end_ = std::fread(buffer_, 1, sizeof buffer_, file_);
    position_ += end_;
    if (position_ > length_) position_ = length_;  // a file that grew while read
    return end_ != 0;
}

}  // namespace vorlan
