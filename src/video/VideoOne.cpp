// Microsoft Video 1 frames, coded so that what a player shows is what was
// drawn, to the 5 bits a channel the format keeps.
//
// libavcodec's encoder for this format cannot promise that. It skips a block
// whenever its squared error against the previous frame, divided by a fixed
// 24, ties or beats the cost of coding it: a block a moving object has just
// left keeps a faint copy of it (a trail) until the block changes more or a
// key frame comes, and a flat block may lag two levels behind a slow fade. It
// also fits colours with one step of a randomised clustering, so even a key
// frame can lose a lone pixel of a two-colour block. It reads no quality
// setting; only the key-frame interval reaches it, and a key frame for every
// frame still leaves the second fault.
//
// The format cannot hold everything either: every 2 × 2 quarter of a 4 × 4
// block has at most two colours. So each block is coded exactly when its
// quarters allow that, and otherwise with the two colours that fit each
// quarter best, which stay within the colours of that quarter. A block is
// skipped only when its code would show exactly what the player shows
// already, so a frame never depends on how the frames before it were coded.

#include "imagefiles/LittleEndian.h"
#include "video/VideoParts.h"

#include <array>

namespace vorlan::output::video {
namespace {

// A block in the order of its code: the bottom row first, each row left to
// right. Position i is block row 3 − i / 4 (from the top) and column i % 4.
using Block = std::array<uint16_t, 16>;

// Codes are little-endian words. The first word of a block tells its kind:
// with bit 15 clear it is the flags of a two- or eight-colour block (bit i
// set: position i takes the first colour of its pair); otherwise 0x84nn to
// 0x87nn skips nn (1 to 1023) blocks, and anything else fills the block with
// one colour. An eight-colour block has bit 15 set on its first colour.
constexpr uint16_t kFillMark = 0x8000;
constexpr uint16_t kEightColourMark = 0x8000;
constexpr uint16_t kSkipCode = 0x8400;
constexpr int32_t kLongestSkip = 0x3FF;
constexpr int32_t kLargestBlockBytes = 18;  // flags and eight colours

// The top-right position's flag is bit 15 of the flags word, so it must be
// clear: that pixel always takes the second colour of its pair.
constexpr int kTopRight = 15;

constexpr int Red(uint16_t pixel) { return pixel >> 10 & 31; }
constexpr int Green(uint16_t pixel) { return pixel >> 5 & 31; }
constexpr int Blue(uint16_t pixel) { return pixel & 31; }
constexpr uint16_t Pixel(int red, int green, int blue) { return static_cast<uint16_t>(red << 10 | green << 5 | blue); }

// Of an eight-colour block: the quarter of position i (0 bottom-left,
// 1 bottom-right, 2 top-left, 3 top-right), whose pair is colours 2q, 2q + 1.
constexpr int QuarterOf(int i) { return (i / 8) * 2 + (i % 4) / 2; }
constexpr std::array<std::array<int, 4>, 4> kQuarterPositions = [] {
    std::array<std::array<int, 4>, 4> positions{};
    std::array<int, 4> filled{};
    for (int i = 0; i < 16; ++i) positions[QuarterOf(i)][filled[QuarterOf(i)]++] = i;
    return positions;
}();
static_assert(kQuarterPositions[3][3] == kTopRight);

// A block's code and the pixels it shows.
struct Code {
    uint16_t words[kLargestBlockBytes / 2];
    int count = 0;  // words used
    Block shown;
};

// Whole-block codes, for one or two colours. `first` is null for one colour.
void SolidOrTwoColour(const Block& block, uint16_t second, const uint16_t* first, Code* code) {
    code->shown = block;
    // A fill colour with red level 1 would read as a skip code (0x84..0x87).
    if (!first && Red(second) != 1) {
        code->words[0] = static_cast<uint16_t>(second | kFillMark);
        code->count = 1;
        return;
    }
    uint16_t flags = 0;
    for (int i = 0; i < 16; ++i)
        if (first && block[i] == *first) flags = static_cast<uint16_t>(flags | 1u << i);
    code->words[0] = flags;
    code->words[1] = first ? *first : second;
    code->words[2] = second;
    code->count = 3;
}

// The two colours that fit four pixels best: every split into two groups,
// each group shown as its mean, and the split with the least squared error.
// Positions whose `set` bit is set take `first`. When the four hold at most
// two colours the split is exact.
void FitQuarter(const uint16_t (&pixels)[4], uint16_t* first, uint16_t* second, unsigned* set) {
    int64_t best = -1;
    // The last pixel is always in the second group, which covers every split.
    for (unsigned split = 0; split < 8; ++split) {
        int sums[2][3] = {}, counts[2] = {};
        for (unsigned p = 0; p < 4; ++p) {
            const int group = split >> p & 1 ? 0 : 1;
            sums[group][0] += Red(pixels[p]);
            sums[group][1] += Green(pixels[p]);
            sums[group][2] += Blue(pixels[p]);
            ++counts[group];
        }
        uint16_t means[2] = {};
        for (int g = 0; g < 2; ++g) {
            const int n = counts[g] ? counts[g] : 1;
            means[g] = Pixel((sums[g][0] + n / 2) / n, (sums[g][1] + n / 2) / n, (sums[g][2] + n / 2) / n);
        }
        int64_t error = 0;
        for (unsigned p = 0; p < 4; ++p) {
            const uint16_t mean = means[split >> p & 1 ? 0 : 1];
            const int r = Red(pixels[p]) - Red(mean), g = Green(pixels[p]) - Green(mean),
                      b = Blue(pixels[p]) - Blue(mean);
            error += r * r + g * g + b * b;
        }
        if (best < 0 || error < best) {
            best = error;
            *first = counts[0] ? means[0] : means[1];
            *second = means[1];
            *set = split;
        }
    }
}

void EightColour(const Block& block, Code* code) {
    uint16_t flags = 0;
    for (int q = 0; q < 4; ++q) {
        uint16_t pixels[4], first = 0, second = 0;
        unsigned set = 0;
        for (int p = 0; p < 4; ++p) pixels[p] = block[kQuarterPositions[q][p]];
        FitQuarter(pixels, &first, &second, &set);
        for (int p = 0; p < 4; ++p) {
            const int i = kQuarterPositions[q][p];
            const bool isFirst = set >> p & 1;
            if (isFirst) flags = static_cast<uint16_t>(flags | 1u << i);
            code->shown[i] = isFirst ? first : second;
        }
        code->words[1 + 2 * q] = first;
        code->words[2 + 2 * q] = second;
    }
    code->words[0] = flags;
    code->words[1] = static_cast<uint16_t>(code->words[1] | kEightColourMark);
    code->count = 9;
}

// The cheapest code that shows the block exactly, or the closest when its
// quarters hold more than two colours each.
void CodeBlock(const Block& block, Code* code) {
    const uint16_t second = block[kTopRight];
    uint16_t first = second;
    for (const uint16_t pixel : block) {
        if (pixel == second || pixel == first) continue;
        if (first != second) return EightColour(block, code);  // a third colour
        first = pixel;
    }
    SolidOrTwoColour(block, second, first != second ? &first : nullptr, code);
}

class Writer {
public:
    explicit Writer(uint8_t* out) : start_(out), next_(out) {}
    void Skip() { ++skips_; }
    void Put(const Code& code) {
        FlushSkips();
        for (int w = 0; w < code.count; ++w) Word(code.words[w]);
    }
    size_t Finish() {
        FlushSkips();
        Word(0);  // the end of the frame, as Video 1 writers mark it
        return static_cast<size_t>(next_ - start_);
    }

private:
    void Word(uint16_t word) {
        Put16(next_, word);
        next_ += 2;
    }
    void FlushSkips() {
        for (; skips_ > 0; skips_ -= kLongestSkip)
            Word(static_cast<uint16_t>(kSkipCode | (skips_ < kLongestSkip ? skips_ : kLongestSkip)));
        skips_ = 0;
    }

    uint8_t* start_;
    uint8_t* next_;
    int32_t skips_ = 0;
};

}  // namespace

size_t VideoOneFrameCapacity(int32_t width, int32_t height) {
    // A skip code stands for at least one block, and so never costs more than
    // coding that block would; then the end mark.
    return static_cast<size_t>(width / 4) * static_cast<size_t>(height / 4) * kLargestBlockBytes + 2;
}

size_t CodeVideoOneFrame(VideoOneCoder& coder, const uint16_t* pixels, bool keyFrame, uint8_t* out, bool* isKey) {
    Writer writer(out);
    const size_t width = static_cast<size_t>(coder.width);
    *isKey = true;
    Block block{}, before{};
    Code code;
    for (int32_t top = coder.height - 4; top >= 0; top -= 4) {
        for (int32_t left = 0; left < coder.width; left += 4) {
            for (int i = 0; i < 16; ++i) {
                const size_t at = (static_cast<size_t>(top) + 3 - i / 4) * width + static_cast<size_t>(left + i % 4);
                block[i] = pixels[at];
                if (!keyFrame) before[i] = coder.shown[at];
            }
            // A block that equals what is shown needs no coding: its code would
            // show it as it is.
            const bool same = !keyFrame && block == before;
            if (!same) CodeBlock(block, &code);
            if (same || (!keyFrame && code.shown == before)) {
                writer.Skip();
                *isKey = false;
                continue;
            }
            writer.Put(code);
            for (int i = 0; i < 16; ++i)
                coder.shown[(static_cast<size_t>(top) + 3 - i / 4) * width + static_cast<size_t>(left + i % 4)] =
                    code.shown[i];
        }
    }
    return writer.Finish();
}

}  // namespace vorlan::output::video
