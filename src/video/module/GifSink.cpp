// Animated GIF files, coded by our own GIF coder (GifCoder.cpp) and written
// as each frame comes, so a file stopped early still shows the frames so far
// once its last byte is there.

#include "video/VideoParts.h"
#include "video/module/VideoSinks.h"

#include <cstdio>

namespace vorlan::output {
namespace {

using graphics::SysImage;

class GifSink final : public VideoSink {
public:
    explicit GifSink(const VideoShape& shape) : shape_(shape) {
        coder_.width = shape.width;
        coder_.height = shape.height;
    }
    ~GifSink() override {
        if (file_) std::fclose(file_);
    }

    bool Make() {
        coder_.last.assign(static_cast<size_t>(shape_.width) * static_cast<size_t>(shape_.height), 0);
        file_ = std::fopen(shape_.path, "wb");
        if (!file_) return false;
        fileMade_ = true;
        const std::vector<uint8_t> header = video::GifHeader(shape_.width, shape_.height);
        return PutBytes(header);
    }

    bool Take(const SysImage& frame) override {
        frame_ = &frame;
        return true;
    }

    // A frame put again differs from the last in nothing, and codes as one
    // unchanged pixel.
    bool Put(int64_t number) override {
        if (!file_ || !frame_) return false;
        bytes_.clear();
        video::CodeGifFrame(coder_, *frame_, video::GifDelay(number, static_cast<uint32_t>(shape_.rate)), bytes_);
        return PutBytes(bytes_);
    }

    bool FileMade() const { return fileMade_; }

    bool Finish() override {
        if (!file_) return true;
        const bool ok = std::fputc(0x3B, file_) != EOF && std::fflush(file_) == 0 && !std::ferror(file_);
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        return ok && closed;
    }

private:
    bool PutBytes(const std::vector<uint8_t>& bytes) {
        return std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
    }

    VideoShape shape_;
    FILE* file_ = nullptr;
    bool fileMade_ = false;
    const SysImage* frame_ = nullptr;  // the frame taken last
    video::GifCoder coder_;
    std::vector<uint8_t> bytes_;  // one coded frame, reused
};

}  // namespace

std::unique_ptr<VideoSink> MakeGifSink(const VideoShape& shape) { return StartSink<GifSink>(shape); }

}  // namespace vorlan::output
