#pragma once
// The text module's table: text layout and rendering on Pango, Cairo and
// fontconfig live in vorlan-text.so, loaded when a run first draws or
// measures text, so that a run without text loads none of those libraries.
// The calls in TextRender.cpp load it and go on through this table; a font
// record gets its engine description from the module on first use.

#include "base/ModuleLoader.h"
#include "base/Status.h"
#include "graphics/Font.h"
#include "graphics/TextRender.h"

#include <cstddef>
#include <cstdint>

namespace vorlan::graphics {

// Raised whenever a field below changes its meaning, is added or removed.
constexpr uint32_t kTextModuleVersion = 1;
constexpr const char* kTextModuleFile = "vorlan-text.so";
constexpr const char* kTextModuleEntry = "VorlanTextModule";

// The drawing entries do what their namesakes in TextRender.h do.
struct TextModuleTable {
    ModuleTableHead head;
    void (*releaseDescription)(_PangoFontDescription* description);
    Status (*drawLine)(SysCanvas& canvas, PointF origin, const PenPaint& pen, SysFont& font, const TextRequest& text,
                       int32_t angle, int32_t width);
    Status (*drawColumn)(SysCanvas& canvas, PointF origin, const PenPaint& pen, SysFont& font,
                         const TextRequest& text, int32_t angle);
    Status (*measure)(const SysFont& font, const char16_t* chars, size_t count, int32_t width,
                      int32_t* measuredWidth, int32_t* measuredHeight);
    void (*releaseSurface)(TextSurface* surface);
};

// Loads the module the first time; nullptr when it cannot be loaded, which
// is tried, and reported, only once.
const TextModuleTable* TextModule();

}  // namespace vorlan::graphics
