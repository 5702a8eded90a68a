// The text module: layout by Pango and rendering by Cairo into a 1-bit
// surface, loaded with the first font a run makes (TextModule.h). Only its
// table is exported; the core's allocator, images and rasteriser are the
// executable's own.

#include "base/Utf8.h"
#include "graphics/TextModule.h"
#include "graphics/TextRender.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace vorlan::graphics {
namespace {

constexpr uint32_t kTagTextSurface = 22041;
constexpr uint32_t kTagTextBits = 22042;
constexpr uint32_t kTagTextUtf8 = 22043;

constexpr double kPi = 3.14159265359;
constexpr int32_t kWordCells = 32;  // cells in one 32-bit word of the 1-bit surface
// Cairo's image surfaces are at most this many cells along each side.
constexpr int32_t kLargestSurfaceSide = 32767;
// Boxes are clamped to this before the clipping works on them in 64 bits.
constexpr double kFarOutside = 1e12;

// Section - Engine set-up

// One bit per cell and no grey edges: every cell is ink or not, as it will
// be in the mask. Full hinting keeps small text legible at scale 1, and
// hinted metrics make a measured text exactly as wide as its drawing.
void SetEngineOptions(cairo_t* cairo, PangoLayout* layout) {
    cairo_set_antialias(cairo, CAIRO_ANTIALIAS_NONE);  // underlines are filled rectangles
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout), options);
    cairo_font_options_destroy(options);
    pango_layout_context_changed(layout);
}

// The font map keeps every face it has opened, with Cairo's fonts for them,
// for the life of the process. It is given back at exit, so that a leak
// checker sees only what the system itself may have lost; but only when no
// engine is open any more, since open layouts still use it. Fontconfig's own
// configuration stays: shutting fontconfig down aborts when any of Cairo's
// cached fonts still holds one of its patterns, and Cairo keeps those as it
// sees fit.
int openEngines = 0;

void ReleaseEngineCaches() {
    if (openEngines == 0) pango_cairo_font_map_set_default(nullptr);
}

// The engine's warnings (a face it cannot scale to a huge size, say) are no
// use to someone running a program: the text just draws less. Everything
// else goes on to the library's own writer.
GLogWriterOutput WriteEngineLog(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer data) {
    const bool serious = (level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL)) != 0;
    for (gsize i = 0; i < count && !serious; ++i) {
        if (std::strcmp(fields[i].key, "GLIB_DOMAIN") == 0 && fields[i].length < 0 &&
            std::strcmp(static_cast<const char*>(fields[i].value), "Pango") == 0)
            return G_LOG_WRITER_HANDLED;
    }
    return g_log_writer_default(level, fields, count, data);
}

// Done once, before the first engine opens.
void PrepareEngineOnce() {
    static const bool prepared = [] {
        g_log_set_writer_func(WriteEngineLog, nullptr, nullptr);
        return std::atexit(ReleaseEngineCaches) == 0;
    }();
    (void)prepared;
}

// A drawing context on a 1-bit surface with its layout. The surface's bits
// come from the allocator, so the memory account sees them.
struct Engine {
    OwnedBlock<uint8_t> bits;
    int32_t columns = 0;
    int32_t rows = 0;
    int32_t stride = 0;  // bytes per row, a multiple of 4
    cairo_surface_t* surface = nullptr;
    cairo_t* cairo = nullptr;
    PangoLayout* layout = nullptr;
};

void CloseEngine(Engine& engine) {
    if (engine.layout) g_object_unref(engine.layout);
    if (engine.cairo) cairo_destroy(engine.cairo);
    if (engine.surface) {
        cairo_surface_destroy(engine.surface);
        --openEngines;
    }
    engine = Engine{};
}

bool OpenEngine(Engine& engine, int32_t columns, int32_t rows) {
    if (columns < 1 || rows < 1 || columns > kLargestSurfaceSide || rows > kLargestSurfaceSide) return false;
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_A1, columns);
    if (stride <= 0) return false;
    PrepareEngineOnce();
    engine.columns = columns;
    engine.rows = rows;
    engine.stride = stride;
    // At most 32767 rows of 4096 bytes: well within size_t.
    const size_t bytes = static_cast<size_t>(stride) * static_cast<size_t>(rows);
    if (!engine.bits.Allocate(bytes, kTagTextBits)) return false;
    engine.surface = cairo_image_surface_create_for_data(engine.bits, CAIRO_FORMAT_A1, columns, rows, stride);
    ++openEngines;
    engine.cairo = cairo_create(engine.surface);
    bool ok = cairo_status(engine.cairo) == CAIRO_STATUS_SUCCESS;
    if (ok) {
        engine.layout = pango_cairo_create_layout(engine.cairo);
        ok = engine.layout != nullptr;
    }
    if (!ok) {
        CloseEngine(engine);
        return false;
    }
    SetEngineOptions(engine.cairo, engine.layout);
    return true;
}

}  // namespace

// The text surface a canvas keeps from its first text on.
struct TextSurface : Tagged<kTagTextSurface> {
    Engine engine;
    ~TextSurface() { CloseEngine(engine); }
};

namespace {

// The canvas's surface, made when first needed. A canvas's image only
// changes size by being replaced together with its record, but a surface
// that no longer matches is made anew rather than trusted.
Engine* SurfaceOf(SysCanvas& canvas) {
    TextSurface* held = canvas.textSurface;
    const SysImage& image = *canvas.image;
    if (held && held->engine.columns == image.columns && held->engine.rows == image.rows) return &held->engine;
    canvas.textSurface = nullptr;
    Owned<TextSurface> made(new TextSurface{});
    if (!made || !OpenEngine(made->engine, image.columns, image.rows)) return nullptr;
    canvas.textSurface = std::move(made);
    return &canvas.textSurface->engine;
}

// Section - Text and layout

// A text as the engine takes it: UTF-8, 0-terminated, in a block of ours.
class Utf8Text {
public:

    // With `stacked`, a line break follows every character (a surrogate pair
    // is one) and control characters are left out: a column.
    bool Make(const char16_t* chars, size_t count, bool stacked) {
        const size_t units = stacked ? 2 * count : count;
        OwnedBlock<char16_t> wide;
        if (!wide.Allocate(units + 1, kTagTextUtf8)) return false;
        size_t n = 0;
        for (size_t i = 0; i < count && chars[i]; ++i) {
            const char16_t c = chars[i];
            if (!stacked) {
                wide[n++] = c;
                continue;
            }
            if (c < u' ') continue;
            wide[n++] = c;
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && chars[i + 1] >= 0xDC00 && chars[i + 1] <= 0xDFFF)
                wide[n++] = chars[++i];
            wide[n++] = u'\n';
        }
        if (stacked && n > 0) --n;  // no empty line after the last character
        wide[n] = 0;
        // A 16-bit unit takes at most 3 bytes, and a surrogate pair 4 for its two.
        const size_t capacity = 3 * n + 1;
        return bytes_.Allocate(capacity, kTagTextUtf8) && WideToUtf8(wide, bytes_, capacity);
    }
    const char* Bytes() const { return bytes_; }

private:
    OwnedBlock<char> bytes_;
};

// Makes ascent plus descent of the font's face size × scale cells, so a
// TFont of size 20 sets lines 20 pixels apart whichever face it finds.
void FitCellHeight(PangoLayout* layout, const SysFont& font) {
    if (font.cellHeightFitted) return;
    font.cellHeightFitted = true;
    PangoFontMetrics* metrics = pango_context_get_metrics(pango_layout_get_context(layout), font.description, nullptr);
    if (!metrics) return;
    const double height = pango_font_metrics_get_ascent(metrics) + pango_font_metrics_get_descent(metrics);
    pango_font_metrics_unref(metrics);
    const double em = pango_font_description_get_size(font.description);
    if (height > 0 && em > 0) pango_font_description_set_absolute_size(font.description, std::max(1.0, em * em / height));
}

// Sets everything about the layout that one drawing asks for; the layout is
// reused, so nothing may be left from the one before. `wrapCells` ≤ 0 keeps
// each line whole.
void Configure(PangoLayout* layout, const SysFont& font, const char* utf8, int64_t wrapCells, PangoAlignment alignment,
               bool justify) {
    FitCellHeight(layout, font);
    pango_layout_set_font_description(layout, font.description);
    pango_layout_set_text(layout, utf8, -1);
    // Pango takes the width in 1/1024 cells in an int; no text is that wide,
    // so a wider wrap is as good as none.
    constexpr int64_t kWidestWrap = std::numeric_limits<int>::max() / PANGO_SCALE;
    const bool wraps = wrapCells > 0 && wrapCells <= kWidestWrap;
    pango_layout_set_width(layout, wraps ? static_cast<int>(wrapCells * PANGO_SCALE) : -1);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
    pango_layout_set_alignment(layout, alignment);
    pango_layout_set_justify(layout, justify);
    PangoAttrList* attributes = nullptr;
    if (font.underline) {
        attributes = pango_attr_list_new();
        pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    }
    pango_layout_set_attributes(layout, attributes);
    if (attributes) pango_attr_list_unref(attributes);
}

// A rectangle in layout space, in cells: u along the baseline, v down the lines.
struct Box {
    double u, v, width, height;
};

Box ToBox(const PangoRectangle& r) {
    return {static_cast<double>(r.x) / PANGO_SCALE, static_cast<double>(r.y) / PANGO_SCALE,
            static_cast<double>(r.width) / PANGO_SCALE, static_cast<double>(r.height) / PANGO_SCALE};
}

Box Union(const Box& a, const Box& b) {
    if (a.width <= 0 || a.height <= 0) return b;
    if (b.width <= 0 || b.height <= 0) return a;
    const double u = std::min(a.u, b.u), v = std::min(a.v, b.v);
    return {u, v, std::max(a.u + a.width, b.u + b.width) - u, std::max(a.v + a.height, b.v + b.height) - v};
}

// Section - Drawing

// How a text is to be placed: the anchor, a point in layout space, lands on
// the reference cell and the layout turns about it by `radians`; `extent`
// holds every cell the text may ink, and the margins widen it for clipping.
struct Placing {
    double refX, refY;
    double radians;
    double anchorU, anchorV;  // in layout space
    Box extent;
    int32_t marginX, marginY;
};

// The left, middle or right of a box and its top, middle or bottom.
void AnchorOf(const Box& box, HorzAlign halign, VertAlign valign, double* u, double* v) {
    *u = box.u + (halign == HorzAlign::Centre ? box.width / 2 : halign == HorzAlign::Right ? box.width : 0);
    *v = box.v + (valign == VertAlign::Centre ? box.height / 2 : valign == VertAlign::Bottom ? box.height : 0);
}

int64_t Floor(double value) { return static_cast<int64_t>(std::floor(std::clamp(value, -kFarOutside, kFarOutside))); }
int64_t Ceil(double value) { return static_cast<int64_t>(std::ceil(std::clamp(value, -kFarOutside, kFarOutside))); }

// Clears the area's words, so the surface need not be cleared as a whole.
void ClearArea(Engine& engine, const TextArea& area) {
    const size_t firstByte = static_cast<size_t>(area.left / kWordCells) * 4;
    const size_t bytes = static_cast<size_t>((area.right - area.left + kWordCells - 1) / kWordCells) * 4;
    for (int32_t row = area.top; row < area.bottom; ++row)
        std::memset(engine.bits + static_cast<size_t>(row) * static_cast<size_t>(engine.stride) + firstByte, 0, bytes);
}

// Cairo packs an A1 row into native 32-bit words with the first cell in the
// least significant bit on little-endian machines and in the most significant
// on big-endian ones; a set bit is ink.
constexpr uint32_t CellBit(int32_t cell) {
    return std::endian::native == std::endian::little ? uint32_t{1} << cell : uint32_t{0x80000000u} >> cell;
}

// The area's ink as a Pattern image of pen cells at the canvas's scale.
SysImage* ReadMask(const Engine& engine, const TextArea& area, uint16_t scale) {
    const int32_t width = area.right - area.left;
    const int32_t height = area.bottom - area.top;
    SysImage* mask = CreateCellImage(width, height, ImageMode::Pattern, scale);
    if (!mask) return nullptr;
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t* words = engine.bits + static_cast<size_t>(area.top + row) * static_cast<size_t>(engine.stride) +
                               static_cast<size_t>(area.left / kWordCells) * 4;
        uint8_t* cells = mask->PatternRow(row);
        for (int32_t first = 0; first < width; first += kWordCells, words += 4) {
            uint32_t word;
            std::memcpy(&word, words, sizeof word);
            if (word == 0) continue;  // most of a text's area is empty
            const int32_t count = std::min(kWordCells, width - first);
            for (int32_t cell = 0; cell < count; ++cell) {
                if (word & CellBit(cell)) cells[first + cell] = kCellPen;
            }
        }
    }
    return mask;
}

// Draws the configured layout as placed and hands its ink to the canvas.
Status Render(SysCanvas& canvas, Engine& engine, const PenPaint& pen, PointF origin, const Placing& placing) {
    SysImage& image = *canvas.image;
    const double c = std::cos(placing.radians), s = std::sin(placing.radians);
    // Where the layout's own (0, 0) lands, on a whole cell so that a text
    // looks the same wherever it is drawn.
    const double startX = std::round(placing.refX - placing.anchorU * c + placing.anchorV * s);
    const double startY = std::round(placing.refY - placing.anchorU * s - placing.anchorV * c);

    const Box& e = placing.extent;
    double minX = startX, maxX = startX, minY = startY, maxY = startY;
    for (const double u : {e.u, e.u + e.width}) {
        for (const double v : {e.v, e.v + e.height}) {
            const double x = startX + u * c - v * s, y = startY + u * s + v * c;
            minX = std::min(minX, x), maxX = std::max(maxX, x);
            minY = std::min(minY, y), maxY = std::max(maxY, y);
        }
    }
    TextArea area{};
    if (!ClipTextArea(Floor(minX), Floor(minY), Ceil(maxX), Ceil(maxY), placing.marginX, placing.marginY,
                      image.columns, image.rows, &area))
        return Status::Success;

    ClearArea(engine, area);
    cairo_surface_mark_dirty_rectangle(engine.surface, area.left, area.top, area.right - area.left,
                                       area.bottom - area.top);
    cairo_t* cr = engine.cairo;
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_rectangle(cr, area.left, area.top, area.right - area.left, area.bottom - area.top);
    cairo_clip(cr);
    cairo_translate(cr, startX, startY);
    cairo_rotate(cr, placing.radians);  // Cairo's y runs down too, so this turns clockwise
    pango_cairo_update_layout(cr, engine.layout);
    cairo_move_to(cr, 0, 0);
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    pango_cairo_show_layout(cr, engine.layout);
    cairo_restore(cr);
    cairo_surface_flush(engine.surface);
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) return Status::Refused;

    const Owned<SysImage> mask(ReadMask(engine, area, image.scale));
    if (!mask) return Status::Refused;
    return image.mode == ImageMode::Picture ? RenderMask(image, &pen, nullptr, *mask, area.left, area.top, origin)
                                            : StampTip(*mask, image, area.left, area.top);
}

// The layout's extents with the canvas turned by `radians`: hinting depends
// on the turn, so the text is measured as it will be drawn.
void Extents(Engine& engine, double radians, Box* ink, Box* logical) {
    cairo_identity_matrix(engine.cairo);
    cairo_rotate(engine.cairo, radians);
    pango_cairo_update_layout(engine.cairo, engine.layout);
    PangoRectangle inkRect{}, logicalRect{};
    pango_layout_get_extents(engine.layout, &inkRect, &logicalRect);
    cairo_identity_matrix(engine.cairo);
    *ink = ToBox(inkRect);
    *logical = ToBox(logicalRect);
}

// Pango's weights run from thin (100) to ultra-heavy (1000) on the same scale
// as the record's, which may go down to 1.
constexpr int32_t kLightestEngineWeight = 100;

// The font's description, made the first time the font is laid out; false
// when the engine cannot make one.
bool Describe(const SysFont& font) {
    if (font.description) return true;
    PangoFontDescription* description = pango_font_description_new();
    char family[(kTypefaceMax + 1) * 3];
    if (font.typeface[0] && WideToUtf8(font.typeface, family, sizeof family))
        pango_font_description_set_family(description, family);
    // Absolute sizes are in device units, which are canvas cells here: the
    // text is drawn at the canvas's own resolution, whatever the screen's.
    // 65535 × 4 × PANGO_SCALE stays below 2^31.
    pango_font_description_set_absolute_size(description, static_cast<double>(font.size) * font.scale * PANGO_SCALE);
    pango_font_description_set_weight(description,
                                      static_cast<PangoWeight>(std::max(font.weight, kLightestEngineWeight)));
    pango_font_description_set_style(description, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    font.description = description;
    return description != nullptr;
}

// What every drawing starts with: the canvas can take text, the surface is
// there and the text is in the engine's form.
Status Begin(SysCanvas& canvas, SysFont& font, const TextRequest& text, bool stacked, int32_t angle, Engine** engine,
             Utf8Text* utf8) {
    if (!canvas.image) return Status::UsingNull;
    const ImageMode mode = canvas.image->mode;
    if (mode != ImageMode::Picture && mode != ImageMode::Pattern) return Status::Invalid;
    if (!Describe(font)) return Status::Refused;
    *engine = SurfaceOf(canvas);
    if (!*engine) return Status::Refused;
    if (!utf8->Make(text.chars, text.count, stacked)) return Status::OutOfMemory;
    // Pango turns text by the Cairo transform, so the font itself needs no
    // re-making for another angle; the record only notes it.
    font.angle = static_cast<int16_t>(angle);
    return Status::Success;
}

double Radians(int32_t tenths) { return tenths / 1800.0 * kPi; }

// Where every layout starts: the reference cell of the origin and the turn,
// with the configured layout's extents measured as it will be drawn.
Placing StartPlacing(Engine& engine, PointF origin, uint16_t scale, int32_t angle, Box* ink, Box* logical) {
    Placing placing{};
    placing.refX = ToSubPixel(origin.x, scale);
    placing.refY = ToSubPixel(origin.y, scale);
    placing.radians = Radians(angle);
    Extents(engine, placing.radians, ink, logical);
    return placing;
}

Status EngineDrawLine(SysCanvas& canvas, PointF origin, const PenPaint& pen, SysFont& font, const TextRequest& text,
                    int32_t angle, int32_t width) {
    Engine* engine = nullptr;
    Utf8Text utf8;
    VL_PROPAGATE(Begin(canvas, font, text, false, angle, &engine, &utf8));
    const uint16_t scale = canvas.image->scale;
    const int32_t lineHeight = font.size * scale;
    const int64_t wrap = int64_t{width} * scale;
    const bool block = wrap >= 1 && angle == 0;

    // In a block the alignment places each line within the block as well as
    // the block on the origin; Both fills the lines out to the width.
    PangoAlignment alignment = PANGO_ALIGN_LEFT;
    if (block && text.halign == HorzAlign::Centre) alignment = PANGO_ALIGN_CENTER;
    if (block && text.halign == HorzAlign::Right) alignment = PANGO_ALIGN_RIGHT;
    Configure(engine->layout, font, utf8.Bytes(), block ? wrap : 0, alignment, block && text.halign == HorzAlign::Both);

    Box ink{}, logical{};
    Placing placing = StartPlacing(*engine, origin, scale, angle, &ink, &logical);
    AnchorOf(logical, text.halign, text.valign, &placing.anchorU, &placing.anchorV);
    placing.extent = Union(ink, logical);
    // The margins take in whatever a turned or slanted glyph's rendering adds
    // to its measured ink; a block is never turned.
    placing.marginX = lineHeight;
    placing.marginY = block ? 0 : lineHeight;
    return Render(canvas, *engine, pen, origin, placing);
}

Status EngineDrawColumn(SysCanvas& canvas, PointF origin, const PenPaint& pen, SysFont& font, const TextRequest& text,
                      int32_t angle) {
    Engine* engine = nullptr;
    Utf8Text utf8;
    VL_PROPAGATE(Begin(canvas, font, text, true, angle, &engine, &utf8));
    const uint16_t scale = canvas.image->scale;
    // One character a line, each centred on the column's middle; the layout
    // turned by the angle keeps the characters at it while its lines run a
    // quarter turn further on.
    Configure(engine->layout, font, utf8.Bytes(), 0, PANGO_ALIGN_CENTER, false);

    Box ink{}, logical{};
    Placing placing = StartPlacing(*engine, origin, scale, angle, &ink, &logical);
    if (ink.width <= 0 || ink.height <= 0) return Status::Refused;  // nothing to align by
    // A column is placed by its ink: Both has no side of its own and centres it.
    const HorzAlign halign = text.halign == HorzAlign::Both ? HorzAlign::Centre : text.halign;
    AnchorOf(ink, halign, text.valign, &placing.anchorU, &placing.anchorV);
    placing.extent = Union(ink, logical);
    placing.marginX = placing.marginY = font.size * scale;
    return Render(canvas, *engine, pen, origin, placing);
}

Status EngineMeasure(const SysFont& font, const char16_t* chars, size_t count, int32_t width, int32_t* measuredWidth,
                   int32_t* measuredHeight) {
    if (font.scale == 0 || !Describe(font)) return Status::Refused;
    Utf8Text utf8;
    if (!utf8.Make(chars, count, false)) return Status::OutOfMemory;
    // A surface of one cell: measuring draws nothing, but the engine takes
    // its hinting from a surface like the one text is drawn on.
    Engine engine;
    if (!OpenEngine(engine, 1, 1)) return Status::Refused;
    Configure(engine.layout, font, utf8.Bytes(), width > 0 ? int64_t{width} * font.scale : 0, PANGO_ALIGN_LEFT,
              false);
    pango_cairo_update_layout(engine.cairo, engine.layout);
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(engine.layout, nullptr, &logical);
    CloseEngine(engine);
    const int32_t right = std::max(logical.x + logical.width, 0);
    const int32_t height = std::max(logical.height, 0);
    *measuredWidth = (right + font.scale - 1) / font.scale;
    *measuredHeight = (height + font.scale - 1) / font.scale;
    return Status::Success;
}

// Section - Fonts and surfaces

void ReleaseDescription(_PangoFontDescription* description) { pango_font_description_free(description); }

void ReleaseSurface(TextSurface* surface) { delete surface; }

// The table is built before main, so the module never runs code of its own
// between loading and the first call.
constexpr TextModuleTable kEngineTable = {
    .head = {.version = kTextModuleVersion},
    .releaseDescription = &ReleaseDescription,
    .drawLine = &EngineDrawLine,
    .drawColumn = &EngineDrawColumn,
    .measure = &EngineMeasure,
    .releaseSurface = &ReleaseSurface,
};

}  // namespace
}  // namespace vorlan::graphics

// The module's one exported name; everything else in it is hidden, so
// nothing here can stand in for the core's functions of the same purpose.
extern "C" __attribute__((visibility("default"))) const vorlan::ModuleTableHead* VorlanTextModule() {
    return &vorlan::graphics::kEngineTable.head;
}

