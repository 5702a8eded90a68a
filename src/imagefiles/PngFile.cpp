// PNG output: 8-bit red, green, blue and opacity, not interlaced, rows
// filtered as PngRowFilter.h chooses and compressed with zlib. The stream's
// settings (level 6, the "filtered" strategy, the window narrowed for small
// pictures, IDAT chunks of 8192 bytes) are those Vorlan's PNG files have
// always been written with, so the same picture gives the same bytes.

#include "base/FileSink.h"
#include "base/Memory.h"
#include "base/Owned.h"
#include "imagefiles/ImageFiles.h"
#include "imagefiles/PngRowFilter.h"

#include <zlib.h>

#include <cstring>

namespace vorlan::output {

using graphics::ImageMode;
using graphics::SysImage;

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr uint32_t kChunkBytes = 8192;  // the compressed bytes of one IDAT
constexpr int32_t kMostPixelsAcross = 1000000;  // PNG files were never written beyond this a side
constexpr uint32_t kSmallStream = 16384;  // up to here the window narrows to the data
constexpr uint32_t kTagPngRows = 61008;

void PutBig32(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 24);
    at[1] = static_cast<uint8_t>(value >> 16);
    at[2] = static_cast<uint8_t>(value >> 8);
    at[3] = static_cast<uint8_t>(value);
}

bool WriteChunk(FILE* file, const char type[4], const uint8_t* data, uint32_t length) {
    uint8_t head[8];
    PutBig32(head, length);
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0, head + 4, 4);
    if (length) crc = crc32(crc, data, length);
    uint8_t tail[4];
    PutBig32(tail, static_cast<uint32_t>(crc));
    return WriteAll(file, head, sizeof head) && (!length || WriteAll(file, data, length)) &&
           WriteAll(file, tail, sizeof tail);
}

// The size of the filtered rows, exact where it can narrow the window.
uint32_t StreamSize(size_t rowBytes, int32_t rows) {
    if (rowBytes >= 32768 || rows >= 32768) return UINT32_MAX;
    return static_cast<uint32_t>((rowBytes + 1) * static_cast<uint32_t>(rows));
}

// The smallest window that still sees the whole stream plus zlib's lookahead.
int WindowBits(uint32_t streamSize) {
    int bits = 15;
    if (streamSize > kSmallStream) return bits;
    for (uint32_t half = 1u << (bits - 1); streamSize + 262 <= half; half >>= 1) --bits;
    return bits;
}

// The stream header names the window a reader needs, which for a small
// stream is narrower than the one it was compressed with.
void NarrowHeaderWindow(uint8_t* header, uint32_t streamSize) {
    unsigned method = header[0];
    if (streamSize > kSmallStream || (method & 0x0f) != 8 || (method & 0xf0) > 0x70) return;
    unsigned info = method >> 4;
    unsigned half = 1u << (info + 7);
    if (streamSize > half) return;
    do {
        half >>= 1;
        --info;
    } while (info > 0 && streamSize <= half);
    method = (method & 0x0f) | (info << 4);
    header[0] = static_cast<uint8_t>(method);
    unsigned flags = header[1] & 0xe0;
    flags += 0x1f - ((method << 8) + flags) % 0x1f;
    header[1] = static_cast<uint8_t>(flags);
}

// The compressed rows, written out as IDAT chunks whenever a chunk's worth
// is ready.
class ImageData {
public:
    ImageData(FILE* file, uint32_t streamSize) : file_(file), streamSize_(streamSize) {}
    ~ImageData() {
        if (open_) deflateEnd(&stream_);
    }

    bool Open(int strategy) {
        open_ = deflateInit2(&stream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, WindowBits(streamSize_), 8, strategy) == Z_OK;
        stream_.next_out = chunk_;
        stream_.avail_out = kChunkBytes;
        return open_;
    }

    // `last` ends the stream after these bytes.
    bool Add(const uint8_t* bytes, size_t count, bool last) {
        stream_.next_in = const_cast<uint8_t*>(bytes);
        stream_.avail_in = static_cast<uInt>(count);
        for (;;) {
            const int result = deflate(&stream_, last ? Z_FINISH : Z_NO_FLUSH);
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) return false;
            if (stream_.avail_out == 0) {
                if (!Flush(kChunkBytes)) return false;
                continue;
            }
            if (result == Z_STREAM_END) return Flush(kChunkBytes - stream_.avail_out);
            if (stream_.avail_in == 0 && !last) return true;
            // Room to write and nothing written: the stream is stuck.
            if (result == Z_BUF_ERROR) return false;
        }
    }

private:
    bool Flush(uInt count) {
        if (!wroteAny_) NarrowHeaderWindow(chunk_, streamSize_);
        wroteAny_ = true;
        stream_.next_out = chunk_;
        stream_.avail_out = kChunkBytes;
        return !count || WriteChunk(file_, "IDAT", chunk_, count);
    }

    FILE* file_;
    uint32_t streamSize_;
    z_stream stream_{};
    bool open_ = false;
    bool wroteAny_ = false;
    uint8_t chunk_[kChunkBytes];
};

bool WriteHeader(FILE* file, const SysImage& image) {
    uint8_t header[13];
    PutBig32(header, static_cast<uint32_t>(image.columns));
    PutBig32(header + 4, static_cast<uint32_t>(image.rows));
    header[8] = 8;  // bits per channel
    header[9] = 6;  // colour with opacity
    header[10] = header[11] = header[12] = 0;  // deflate, adaptive filters, not interlaced
    return WriteAll(file, kSignature, sizeof kSignature) && WriteChunk(file, "IHDR", header, sizeof header);
}

bool WritePngBody(FILE* file, const SysImage& image) {
    if (!WriteHeader(file, image)) return false;
    const size_t rowBytes = static_cast<size_t>(image.columns) * 4;
    const PngRowShape shape{.oneRow = image.rows == 1, .oneColumn = image.columns == 1};
    // A picture of one pixel is written unfiltered, and then the stream is
    // compressed without the strategy meant for filtered rows.
    const int strategy = shape.oneRow && shape.oneColumn ? Z_DEFAULT_STRATEGY : Z_FILTERED;
    OwnedBlock<uint8_t> buffers;
    ImageData data(file, StreamSize(rowBytes, image.rows));
    if (!buffers.Allocate(rowBytes * 2 + 1, kTagPngRows) || !data.Open(strategy)) return false;
    uint8_t* zeros = buffers.Get();  // the row above the first, from the allocator cleared
    uint8_t* filtered = zeros + rowBytes;
    const uint8_t* above = zeros;
    for (int32_t r = 0; r < image.rows; ++r) {
        const auto* row = reinterpret_cast<const uint8_t*>(image.PictureRow(r));
        FilterPngRow(row, above, rowBytes, shape, filtered);
        if (!data.Add(filtered, rowBytes + 1, false)) return false;
        above = row;
    }
    return data.Add(nullptr, 0, true) && WriteChunk(file, "IEND", nullptr, 0);
}

}  // namespace

Status WriteImagePNG(const char* path, const SysImage& image) {
    if (image.mode != ImageMode::Picture || !image.cells) return Status::Invalid;
    if (image.columns < 1 || image.rows < 1 || image.columns > kMostPixelsAcross || image.rows > kMostPixelsAcross)
        return Status::Invalid;
    FILE* file = OpenForWriting(path);
    if (!file) return Status::Invalid;
    return FinishFile(file, WritePngBody(file, image));
}

}  // namespace vorlan::output
