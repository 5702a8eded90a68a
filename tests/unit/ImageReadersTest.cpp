// The image readers, checked against files that ImageMagick made (and its own
// decoding of them, kept beside each file as .rgba), against damaged copies
// of those files, and the changes of scale a run applies to what it reads.

#include "FileTestSupport.h"
#include "RasterTestSupport.h"

#include "imagefiles/ImageFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vorlan::output::test {
namespace {

using graphics::ColourWord;
using graphics::ImageMode;
using graphics::SysImage;
using graphics::test::LiveCountChecked;
using graphics::test::OwnedImage;
using vorlan::test::Bytes;
using vorlan::test::ReadBytes;
using vorlan::test::TempDir;
using vorlan::test::Wide;
using vorlan::test::WriteBytes;

using ImageReadersTest = LiveCountChecked;

const std::string kImages = VORLAN_TEST_IMAGES;

// Reads through the run's entry point at scale 1, with anything the reader
// prints kept out of the test log.
SysImage* ReadQuietly(const std::string& path, uint16_t scale = 1, std::string* printed = nullptr) {
    testing::internal::CaptureStdout();
    SysImage* image = ReadImageFile(Wide(path).c_str(), scale);
    const std::string out = testing::internal::GetCapturedStdout();
    if (printed) *printed = out;
    return image;
}

struct Fixture {
    const char* file;
    int tolerance;      // per channel, against the outside decoder
    bool opaqueOnly;    // the format carries no opacity: every cell must be 255
};

// 16-bit samples are cut to their high byte here and rounded by the outside
// decoder; JPEG decoders may differ by their inverse transforms.
const Fixture kFixtures[] = {
    {"bmp1.bmp", 0, true},           {"bmp1_topdown.bmp", 0, true},   {"bmp4.bmp", 0, true},
    {"bmp4_topdown.bmp", 0, true},   {"bmp8.bmp", 0, true},           {"bmp8_topdown.bmp", 0, true},
    {"bmp24.bmp", 0, true},          {"bmp24_topdown.bmp", 0, true},  {"bmp32.bmp", 0, true},
    {"bmp32_topdown.bmp", 0, true},  {"bmp1_v4.bmp", 0, true},        {"bmp4_v5.bmp", 0, true},
    {"bmp8_v5.bmp", 0, true},        {"bmp24_v5.bmp", 0, true},       {"bmp32_v5.bmp", 0, false},
    {"bmp24_gap.bmp", 0, true},      {"bmp8_short_table.bmp", 0, true}, {"bmp32_bitfields.bmp", 0, true},
    {"png_grey.png", 0, false},      {"png_grey1.png", 0, false},
    {"png_grey_alpha.png", 1, false}, {"png_palette.png", 0, false},  {"png_palette_alpha.png", 0, false},
    {"png_rgb.png", 0, false},       {"png_rgba.png", 0, false},      {"png_rgba16.png", 1, false},
    {"png_interlaced.png", 0, false}, {"jpg_rgb.jpg", 4, true},       {"jpg_grey.jpg", 4, true},
    {"jpg_progressive.jpg", 4, true}, {"jpg_420.jpg", 4, true},
};

// Copies that make_images.sh makes by hand from convert's files are checked
// against the decoding of the file they were made from.
std::string Reference(const char* file) {
    std::string name = file;
    for (const std::string copy : {"_topdown", "_gap", "_short_table", "_bitfields"}) {
        const size_t at = name.find(copy);
        if (at != std::string::npos) name.erase(at, copy.size());
    }
    return kImages + "/" + name.substr(0, name.rfind('.')) + ".rgba";
}

TEST_F(ImageReadersTest, EveryFixtureMatchesTheOutsideDecoder) {
    for (const Fixture& fixture : kFixtures) {
        SCOPED_TRACE(fixture.file);
        OwnedImage image(ReadQuietly(kImages + "/" + fixture.file));
        ASSERT_NE(image.Get(), nullptr);
        EXPECT_EQ(image->mode, ImageMode::Picture);
        EXPECT_EQ(image->scale, 1);
        ASSERT_EQ(image->columns, 7);
        ASSERT_EQ(image->rows, 3);
        const Bytes expected = ReadBytes(Reference(fixture.file));
        ASSERT_EQ(expected.size(), 7u * 3u * 4u);
        for (size_t i = 0; i < expected.size(); ++i) {
            const int got = image->cells[i];
            const int want = i % 4 == 3 && fixture.opaqueOnly ? 255 : expected[i];
            EXPECT_LE(std::abs(got - want), fixture.tolerance) << "cell " << i / 4 << " byte " << i % 4;
        }
    }
}

TEST_F(ImageReadersTest, BitmapColourTablesArePrintedAsRead) {
    std::string printed;
    OwnedImage image(ReadQuietly(kImages + "/bmp1.bmp", 1, &printed));
    ASSERT_NE(image.Get(), nullptr);
    EXPECT_EQ(printed, "  0  FF000000\n  1  FFFFFFFF\n");
    OwnedImage direct(ReadQuietly(kImages + "/bmp24.bmp", 1, &printed));
    EXPECT_EQ(printed, "");
    // A table of only the colours used is printed as long as it is.
    OwnedImage shortTable(ReadQuietly(kImages + "/bmp8_short_table.bmp", 1, &printed));
    ASSERT_NE(shortTable.Get(), nullptr);
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 21);
    EXPECT_EQ(printed.substr(printed.size() - 14, 5), " 20  ");
}

// A pixel offset that cannot be right (0, inside the headers, past the end)
// is passed over, and the rows are taken from straight after the headers as
// before; one within the file must leave room for every row.
TEST_F(ImageReadersTest, BitmapOffsetsThatCannotBeRightAreIgnored) {
    TempDir dir;
    OwnedImage plain(ReadQuietly(kImages + "/bmp24.bmp"));
    ASSERT_NE(plain.Get(), nullptr);
    const Bytes bmp = ReadBytes(kImages + "/bmp24.bmp");
    for (uint32_t offset : {0u, 14u, 53u, 126u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        SCOPED_TRACE(offset);
        Bytes moved = bmp;
        for (int i = 0; i < 4; ++i) moved[10 + i] = static_cast<uint8_t>(offset >> (8 * i));
        WriteBytes(dir.File("moved.bmp"), moved);
        OwnedImage image(ReadQuietly(dir.File("moved.bmp")));
        ASSERT_NE(image.Get(), nullptr);
        EXPECT_EQ(0, std::memcmp(image->cells, plain->cells, 7u * 3u * 4u));
    }
    Bytes late = bmp;
    late[10] = 55;
    WriteBytes(dir.File("late.bmp"), late);
    EXPECT_EQ(ReadQuietly(dir.File("late.bmp")), nullptr);
}

// What this reader does not take is refused, not misread: other header sizes,
// compressed or 16-bit pixels, masks other than the usual ones.
TEST_F(ImageReadersTest, BitmapLayoutsOutsideTheReadersRangeAreRefused) {
    struct Row {
        const char* name;
        const char* file;
        size_t at;  // the field to change
        size_t size;
        uint32_t value;
    };
    // clang-format off
    const Row rows[] = {
        {"12-byte header",            "bmp24.bmp",           14, 4, 12},
        {"64-byte header",            "bmp24_v5.bmp",        14, 4, 64},
        {"run-length compression",    "bmp8_v5.bmp",         30, 4, 1},
        {"masks on 24 bits",          "bmp24_v5.bmp",        30, 4, 3},
        {"16 bits a pixel",           "bmp24_v5.bmp",        28, 2, 16},
        {"16 bits a pixel by masks",  "bmp32_v5.bmp",        28, 2, 16},
        {"red mask on the blue byte", "bmp32_v5.bmp",        54, 4, 0xFF},
        {"a six-bit green mask",      "bmp32_bitfields.bmp", 58, 4, 0x7E0},
        {"alpha in another byte",     "bmp32_v5.bmp",        66, 4, 0xFF00},
        {"no rows",                   "bmp24.bmp",           22, 4, 0},
    };
    // clang-format on
    TempDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes bmp = ReadBytes(kImages + "/" + row.file);
        for (size_t i = 0; i < row.size; ++i) bmp[row.at + i] = static_cast<uint8_t>(row.value >> (8 * i));
        WriteBytes(dir.File("other.bmp"), bmp);
        EXPECT_EQ(ReadQuietly(dir.File("other.bmp")), nullptr);
    }
}

TEST_F(ImageReadersTest, ExtensionsChooseTheReaderWhateverTheirCase) {
    EXPECT_EQ(FileTypeOfName(u"a.JPEG"), 5);
    EXPECT_EQ(FileTypeOfName(u"a.jpg"), 5);
    EXPECT_EQ(FileTypeOfName(u"a.Bmp"), 1);
    EXPECT_EQ(FileTypeOfName(u"x.y.pat"), 4);
    EXPECT_EQ(FileTypeOfName(u"movie.avi"), 3);
    EXPECT_EQ(FileTypeOfName(u"a.gif"), 0);
    EXPECT_EQ(FileTypeOfName(u"png"), 0);
    EXPECT_EQ(FileTypeOfName(u"a.pngx"), 0);
    // A bitmap under a name the readers do not know is not read, nor is a video.
    TempDir dir;
    std::filesystem::copy_file(kImages + "/bmp24.bmp", dir.File("copy.gif"));
    std::filesystem::copy_file(kImages + "/bmp24.bmp", dir.File("copy.avi"));
    std::filesystem::copy_file(kImages + "/bmp24.bmp", dir.File("copy.BMP"));
    EXPECT_EQ(ReadQuietly(dir.File("copy.gif")), nullptr);
    EXPECT_EQ(ReadQuietly(dir.File("copy.avi")), nullptr);
    OwnedImage upper(ReadQuietly(dir.File("copy.BMP")));
    EXPECT_NE(upper.Get(), nullptr);
}

TEST_F(ImageReadersTest, PicturesAreEnlargedToTheRunsScale) {
    OwnedImage small(ReadQuietly(kImages + "/bmp24.bmp", 1));
    OwnedImage large(ReadQuietly(kImages + "/bmp24.bmp", 4));
    ASSERT_NE(large.Get(), nullptr);
    EXPECT_EQ(large->scale, 4);
    ASSERT_EQ(large->columns, 28);
    ASSERT_EQ(large->rows, 12);
    for (int32_t r = 0; r < large->rows; ++r) {
        for (int32_t c = 0; c < large->columns; ++c)
            ASSERT_EQ(large->PictureRow(r)[c], small->PictureRow(r / 4)[c / 4]) << r << "," << c;
    }
}

// A pattern image at scale 4 whose 4 × 4 blocks hold the given pen and
// brush counts, the rest empty.
SysImage* BlockPattern(const std::vector<std::pair<int, int>>& blocks) {
    SysImage* image = graphics::CreateCellImage(static_cast<int32_t>(4 * blocks.size()), 4, ImageMode::Pattern, 4);
    for (size_t b = 0; b < blocks.size(); ++b) {
        for (int i = 0; i < 16; ++i) {
            const uint8_t value = i < blocks[b].first                      ? graphics::kCellPen
                                  : i < blocks[b].first + blocks[b].second ? graphics::kCellBrush
                                                                           : graphics::kCellEmpty;
            image->PatternRow(i / 4)[4 * b + i % 4] = value;
        }
    }
    return image;
}

TEST_F(ImageReadersTest, MajorityReductionFavoursPenOverBrushAndEmptyOverBoth) {
    OwnedImage source(BlockPattern({{6, 6}, {5, 5}, {4, 8}, {8, 0}, {9, 0}, {0, 9}, {0, 8}, {16, 0}}));
    OwnedImage reduced(ReducePatternByMajority(*source, 1));
    ASSERT_NE(reduced.Get(), nullptr);
    EXPECT_EQ(reduced->scale, 1);
    ASSERT_EQ(reduced->columns, 8);
    ASSERT_EQ(reduced->rows, 1);
    const uint8_t expected[] = {1, 0, 2, 0, 1, 2, 0, 1};
    for (int c = 0; c < 8; ++c) EXPECT_EQ(reduced->cells[c], expected[c]) << "block " << c;
    EXPECT_EQ(ReducePatternByMajority(*source, 4), nullptr);
    EXPECT_EQ(ReducePatternByMajority(*source, 3), nullptr);
}

TEST_F(ImageReadersTest, PatternFilesComeBackAsWrittenAndMeetTheRunsScale) {
    TempDir dir;
    OwnedImage source(graphics::CreateCellImage(8200, 8, ImageMode::Pattern, 4));
    for (int32_t r = 0; r < source->rows; ++r) {
        for (int32_t c = 0; c < source->columns; ++c) source->PatternRow(r)[c] = static_cast<uint8_t>((c / 40 + r) % 3);
    }
    source->originX = -8;
    source->originY = 12;
    ASSERT_EQ(WriteImagePAT(dir.File("p.pat").c_str(), *source), Status::Success);

    SysImage* raw = nullptr;
    ASSERT_EQ(ReadImagePAT(dir.File("p.pat").c_str(), &raw), Status::Success);
    OwnedImage same(raw);
    EXPECT_EQ(same->scale, 4);
    EXPECT_EQ(same->originX, -8);
    EXPECT_EQ(same->originY, 12);
    ASSERT_EQ(same->columns, 8200);
    ASSERT_EQ(same->rows, 8);
    EXPECT_EQ(0, std::memcmp(same->cells, source->cells, 8200u * 8u));

    std::string printed;
    OwnedImage half(ReadQuietly(dir.File("p.pat"), 2, &printed));
    ASSERT_NE(half.Get(), nullptr);
    EXPECT_EQ(half->scale, 2);
    EXPECT_EQ(half->columns, 4100);
    EXPECT_EQ(half->rows, 4);
    // The image is shown once read: a line per row and a blank line after.
    EXPECT_EQ(printed.size(), 4u * 4101u + 1u);
    EXPECT_EQ(printed.substr(0, 3), "---");

    OwnedImage atTwo(graphics::CreateCellImage(6, 2, ImageMode::Pattern, 2));
    ASSERT_EQ(WriteImagePAT(dir.File("two.pat").c_str(), *atTwo), Status::Success);
    OwnedImage kept(ReadQuietly(dir.File("two.pat"), 4));
    ASSERT_NE(kept.Get(), nullptr);
    EXPECT_EQ(kept->scale, 2);
    EXPECT_EQ(kept->columns, 6);
}

// A pattern header whose sides hold no whole pixel, or more pixels than a
// Number counts, is refused before anything is made or shown, however many
// bytes of runs follow it; one pixel each way is enough.
TEST_F(ImageReadersTest, PatternSidesOutsideTheImageLimitsFailBeforeAnythingIsMade) {
    struct Row {
        const char* name;
        uint32_t columns;
        uint32_t rows;
        uint16_t scale;
    };
    const Row rows[] = {
        {"no columns, 2^31 - 1 rows", 0, 0x7FFFFFFF, 1},
        {"no rows", 8, 0, 1},
        {"fewer columns than the scale", 3, 4, 4},
        {"fewer rows than the scale", 4, 1, 2},
        {"2^30 pixels across", 1u << 30, 1, 1},
        {"more cells than any image holds", 1u << 16, (1u << 16) + 1, 1},
    };
    TempDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes file(24, 0);
        const uint8_t magic[] = {0xF4, 0xF3, 0xF2, 0xF1, 1, 0};
        std::copy(std::begin(magic), std::end(magic), file.begin());
        for (int i = 0; i < 4; ++i) {
            file[6 + i] = static_cast<uint8_t>(row.columns >> (8 * i));
            file[10 + i] = static_cast<uint8_t>(row.rows >> (8 * i));
        }
        file[14] = static_cast<uint8_t>(row.scale);
        // As many bytes as the rows could take, so only the sides can refuse it.
        file.resize(24 + uint64_t{row.rows} * ((row.columns + 8190) / 8191), 0x1F);
        WriteBytes(dir.File("sides.pat"), file);
        MemFailAllocationAt(1);  // an image made at all would print the allocation failure
        std::string printed;
        EXPECT_EQ(ReadQuietly(dir.File("sides.pat"), row.scale, &printed), nullptr);
        MemFailAllocationAt(0);
        EXPECT_EQ(printed, "");
    }

    const Bytes pixel = {0xF4, 0xF3, 0xF2, 0xF1, 1, 0, 4, 0, 0, 0, 4, 0, 0, 0, 4, 0,
                         0,    0,    0,    0,    0, 0, 0, 0, 0x24, 0x24, 0x24, 0x24};
    WriteBytes(dir.File("pixel.pat"), pixel);
    std::string printed;
    OwnedImage image(ReadQuietly(dir.File("pixel.pat"), 4, &printed));
    ASSERT_NE(image.Get(), nullptr);
    EXPECT_EQ(image->columns, 4);
    EXPECT_EQ(image->rows, 4);
    EXPECT_EQ(printed, "****\n****\n****\n****\n\n");
}

// Every shorter copy of a file fails; no copy with one byte spoilt may crash,
// leak or read outside its buffers (the sanitizer build watches for that).
TEST_F(ImageReadersTest, TruncatedAndDamagedFilesFailCleanly) {
    TempDir dir;
    OwnedImage pattern(graphics::CreateCellImage(70, 9, ImageMode::Pattern, 4));
    for (int i = 0; i < 70 * 9; ++i) pattern->cells[i] = static_cast<uint8_t>(i / 7 % 3);
    ASSERT_EQ(WriteImagePAT(dir.File("made.pat").c_str(), *pattern), Status::Success);
    const std::vector<std::string> sources = {kImages + "/bmp1.bmp",     kImages + "/bmp8_topdown.bmp",
                                              kImages + "/bmp24.bmp",    kImages + "/bmp32.bmp",
                                              kImages + "/bmp1_v4.bmp",  kImages + "/bmp32_v5.bmp",
                                              kImages + "/bmp24_gap.bmp", kImages + "/bmp8_short_table.bmp",
                                              kImages + "/bmp32_bitfields.bmp",
                                              kImages + "/png_grey1.png", kImages + "/png_palette_alpha.png",
                                              kImages + "/png_interlaced.png", kImages + "/jpg_rgb.jpg",
                                              kImages + "/jpg_progressive.jpg", dir.File("made.pat")};
    for (const std::string& source : sources) {
        SCOPED_TRACE(source);
        const Bytes whole = ReadBytes(source);
        ASSERT_FALSE(whole.empty());
        const std::string extension = source.substr(source.rfind('.'));
        const std::string copy = dir.File("copy" + extension);
        for (size_t length = 0; length < whole.size(); ++length) {
            WriteBytes(copy, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
            EXPECT_EQ(ReadQuietly(copy), nullptr) << "cut at " << length;
        }
        for (size_t at = 0; at < whole.size(); ++at) {
            Bytes spoilt = whole;
            spoilt[at] ^= 0xA5;
            WriteBytes(copy, spoilt);
            OwnedImage image(ReadQuietly(copy));
        }
    }
}

// Where a JPEG's frame header (baseline or progressive) begins, found by
// walking the markers before it; 0 when there is none.
size_t FrameHeaderAt(const Bytes& jpeg) {
    for (size_t at = 2; at + 4 <= jpeg.size() && jpeg[at] == 0xFF;) {
        if (jpeg[at + 1] == 0xC0 || jpeg[at + 1] == 0xC2) return at;
        at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]);
    }
    return 0;
}

// A frame header rewritten to claim another size, the way a decompression
// bomb claims a picture its data does not hold.
Bytes JpegClaiming(const std::string& file, uint16_t width, uint16_t height) {
    Bytes jpeg = ReadBytes(kImages + "/" + file);
    const size_t frame = FrameHeaderAt(jpeg);
    EXPECT_NE(frame, 0u) << file;
    if (frame == 0) return jpeg;
    jpeg[frame + 5] = static_cast<uint8_t>(height >> 8);
    jpeg[frame + 6] = static_cast<uint8_t>(height);
    jpeg[frame + 7] = static_cast<uint8_t>(width >> 8);
    jpeg[frame + 8] = static_cast<uint8_t>(width);
    return jpeg;
}

// Reads `bytes` as a JPEG with the next allocation set to fail, so anything
// the size of the picture made along the way shows as the allocator's report.
std::string ReadJpegAllocatingNothing(const TempDir& dir, const Bytes& bytes) {
    WriteBytes(dir.File("claim.jpg"), bytes);
    MemFailAllocationAt(1);
    std::string printed;
    EXPECT_EQ(ReadQuietly(dir.File("claim.jpg"), 1, &printed), nullptr);
    MemFailAllocationAt(0);
    return printed;
}

// No file of a few kilobytes holds 32000 × 32000 pixels: such a header is
// refused before the picture, or the library's buffers for it, are made.
TEST_F(ImageReadersTest, JpegHeadersClaimingMorePixelsThanTheFileCouldHoldFailBeforeAllocating) {
    TempDir dir;
    for (const char* file : {"jpg_rgb.jpg", "jpg_grey.jpg", "jpg_progressive.jpg", "jpg_flat.jpg"}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(ReadJpegAllocatingNothing(dir, JpegClaiming(file, 32000, 32000)), "");
        EXPECT_EQ(ReadJpegAllocatingNothing(dir, JpegClaiming(file, 65500, 4000)), "");
    }
}

// Pictures are light; a printer's four inks are refused, before anything is made.
TEST_F(ImageReadersTest, CmykJpegsAreRefusedBeforeAllocating) {
    TempDir dir;
    EXPECT_EQ(ReadJpegAllocatingNothing(dir, ReadBytes(kImages + "/jpg_cmyk.jpg")), "");
}

// A progressive file is taken in whole before its first row comes out; when
// its data runs out (cut short, or a header claiming twice the rows it has,
// which the bound on pixels a byte lets through) the read ends there, before
// the picture is made.
TEST_F(ImageReadersTest, ProgressiveJpegsThatRunOutFailBeforeThePictureIsMade) {
    TempDir dir;
    const Bytes whole = ReadBytes(kImages + "/jpg_flat_progressive.jpg");
    EXPECT_EQ(ReadJpegAllocatingNothing(dir, Bytes(whole.begin(), whole.begin() + whole.size() / 2)), "");
    EXPECT_EQ(ReadJpegAllocatingNothing(dir, JpegClaiming("jpg_flat_progressive.jpg", 1024, 2048)), "");
    // Sequential files cut short fail too, on the row where the data ends.
    const Bytes sequential = ReadBytes(kImages + "/jpg_flat.jpg");
    WriteBytes(dir.File("cut.jpg"), Bytes(sequential.begin(), sequential.begin() + sequential.size() / 2));
    EXPECT_EQ(ReadQuietly(dir.File("cut.jpg")), nullptr);
    WriteBytes(dir.File("tall.jpg"), JpegClaiming("jpg_flat.jpg", 1024, 2048));
    EXPECT_EQ(ReadQuietly(dir.File("tall.jpg")), nullptr);
}

// An encoder's flattest pictures, one grey all over, compress the most that
// real files do; the bound that refuses bombs must still take them.
TEST_F(ImageReadersTest, TheFlattestJpegsEncodersMakeAreRead) {
    for (const char* file : {"jpg_flat.jpg", "jpg_flat_progressive.jpg"}) {
        SCOPED_TRACE(file);
        OwnedImage image(ReadQuietly(kImages + "/" + file));
        ASSERT_NE(image.Get(), nullptr);
        ASSERT_EQ(image->columns, 1024);
        ASSERT_EQ(image->rows, 1024);
        const ColourWord grey = image->PictureRow(0)[0];
        EXPECT_NEAR(static_cast<int>(grey & 0xFF), 128, 1);
        EXPECT_EQ(grey, (grey & 0xFF) * 0x010101u | 0xFF000000u);
        size_t others = 0;
        for (int32_t r = 0; r < image->rows; ++r)
            others += static_cast<size_t>(std::count_if(image->PictureRow(r), image->PictureRow(r) + image->columns,
                                                        [grey](ColourWord c) { return c != grey; }));
        EXPECT_EQ(others, 0u);
    }
}

TEST_F(ImageReadersTest, HeadersThatPromiseMoreThanTheFileHoldsFailBeforeAllocating) {
    TempDir dir;
    Bytes bmp = ReadBytes(kImages + "/bmp24.bmp");
    // 60000 × 60000 pixels in a file of a few bytes.
    for (int i = 0; i < 2; ++i) {
        bmp[18 + 4 * i] = 0x60;
        bmp[19 + 4 * i] = 0xEA;
        bmp[20 + 4 * i] = 0;
        bmp[21 + 4 * i] = 0;
    }
    WriteBytes(dir.File("huge.bmp"), bmp);
    MemFailAllocationAt(1);  // any allocation at all would fail the read differently
    EXPECT_EQ(ReadQuietly(dir.File("huge.bmp")), nullptr);
    MemFailAllocationAt(0);

    const uint8_t header[] = {0xF4, 0xF3, 0xF2, 0xF1, 1, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F, 4, 0};
    Bytes pat(24 + 16, 0x1F);
    std::copy(std::begin(header), std::end(header), pat.begin());
    WriteBytes(dir.File("huge.pat"), pat);
    EXPECT_EQ(ReadQuietly(dir.File("huge.pat")), nullptr);
    pat[14] = 3;  // a scale no run draws at
    WriteBytes(dir.File("scale.pat"), pat);
    EXPECT_EQ(ReadQuietly(dir.File("scale.pat")), nullptr);

    EXPECT_EQ(ReadQuietly(dir.File("missing.png")), nullptr);
    std::filesystem::create_directory(dir.File("folder.png"));
    EXPECT_EQ(ReadQuietly(dir.File("folder.png")), nullptr);
}

}  // namespace
}  // namespace vorlan::output::test
