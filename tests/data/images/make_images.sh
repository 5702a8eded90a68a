#!/bin/sh
# Remakes the image files the reader tests use. Every file is made by
# ImageMagick's convert from one small source picture, so the readers are
# checked against an encoder that is not ours; `<name>.rgba` beside each file
# is convert's own decoding of it (8 bits per channel, red green blue alpha).
# Bitmaps are only written bottom-up by convert; the top-down copies are the
# same files with the height negated and the rows reversed.
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
# The flattest pictures an encoder makes, sequential and progressive: the
# reader's bound on pixels a byte must let them through. No .rgba: one grey.
$C -size 1024x1024 xc:gray50 -quality 90 jpg_flat.jpg
$C -size 1024x1024 xc:gray50 -quality 90 -interlace JPEG jpg_flat_progressive.jpg

for f in *.bmp *.png *.jpg; do
    case $f in *_topdown.bmp | jpg_flat*) continue ;; esac
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
PY
rm source.pam
