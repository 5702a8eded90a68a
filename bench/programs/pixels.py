# The pixels benchmark drawn with pycairo: the Mandelbrot set, 320 x 240, each
# point a 1 x 1 rectangle in a colour from its escape count, written as a PNG.
import sys

import cairo

surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, 320, 240)
ctx = cairo.Context(surface)
for row in range(240):
    cy = row * 0.01 - 1.2
    for col in range(320):
        cx = col * 0.009375 - 2
        x = y = xx = yy = 0.0
        n = 0
        while n < 100 and xx + yy <= 4:
            y = 2 * x * y + cy
            x = xx - yy + cx
            xx = x * x
            yy = y * y
            n += 1
        ctx.set_source_rgb(n / 100, n * n // 100 / 100, (100 - n) / 100)
        ctx.rectangle(col, row, 1, 1)
        ctx.fill()
surface.write_to_png(sys.argv[1] if len(sys.argv) > 1 else "pixels.png")
