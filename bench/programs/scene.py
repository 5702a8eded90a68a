# The scene benchmark drawn with pycairo: the same shapes, places and
# colours, round 3-pixel pens, anti-aliased, written as a 640 x 480 PNG.
import math
import sys

import cairo

seed = 12345


def next_value(limit):
    global seed
    seed = (seed * 1105 + 12345) % 65536
    return seed * limit // 65536


def any_colour():
    return (next_value(100) / 100, next_value(100) / 100, next_value(100) / 100)


surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, 640, 480)
ctx = cairo.Context(surface)
ctx.set_source_rgb(1, 1, 1)
ctx.paint()
ctx.set_line_width(3)
ctx.set_line_cap(cairo.LINE_CAP_ROUND)
ctx.set_line_join(cairo.LINE_JOIN_ROUND)
for i in range(1, 3001):
    x = next_value(640)
    y = next_value(480)
    r = 3 + next_value(25)
    pen = any_colour()
    brush = any_colour()
    kind = i % 5
    if kind == 3:
        ctx.move_to(x, y)
        ctx.line_to(x + next_value(120) - 60, y + next_value(120) - 60)
    elif kind == 0 or kind == 1:
        ctx.new_sub_path()
        ctx.arc(x, y, r, 0, 2 * math.pi)
    elif kind == 2:
        ctx.rectangle(x, y, 2 * r, r)
    else:
        ctx.move_to(x, y)
        ctx.line_to(x + r, y + r)
        ctx.line_to(x - r, y + r)
        ctx.close_path()
    if kind in (0, 2, 4):
        ctx.set_source_rgb(*brush)
        ctx.fill_preserve()
    ctx.set_source_rgb(*pen)
    ctx.stroke()
surface.write_to_png(sys.argv[1] if len(sys.argv) > 1 else "scene.png")
