// The header fields libavformat's AVI muxer writes as it likes: it gives the
// stream quality -1 ("default") and, as suggested buffer, the largest frame
// it happened to write (the main header keeps a placeholder of 1 MiB). A
// reader sizes its frame buffer from these, and our files say what a frame
// can take at most: one uncompressed frame, which no Video 1 frame exceeds.
// The muxer has no option for either, so the fields are set in the file
// once it is finished, found by walking its chunks rather than at offsets
// that another FFmpeg release might move.

#include "base/FileSource.h"  // Get32
#include "imagefiles/LittleEndian.h"
#include "video/VideoParts.h"

#include <cstdio>

namespace vorlan::output::video {
namespace {

constexpr uint32_t FourCc(const char (&text)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}

// Where the fields sit in the data of their chunks.
constexpr long kMainBufferAt = 28;      // avih: dwSuggestedBufferSize
constexpr long kStreamBufferAt = 36;    // strh: dwSuggestedBufferSize
constexpr long kStreamQualityAt = 40;   // strh: dwQuality

// The data of one chunk: [begin, end) in the file.
struct Span {
    long begin = 0;
    long end = 0;
};

// The first chunk `id` among those that fill `within`, and for a RIFF or
// LIST chunk (`listType` not 0) only one of that type, whose data then
// starts after the type. false when there is none, or a chunk claims more
// than its parent holds.
bool FindChunk(FILE* file, Span within, uint32_t id, uint32_t listType, Span* found) {
    long at = within.begin;
    while (within.end - at >= 8) {
        uint8_t head[12];
        if (std::fseek(file, at, SEEK_SET) != 0 || std::fread(head, 1, 8, file) != 8) return false;
        const uint32_t size = Get32(head + 4);
        if (size > static_cast<unsigned long>(within.end - at - 8)) return false;
        const long end = at + 8 + static_cast<long>(size);
        if (Get32(head) == id) {
            if (listType == 0) {
                *found = {at + 8, end};
                return true;
            }
            if (size >= 4 && std::fread(head + 8, 1, 4, file) == 4 && Get32(head + 8) == listType) {
                *found = {at + 12, end};
                return true;
            }
        }
        at = end + (size & 1);
    }
    return false;
}

bool Put32At(FILE* file, long at, uint32_t value) {
    uint8_t bytes[4];
    Put32(bytes, value);
    return std::fseek(file, at, SEEK_SET) == 0 && std::fwrite(bytes, 1, 4, file) == 4;
}

bool SetFields(FILE* file, uint32_t bufferSize, uint32_t quality) {
    if (std::fseek(file, 0, SEEK_END) != 0) return false;
    const long length = std::ftell(file);
    if (length < 0) return false;
    Span riff, headers, main, streamList, stream;
    if (!FindChunk(file, {0, length}, FourCc("RIFF"), FourCc("AVI "), &riff) ||
        !FindChunk(file, riff, FourCc("LIST"), FourCc("hdrl"), &headers) ||
        !FindChunk(file, headers, FourCc("avih"), 0, &main) ||
        !FindChunk(file, headers, FourCc("LIST"), FourCc("strl"), &streamList) ||
        !FindChunk(file, streamList, FourCc("strh"), 0, &stream))
        return false;
    if (main.end - main.begin < kMainBufferAt + 4 || stream.end - stream.begin < kStreamQualityAt + 4) return false;
    return Put32At(file, main.begin + kMainBufferAt, bufferSize) &&
           Put32At(file, stream.begin + kStreamBufferAt, bufferSize) &&
           Put32At(file, stream.begin + kStreamQualityAt, quality);
}

}  // namespace

bool SetHeaderFields(const char* path, uint32_t bufferSize, uint32_t quality) {
    FILE* file = std::fopen(path, "r+b");
    if (!file) return false;
    const bool set = SetFields(file, bufferSize, quality);
    // A write the disk refuses may only show when the buffer is flushed.
    const bool closed = std::fclose(file) == 0;
    return set && closed;
}

}  // namespace vorlan::output::video
