#!/bin/sh
# Remakes the image files the reader tests use. Every file is made by
# ImageMagick's convert from one small source picture, so the readers are
# checked against an encoder that is not ours; `<name>.rgba` beside each file
# is convert's own decoding of it (8 bits per channel, red green blue alpha).
# Bitmaps are only written bottom-up by convert; the top-down copies are the
# same files with the height negated and the rows reversed. Other copies made
# here show what other writers do: _gap has bytes between the table and
# the pixels, _short_table a colour table of only the colours used,
# _bitfields 32-bit pixels described by masks after a 40-byte header.
set -eu
cd "$(dirname "$0")"
C=/usr/bin/convert  # the real one, not a stand-in earlier on PATH
PNG_QUIET="-define png:exclude-chunks=date,time"

python3 - <<'PY'
w, h = 7, 3
with open("source.pam", "wb") as f:
    f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" % (w, h))
    for i in range(w * h):
        alpha = (0, 128, 255)[i % 3] if i % 4 else 255
        f.write(bytes(((i * 37) % 256, (i * 91 + 20) % 256, (255 - i * 11) % 256, alpha)))
PY

opaque="-alpha off"
$C source.pam $opaque -monochrome -compress none BMP3:bmp1.bmp
$C source.pam $opaque -colors 16 -type Palette -compress none BMP3:bmp4.bmp
$C source.pam $opaque -type Palette -compress none BMP3:bmp8.bmp
$C source.pam $opaque -type TrueColor -compress none BMP3:bmp24.bmp
$C source.pam $opaque -alpha set -define bmp3:alpha=true -compress none BMP3:bmp32.bmp
# convert's own default form: a 108-byte header for one bit, 124 otherwise,
# and 32 bits with masks and real alpha.
$C source.pam $opaque -monochrome -compress none bmp1_v4.bmp
$C source.pam $opaque -colors 16 -type Palette -compress none bmp4_v5.bmp
$C source.pam $opaque -type Palette -compress none bmp8_v5.bmp
$C source.pam $opaque -type TrueColor -compress none bmp24_v5.bmp
$C source.pam -compress none bmp32_v5.bmp

$C source.pam $opaque -colorspace Gray -define png:color-type=0 -define png:bit-depth=8 $PNG_QUIET png_grey.png
$C source.pam $opaque -monochrome -define png:color-type=0 -define png:bit-depth=1 $PNG_QUIET png_grey1.png
$C source.pam -colorspace Gray -define png:color-type=4 -define png:bit-depth=8 $PNG_QUIET png_grey_alpha.png
$C source.pam $opaque -define png:color-type=3 $PNG_QUIET png_palette.png
$C source.pam $PNG_QUIET PNG8:png_palette_alpha.png
$C source.pam $opaque -define png:color-type=2 -define png:bit-depth=8 $PNG_QUIET png_rgb.png
$C source.pam -define png:color-type=6 -define png:bit-depth=8 $PNG_QUIET png_rgba.png
$C source.pam -depth 16 -define png:color-type=6 -define png:bit-depth=16 $PNG_QUIET png_rgba16.png
$C source.pam -interlace PNG -define png:color-type=6 $PNG_QUIET png_interlaced.png

$C source.pam $opaque -quality 90 jpg_rgb.jpg
$C source.pam $opaque -colorspace Gray -quality 90 jpg_grey.jpg
$C source.pam $opaque -interlace JPEG -quality 90 jpg_progressive.jpg
$C source.pam $opaque -sampling-factor 2x2 -quality 90 jpg_420.jpg
# Printers' four inks: refused, so no .rgba.
$C source.pam $opaque -colorspace CMYK -quality 90 jpg_cmyk.jpg
# The flattest pictures an encoder makes, sequential and progressive: the
# reader's bound on pixels a byte must let them through. No .rgba: one grey.
$C -size 1024x1024 xc:gray50 -quality 90 jpg_flat.jpg
$C -size 1024x1024 xc:gray50 -quality 90 -interlace JPEG jpg_flat_progressive.jpg

for f in *.bmp *.png *.jpg; do
    case $f in *_topdown.bmp | *_gap.bmp | *_short_table.bmp | *_bitfields.bmp | jpg_flat* | jpg_cmyk.jpg) continue ;; esac
    $C "$f" -depth 8 rgba:"${f%.*}.rgba"
done

python3 - <<'PY'
import struct
for bits in (1, 4, 8, 24, 32):
    data = bytearray(open("bmp%d.bmp" % bits, "rb").read())
    width, height = struct.unpack_from("<ii", data, 18)
    offset = struct.unpack_from("<I", data, 10)[0]
    row = (width * bits + 31) // 32 * 4
    rows = [data[offset + r * row: offset + (r + 1) * row] for r in range(height)]
    struct.pack_into("<i", data, 22, -height)
    data[offset: offset + row * height] = b"".join(reversed(rows))
    open("bmp%d_topdown.bmp" % bits, "wb").write(data)

# Each change returns how far it moved the pixels.
def rewrite(source, target, change):
    data = bytearray(open(source, "rb").read())
    moved = change(data, struct.unpack_from("<I", data, 10)[0])
    struct.pack_into("<I", data, 2, len(data))
    struct.pack_into("<I", data, 10, struct.unpack_from("<I", data, 10)[0] + moved)
    open(target, "wb").write(data)

def gap(data, offset):
    data[offset:offset] = b"\xEE" * 10
    return 10

def short_table(data, offset):
    width, height = struct.unpack_from("<ii", data, 18)
    row = (width + 3) // 4 * 4
    used = 1 + max(data[offset + r * row + x] for r in range(height) for x in range(width))
    struct.pack_into("<II", data, 46, used, used)
    del data[54 + 4 * used: offset]
    return 54 + 4 * used - offset

def bitfields(data, offset):
    struct.pack_into("<I", data, 30, 3)
    data[54:54] = struct.pack("<III", 0xFF0000, 0xFF00, 0xFF)
    return 12

rewrite("bmp24.bmp", "bmp24_gap.bmp", gap)
rewrite("bmp8.bmp", "bmp8_short_table.bmp", short_table)
rewrite("bmp32.bmp", "bmp32_bitfields.bmp", bitfields)
PY
rm source.pam
