// Animated GIF, written frame by frame as a run draws. Each frame is the
// rectangle of pixels that changed since the frame before, with a colour
// table of its own: the colours it holds when they are 256 or fewer, which
// shapes on a plain background usually are, and otherwise 256 chosen by
// median cut. Frames are left in place for the next one to draw over, so a
// frame that repeats the last is one unchanged pixel.

#include "video/VideoParts.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace vorlan::output::video {
namespace {

using graphics::ColourWord;
using graphics::SysImage;

constexpr uint32_t kRgbMask = 0x00FFFFFFu;

void Put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>(value >> 8 & 0xFF));
}

// Section - Colour tables

// Distinct colours of a rectangle, in the order met, while there are at most
// 256; open addressing on a table four times that size.
class ExactColours {
public:
    // -1 once a 257th colour turns up.
    int Add(uint32_t rgb) {
        size_t slot = (rgb * 2654435761u) >> 22;
        while (used_[slot]) {
            if (keys_[slot] == rgb) return index_[slot];
            slot = (slot + 1) & (kSlots - 1);
        }
        if (count_ == 256) return -1;
        used_[slot] = true;
        keys_[slot] = rgb;
        index_[slot] = static_cast<uint16_t>(count_);
        colours_[count_] = rgb;
        return count_++;
    }
    int Count() const { return count_; }
    uint32_t Colour(int i) const { return colours_[i]; }

private:
    static constexpr size_t kSlots = 1024;
    bool used_[kSlots] = {};
    uint32_t keys_[kSlots] = {};
    uint16_t index_[kSlots] = {};
    uint32_t colours_[256] = {};
    int count_ = 0;
};

// Median cut over colours kept at 5 bits a channel: each cell of the 32^3
// grid counts its pixels and sums their full colours, a box of cells is split
// across its longest side where half its pixels lie, the fullest boxes first,
// until there are 256; a box's colour is the mean of its pixels.
class MedianCut {
public:
    static int Cell(uint32_t rgb) {
        return static_cast<int>((rgb >> 3 & 31) << 10 | (rgb >> 11 & 31) << 5 | (rgb >> 19 & 31));
    }
    void Count(uint32_t rgb) {
        Bin& bin = bins_[Cell(rgb)];
        ++bin.pixels;
        bin.sum[0] += rgb & 0xFF;
        bin.sum[1] += rgb >> 8 & 0xFF;
        bin.sum[2] += rgb >> 16 & 0xFF;
    }
    // Fills `table` with up to 256 colours and returns how many; each cell
    // then knows its colour's index.
    int Choose(uint32_t* table) {
        boxes_.assign(1, Box{{0, 0, 0}, {31, 31, 31}, 0});
        Shrink(boxes_[0]);
        while (boxes_.size() < 256) {
            Box* widest = nullptr;
            for (Box& box : boxes_) {
                if (box.pixels > 1 && Side(box) > 0 && (!widest || box.pixels > widest->pixels)) widest = &box;
            }
            if (!widest) break;
            Box second{};
            if (!Split(*widest, &second)) break;
            boxes_.push_back(second);
        }
        int count = 0;
        for (const Box& box : boxes_) {
            uint64_t sum[3] = {0, 0, 0}, pixels = 0;
            ForCells(box, [&](int cell) {
                cellIndex_[cell] = static_cast<uint8_t>(count);
                pixels += bins_[cell].pixels;
                for (int c = 0; c < 3; ++c) sum[c] += bins_[cell].sum[c];
            });
            if (pixels == 0) pixels = 1;
            table[count++] = static_cast<uint32_t>((sum[0] + pixels / 2) / pixels) |
                             static_cast<uint32_t>((sum[1] + pixels / 2) / pixels) << 8 |
                             static_cast<uint32_t>((sum[2] + pixels / 2) / pixels) << 16;
        }
        return count;
    }
    uint8_t IndexOf(uint32_t rgb) const { return cellIndex_[Cell(rgb)]; }

private:
    struct Bin {
        uint32_t pixels;
        uint64_t sum[3];
    };
    struct Box {
        int low[3];   // cell coordinates, red, green, blue, both ends included
        int high[3];
        uint64_t pixels;
    };

    template <class Each>
    void ForCells(const Box& box, Each each) const {
        for (int r = box.low[0]; r <= box.high[0]; ++r)
            for (int g = box.low[1]; g <= box.high[1]; ++g)
                for (int b = box.low[2]; b <= box.high[2]; ++b) each(b << 10 | g << 5 | r);
    }
    static int Side(const Box& box) {
        return std::max({box.high[0] - box.low[0], box.high[1] - box.low[1], box.high[2] - box.low[2]});
    }
    // Narrows the box to the cells that hold pixels, and counts them.
    void Shrink(Box& box) const {
        int low[3] = {31, 31, 31}, high[3] = {0, 0, 0};
        uint64_t pixels = 0;
        for (int r = box.low[0]; r <= box.high[0]; ++r)
            for (int g = box.low[1]; g <= box.high[1]; ++g)
                for (int b = box.low[2]; b <= box.high[2]; ++b) {
                    const uint32_t n = bins_[b << 10 | g << 5 | r].pixels;
                    if (!n) continue;
                    pixels += n;
                    const int at[3] = {r, g, b};
                    for (int c = 0; c < 3; ++c) {
                        low[c] = std::min(low[c], at[c]);
                        high[c] = std::max(high[c], at[c]);
                    }
                }
        box.pixels = pixels;
        if (pixels == 0) return;
        std::copy(low, low + 3, box.low);
        std::copy(high, high + 3, box.high);
    }
    bool Split(Box& box, Box* second) const {
        int axis = 0;
        for (int c = 1; c < 3; ++c) {
            if (box.high[c] - box.low[c] > box.high[axis] - box.low[axis]) axis = c;
        }
        // The plane below which half the box's pixels lie, leaving both sides some cells.
        uint64_t below = 0;
        int cut = box.low[axis];
        for (; cut < box.high[axis]; ++cut) {
            Box slab = box;
            slab.low[axis] = slab.high[axis] = cut;
            ForCells(slab, [&](int cell) { below += bins_[cell].pixels; });
            if (below * 2 >= box.pixels) break;
        }
        if (cut >= box.high[axis]) cut = box.high[axis] - 1;
        *second = box;
        box.high[axis] = cut;
        second->low[axis] = cut + 1;
        Shrink(box);
        Shrink(*second);
        return true;
    }

    Bin bins_[32768] = {};
    uint8_t cellIndex_[32768] = {};
    std::vector<Box> boxes_;
};

// Section - LZW

// GIF's variable-length LZW: codes from minimum + 1 bits up to 12, a clear
// code when the table is full, packed low bit first into sub-blocks of at
// most 255 bytes.
class LzwWriter {
public:
    LzwWriter(std::vector<uint8_t>& out, int minimum) : out_(out), minimum_(minimum) {
        out_.push_back(static_cast<uint8_t>(minimum));
        Reset();
        Emit(ClearCode());
    }
    void Add(uint8_t index) {
        if (prefix_ < 0) {
            prefix_ = index;
            return;
        }
        const uint32_t key = static_cast<uint32_t>(prefix_) << 8 | index;
        size_t slot = (key * 2654435761u) >> 19 & (kSlots - 1);
        while (codes_[slot] >= 0) {
            if (keys_[slot] == key) {
                prefix_ = codes_[slot];
                return;
            }
            slot = (slot + 1) & (kSlots - 1);
        }
        Emit(prefix_);
        // The table stops one short of 4096 codes and starts again, as the
        // GIF writers whose files every reader takes do.
        if (next_ < 4095) {
            keys_[slot] = key;
            codes_[slot] = static_cast<int16_t>(next_);
            // A reader widens its codes once a code of the current width is
            // taken, one code later than the writer adds it.
            if (next_ == (1 << width_) && width_ < 12) ++width_;
            ++next_;
        } else {
            Emit(ClearCode());
            Reset();
        }
        prefix_ = index;
    }
    void Finish() {
        if (prefix_ >= 0) Emit(prefix_);
        // The reader adds an entry after that code too, and may widen.
        if (prefix_ >= 0 && next_ == (1 << width_) && width_ < 12 && next_ > ClearCode() + 2) ++width_;
        Emit(ClearCode() + 1);
        if (bitCount_ > 0) Byte(static_cast<uint8_t>(bits_));
        if (!block_.empty()) FlushBlock();
        out_.push_back(0);
    }

private:
    static constexpr size_t kSlots = 8192;

    int ClearCode() const { return 1 << minimum_; }
    void Reset() {
        std::fill(std::begin(codes_), std::end(codes_), int16_t{-1});
        width_ = minimum_ + 1;
        next_ = ClearCode() + 2;
    }
    void Emit(int code) {
        bits_ |= static_cast<uint32_t>(code) << bitCount_;
        bitCount_ += width_;
        while (bitCount_ >= 8) {
            Byte(static_cast<uint8_t>(bits_ & 0xFF));
            bits_ >>= 8;
            bitCount_ -= 8;
        }
    }
    void Byte(uint8_t byte) {
        block_.push_back(byte);
        if (block_.size() == 255) FlushBlock();
    }
    void FlushBlock() {
        out_.push_back(static_cast<uint8_t>(block_.size()));
        out_.insert(out_.end(), block_.begin(), block_.end());
        block_.clear();
    }

    std::vector<uint8_t>& out_;
    const int minimum_;
    int width_ = 0;
    int next_ = 0;
    int prefix_ = -1;
    uint32_t bits_ = 0;
    int bitCount_ = 0;
    std::vector<uint8_t> block_;
    uint32_t keys_[kSlots] = {};
    int16_t codes_[kSlots];
};

// Section - Frames

struct Rectangle {
    int32_t left, top, width, height;
};

// The pixels that differ from the last frame; the top left pixel alone when
// none do (a GIF frame has at least one).
Rectangle Changed(const GifCoder& coder, const SysImage& frame) {
    if (coder.frames == 0) return {0, 0, coder.width, coder.height};
    int32_t left = coder.width, right = -1, top = coder.height, bottom = -1;
    for (int32_t y = 0; y < coder.height; ++y) {
        const ColourWord* now = frame.PictureRow(y);
        const uint32_t* before = coder.last.data() + static_cast<size_t>(y) * coder.width;
        int32_t x = 0;
        while (x < coder.width && (now[x] & kRgbMask) == before[x]) ++x;
        if (x == coder.width) continue;
        int32_t end = coder.width - 1;
        while ((now[end] & kRgbMask) == before[end]) --end;
        left = std::min(left, x);
        right = std::max(right, end);
        top = std::min(top, y);
        bottom = y;
    }
    if (right < 0) return {0, 0, 1, 1};
    return {left, top, right - left + 1, bottom - top + 1};
}

void PutImage(std::vector<uint8_t>& out, const SysImage& frame, const Rectangle& box) {
    // The rectangle's colours: all of them when they fit, or else a median cut.
    auto exact = std::make_unique<ExactColours>();
    bool fits = true;
    for (int32_t y = box.top; fits && y < box.top + box.height; ++y) {
        const ColourWord* row = frame.PictureRow(y) + box.left;
        for (int32_t x = 0; x < box.width; ++x) {
            if (exact->Add(row[x] & kRgbMask) < 0) {
                fits = false;
                break;
            }
        }
    }
    uint32_t table[256] = {};
    int colours = 0;
    std::unique_ptr<MedianCut> cut;
    if (fits) {
        colours = exact->Count();
        for (int i = 0; i < colours; ++i) table[i] = exact->Colour(i);
    } else {
        cut = std::make_unique<MedianCut>();
        for (int32_t y = box.top; y < box.top + box.height; ++y) {
            const ColourWord* row = frame.PictureRow(y) + box.left;
            for (int32_t x = 0; x < box.width; ++x) cut->Count(row[x] & kRgbMask);
        }
        colours = cut->Choose(table);
    }
    int bits = 1;
    while ((1 << bits) < colours) ++bits;

    out.push_back(0x2C);  // the image descriptor, with a local colour table
    Put16(out, static_cast<uint32_t>(box.left));
    Put16(out, static_cast<uint32_t>(box.top));
    Put16(out, static_cast<uint32_t>(box.width));
    Put16(out, static_cast<uint32_t>(box.height));
    out.push_back(static_cast<uint8_t>(0x80 | (bits - 1)));
    for (int i = 0; i < (1 << bits); ++i) {
        out.push_back(static_cast<uint8_t>(table[i] & 0xFF));
        out.push_back(static_cast<uint8_t>(table[i] >> 8 & 0xFF));
        out.push_back(static_cast<uint8_t>(table[i] >> 16 & 0xFF));
    }
    LzwWriter lzw(out, std::max(bits, 2));
    for (int32_t y = box.top; y < box.top + box.height; ++y) {
        const ColourWord* row = frame.PictureRow(y) + box.left;
        for (int32_t x = 0; x < box.width; ++x) {
            const uint32_t rgb = row[x] & kRgbMask;
            lzw.Add(static_cast<uint8_t>(fits ? exact->Add(rgb) : cut->IndexOf(rgb)));
        }
    }
    lzw.Finish();
}

}  // namespace

std::vector<uint8_t> GifHeader(int32_t width, int32_t height) {
    std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(out, static_cast<uint32_t>(width));
    Put16(out, static_cast<uint32_t>(height));
    out.insert(out.end(), {0x00, 0x00, 0x00});  // no global colour table
    // Loop for ever.
    out.insert(out.end(), {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0x03, 0x01, 0x00,
                           0x00, 0x00});
    return out;
}

uint32_t GifDelay(int64_t frame, uint32_t rate) {
    // Frame n starts at round(100 n / rate) hundredths of a second.
    auto start = [rate](int64_t n) { return (100 * n + rate / 2) / rate; };
    return static_cast<uint32_t>(start(frame + 1) - start(frame));
}

void CodeGifFrame(GifCoder& coder, const SysImage& frame, uint32_t delay, std::vector<uint8_t>& out) {
    const Rectangle box = Changed(coder, frame);
    // Graphic control: left in place for the next frame to draw over, no transparency.
    out.insert(out.end(), {0x21, 0xF9, 0x04, 0x04});
    Put16(out, delay);
    out.insert(out.end(), {0x00, 0x00});
    PutImage(out, frame, box);
    for (int32_t y = box.top; y < box.top + box.height; ++y) {
        const ColourWord* row = frame.PictureRow(y);
        uint32_t* last = coder.last.data() + static_cast<size_t>(y) * coder.width;
        for (int32_t x = box.left; x < box.left + box.width; ++x) last[x] = row[x] & kRgbMask;
    }
    ++coder.frames;
}

}  // namespace vorlan::output::video
