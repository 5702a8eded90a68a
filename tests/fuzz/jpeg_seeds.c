/* Writes small JPEG files that use what the library's compressor can do
 * and Vorlan's own writer does not: every common chroma sampling, the
 * progressive, arithmetic-coded and restart-marker forms, and grey.
 * They seed the JPEG fuzz target, each a different path through the
 * decoder, and small enough that mutations of them are cheap to read.
 *   jpeg_seeds FOLDER      (make_seed_files.sh builds and runs it) */

#include <stdio.h>
#include <stdlib.h>

#include <jpeglib.h>

enum { kWidth = 24, kHeight = 16 };

struct Seed {
    const char* name;
    int grey;
    int h, v; /* the luma's sampling factors; chroma is 1 × 1 */
    int progressive, arithmetic, restartRows;
};

static const struct Seed kSeeds[] = {
    {"seq_444", 0, 1, 1, 0, 0, 0},  {"seq_422", 0, 2, 1, 0, 0, 0},  {"seq_420", 0, 2, 2, 0, 0, 0},
    {"seq_411", 0, 4, 1, 0, 0, 0},  {"seq_440", 0, 1, 2, 0, 0, 0},  {"prog_444", 0, 1, 1, 1, 0, 0},
    {"prog_422", 0, 2, 1, 1, 0, 0}, {"prog_420", 0, 2, 2, 1, 0, 0}, {"prog_411", 0, 4, 1, 1, 0, 0},
    {"prog_440", 0, 1, 2, 1, 0, 0}, {"grey_seq", 1, 1, 1, 0, 0, 0}, {"grey_prog", 1, 1, 1, 1, 0, 0},
    {"arith_seq", 0, 2, 2, 0, 1, 0}, {"arith_prog", 0, 2, 2, 1, 1, 0}, {"arith_grey", 1, 1, 1, 0, 1, 1},
    {"restart_seq", 0, 2, 1, 0, 0, 1}, {"restart_prog", 0, 1, 1, 1, 0, 1},
};

static void Pixel(int grey, int x, int y, JSAMPLE* out) {
    if (grey) {
        out[0] = (JSAMPLE)(x * 10 + y * 3);
        return;
    }
    out[0] = (JSAMPLE)(x * 10);
    out[1] = (JSAMPLE)(y * 15);
    out[2] = (JSAMPLE)((x ^ y) * 8);
}

static int WriteSeed(const struct Seed* seed, const char* folder) {
    char path[4096];
    snprintf(path, sizeof path, "%s/encoder_%s.jpg", folder, seed->name);
    FILE* file = fopen(path, "wb");
    if (!file) return 0;
    struct jpeg_compress_struct c;
    struct jpeg_error_mgr errors;
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, file);
    c.image_width = kWidth;
    c.image_height = kHeight;
    c.input_components = seed->grey ? 1 : 3;
    c.in_color_space = seed->grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 80, TRUE);
    c.comp_info[0].h_samp_factor = seed->h;
    c.comp_info[0].v_samp_factor = seed->v;
    c.arith_code = seed->arithmetic;
    c.restart_in_rows = seed->restartRows;
    if (seed->progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    JSAMPLE row[kWidth * 3];
    while (c.next_scanline < c.image_height) {
        for (int x = 0; x < kWidth; ++x) Pixel(seed->grey, x, (int)c.next_scanline, row + x * c.input_components);
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return fclose(file) == 0;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: jpeg_seeds FOLDER\n");
        return 2;
    }
    for (size_t i = 0; i < sizeof kSeeds / sizeof kSeeds[0]; ++i) {
        if (!WriteSeed(&kSeeds[i], argv[1])) {
            fprintf(stderr, "jpeg_seeds: cannot write %s in %s\n", kSeeds[i].name, argv[1]);
            return 1;
        }
    }
    return 0;
}
