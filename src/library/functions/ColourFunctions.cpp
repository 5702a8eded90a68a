// Colours made otherwise than by their percentages: from hue, saturation and
// value, and from the names and hexadecimal forms of the web's colours.
// Every result is a Colour in percent, as every colour in Vorlan is; a
// percentage that is a whole number is stored as one.

#include "library/functions/BuiltinFunctions.h"
#include "library/functions/FunctionCall.h"

#include "value/Number.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

namespace vorlan::library {

using runtime::Number;

namespace {

// Offsets of the Colour's fields, and of the arguments.
constexpr uint32_t kRed = 0, kGreen = 4, kBlue = 8, kOpacity = 12;

struct NamedColour {
    std::u16string_view name;  // lower case
    uint32_t rgb;              // 0xRRGGBB
};

// The 148 colour names of CSS, in alphabetical order.
// clang-format off
constexpr std::array<NamedColour, 148> kNamedColours = {{
    {u"aliceblue", 0xF0F8FF}, {u"antiquewhite", 0xFAEBD7}, {u"aqua", 0x00FFFF}, {u"aquamarine", 0x7FFFD4},
    {u"azure", 0xF0FFFF}, {u"beige", 0xF5F5DC}, {u"bisque", 0xFFE4C4}, {u"black", 0x000000},
    {u"blanchedalmond", 0xFFEBCD}, {u"blue", 0x0000FF}, {u"blueviolet", 0x8A2BE2}, {u"brown", 0xA52A2A},
    {u"burlywood", 0xDEB887}, {u"cadetblue", 0x5F9EA0}, {u"chartreuse", 0x7FFF00}, {u"chocolate", 0xD2691E},
    {u"coral", 0xFF7F50}, {u"cornflowerblue", 0x6495ED}, {u"cornsilk", 0xFFF8DC}, {u"crimson", 0xDC143C},
    {u"cyan", 0x00FFFF}, {u"darkblue", 0x00008B}, {u"darkcyan", 0x008B8B}, {u"darkgoldenrod", 0xB8860B},
    {u"darkgray", 0xA9A9A9}, {u"darkgreen", 0x006400}, {u"darkgrey", 0xA9A9A9}, {u"darkkhaki", 0xBDB76B},
    {u"darkmagenta", 0x8B008B}, {u"darkolivegreen", 0x556B2F}, {u"darkorange", 0xFF8C00}, {u"darkorchid", 0x9932CC},
    {u"darkred", 0x8B0000}, {u"darksalmon", 0xE9967A}, {u"darkseagreen", 0x8FBC8F}, {u"darkslateblue", 0x483D8B},
    {u"darkslategray", 0x2F4F4F}, {u"darkslategrey", 0x2F4F4F}, {u"darkturquoise", 0x00CED1}, {u"darkviolet", 0x9400D3},
    {u"deeppink", 0xFF1493}, {u"deepskyblue", 0x00BFFF}, {u"dimgray", 0x696969}, {u"dimgrey", 0x696969},
    {u"dodgerblue", 0x1E90FF}, {u"firebrick", 0xB22222}, {u"floralwhite", 0xFFFAF0}, {u"forestgreen", 0x228B22},
    {u"fuchsia", 0xFF00FF}, {u"gainsboro", 0xDCDCDC}, {u"ghostwhite", 0xF8F8FF}, {u"gold", 0xFFD700},
    {u"goldenrod", 0xDAA520}, {u"gray", 0x808080}, {u"green", 0x008000}, {u"greenyellow", 0xADFF2F},
    {u"grey", 0x808080}, {u"honeydew", 0xF0FFF0}, {u"hotpink", 0xFF69B4}, {u"indianred", 0xCD5C5C},
    {u"indigo", 0x4B0082}, {u"ivory", 0xFFFFF0}, {u"khaki", 0xF0E68C}, {u"lavender", 0xE6E6FA},
    {u"lavenderblush", 0xFFF0F5}, {u"lawngreen", 0x7CFC00}, {u"lemonchiffon", 0xFFFACD}, {u"lightblue", 0xADD8E6},
    {u"lightcoral", 0xF08080}, {u"lightcyan", 0xE0FFFF}, {u"lightgoldenrodyellow", 0xFAFAD2}, {u"lightgray", 0xD3D3D3},
    {u"lightgreen", 0x90EE90}, {u"lightgrey", 0xD3D3D3}, {u"lightpink", 0xFFB6C1}, {u"lightsalmon", 0xFFA07A},
    {u"lightseagreen", 0x20B2AA}, {u"lightskyblue", 0x87CEFA}, {u"lightslategray", 0x778899}, {u"lightslategrey", 0x778899},
    {u"lightsteelblue", 0xB0C4DE}, {u"lightyellow", 0xFFFFE0}, {u"lime", 0x00FF00}, {u"limegreen", 0x32CD32},
    {u"linen", 0xFAF0E6}, {u"magenta", 0xFF00FF}, {u"maroon", 0x800000}, {u"mediumaquamarine", 0x66CDAA},
    {u"mediumblue", 0x0000CD}, {u"mediumorchid", 0xBA55D3}, {u"mediumpurple", 0x9370DB}, {u"mediumseagreen", 0x3CB371},
    {u"mediumslateblue", 0x7B68EE}, {u"mediumspringgreen", 0x00FA9A}, {u"mediumturquoise", 0x48D1CC},
    {u"mediumvioletred", 0xC71585}, {u"midnightblue", 0x191970}, {u"mintcream", 0xF5FFFA}, {u"mistyrose", 0xFFE4E1},
    {u"moccasin", 0xFFE4B5}, {u"navajowhite", 0xFFDEAD}, {u"navy", 0x000080}, {u"oldlace", 0xFDF5E6},
    {u"olive", 0x808000}, {u"olivedrab", 0x6B8E23}, {u"orange", 0xFFA500}, {u"orangered", 0xFF4500},
    {u"orchid", 0xDA70D6}, {u"palegoldenrod", 0xEEE8AA}, {u"palegreen", 0x98FB98}, {u"paleturquoise", 0xAFEEEE},
    {u"palevioletred", 0xDB7093}, {u"papayawhip", 0xFFEFD5}, {u"peachpuff", 0xFFDAB9}, {u"peru", 0xCD853F},
    {u"pink", 0xFFC0CB}, {u"plum", 0xDDA0DD}, {u"powderblue", 0xB0E0E6}, {u"purple", 0x800080},
    {u"rebeccapurple", 0x663399}, {u"red", 0xFF0000}, {u"rosybrown", 0xBC8F8F}, {u"royalblue", 0x4169E1},
    {u"saddlebrown", 0x8B4513}, {u"salmon", 0xFA8072}, {u"sandybrown", 0xF4A460}, {u"seagreen", 0x2E8B57},
    {u"seashell", 0xFFF5EE}, {u"sienna", 0xA0522D}, {u"silver", 0xC0C0C0}, {u"skyblue", 0x87CEEB},
    {u"slateblue", 0x6A5ACD}, {u"slategray", 0x708090}, {u"slategrey", 0x708090}, {u"snow", 0xFFFAFA},
    {u"springgreen", 0x00FF7F}, {u"steelblue", 0x4682B4}, {u"tan", 0xD2B48C}, {u"teal", 0x008080},
    {u"thistle", 0xD8BFD8}, {u"tomato", 0xFF6347}, {u"turquoise", 0x40E0D0}, {u"violet", 0xEE82EE},
    {u"wheat", 0xF5DEB3}, {u"white", 0xFFFFFF}, {u"whitesmoke", 0xF5F5F5}, {u"yellow", 0xFFFF00},
    {u"yellowgreen", 0x9ACD32},
}};
// clang-format on

constexpr bool NamesInOrder() {
    for (size_t i = 1; i < kNamedColours.size(); ++i)
        if (!(kNamedColours[i - 1].name < kNamedColours[i].name)) return false;
    return true;
}
static_assert(NamesInOrder(), "the colour names are searched by halves");

// A percentage: whole when it is, a single-precision real otherwise.
Number Percent(double value) {
    const auto single = static_cast<float>(value);
    Number word = runtime::kNullNumber;
    if (single == std::floor(single)) (void)runtime::MakeInteger(static_cast<int64_t>(single), &word);
    else (void)runtime::MakeReal(single, &word);
    return word;
}

void SetColour(void* result, double red, double green, double blue, double opacity) {
    runtime::StoreCell(static_cast<uint8_t*>(result) + kRed, Percent(red));
    runtime::StoreCell(static_cast<uint8_t*>(result) + kGreen, Percent(green));
    runtime::StoreCell(static_cast<uint8_t*>(result) + kBlue, Percent(blue));
    runtime::StoreCell(static_cast<uint8_t*>(result) + kOpacity, Percent(opacity));
}

void SetColourNull(void* result) {
    for (uint32_t offset : {kRed, kGreen, kBlue, kOpacity})
        runtime::StoreCell(static_cast<uint8_t*>(result) + offset, runtime::kNullNumber);
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// #RGB, #RRGGBB or #RRGGBBAA as bytes red, green, blue, opacity; false for
// anything else.
bool ReadHex(std::u16string_view text, uint32_t (&bytes)[4]) {
    if (text.empty() || text[0] != u'#') return false;
    text.remove_prefix(1);
    const size_t width = text.size() == 3 ? 1 : 2;
    if (text.size() != 3 && text.size() != 6 && text.size() != 8) return false;
    bytes[3] = 255;
    for (size_t i = 0; i * width < text.size(); ++i) {
        int value = 0;
        for (size_t j = 0; j < width; ++j) {
            const int digit = HexDigit(text[i * width + j]);
            if (digit < 0) return false;
            value = value * 16 + digit;
        }
        bytes[i] = static_cast<uint32_t>(width == 1 ? value * 17 : value);  // #F0A is #FF00AA
    }
    return true;
}

bool FindName(std::u16string_view text, uint32_t* rgb) {
    char16_t lower[24];
    if (text.empty() || text.size() > std::size(lower)) return false;
    for (size_t i = 0; i < text.size(); ++i)
        lower[i] = text[i] >= u'A' && text[i] <= u'Z' ? static_cast<char16_t>(text[i] - u'A' + u'a') : text[i];
    const std::u16string_view name(lower, text.size());
    const auto* found = std::lower_bound(kNamedColours.begin(), kNamedColours.end(), name,
                                         [](const NamedColour& row, std::u16string_view key) { return row.name < key; });
    if (found == kNamedColours.end() || found->name != name) return false;
    *rgb = found->rgb;
    return true;
}

}  // namespace

// Hue in degrees (any, taken modulo 360), saturation, value and opacity in
// percent (each held within 0 to 100), to the Colour the hexagonal model gives.
Status HSV(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    SetColourNull(result);
    float hue = 0, saturation = 0, value = 0, opacity = 0;
    VL_PROPAGATE(call.ArgumentError(u"hue", call.ReadReal(0, &hue)));
    VL_PROPAGATE(call.ArgumentError(u"saturation", call.ReadReal(4, &saturation)));
    VL_PROPAGATE(call.ArgumentError(u"value", call.ReadReal(8, &value)));
    VL_PROPAGATE(call.ArgumentError(u"opacity", call.ReadReal(12, &opacity)));
    double h = std::fmod(static_cast<double>(hue), 360.0);
    if (h < 0) h += 360.0;
    const double s = std::clamp(static_cast<double>(saturation), 0.0, 100.0) / 100.0;
    const double v = std::clamp(static_cast<double>(value), 0.0, 100.0);
    const double sector = h / 60.0;
    const int whole = static_cast<int>(sector) % 6;
    const double part = sector - std::floor(sector);
    const double p = v * (1 - s), q = v * (1 - s * part), t = v * (1 - s * (1 - part));
    const double rgb[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
    SetColour(result, rgb[whole][0], rgb[whole][1], rgb[whole][2], std::clamp(static_cast<double>(opacity), 0.0, 100.0));
    return Status::Success;
}

// A web colour by name (the 148 of CSS, any letter case) or as #RGB, #RRGGBB
// or #RRGGBBAA; each byte b becomes b × 100 / 255 percent.
Status ColourOf(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    SetColourNull(result);
    const std::optional<std::u16string_view> text = call.TextView(0);
    if (!text) return call.ArgumentError(u"name", Status::UsingNull);
    uint32_t bytes[4] = {0, 0, 0, 255};
    uint32_t rgb = 0;
    if (FindName(*text, &rgb)) {
        bytes[0] = rgb >> 16 & 0xFF;
        bytes[1] = rgb >> 8 & 0xFF;
        bytes[2] = rgb & 0xFF;
    } else if (!ReadHex(*text, bytes)) {
        return call.ArgumentError(u"name", Status::BadParam);
    }
    SetColour(result, bytes[0] * 100.0 / 255.0, bytes[1] * 100.0 / 255.0, bytes[2] * 100.0 / 255.0,
              bytes[3] * 100.0 / 255.0);
    return Status::Success;
}

}  // namespace vorlan::library
