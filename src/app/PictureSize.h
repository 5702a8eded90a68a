#pragma once
// Picture sizes ("640x480", "320X240LS") and the leading numbers of
// options and configuration values.

#include <cstdint>

namespace vorlan {

struct PictureSettings;

// Leading decimal digits, at most 32767; anything after them is ignored.
// Fails when the text does not begin with a digit or the value is too large.
bool ReadLeadingNumber(const char16_t* text, uint16_t* value);

// WIDTHxHEIGHT followed by any letters: L or R turn the picture, P or S choose
// the colour mix, anything else is ignored. Width and height are 1..32767.
// Writes width, height, rotation and colour mix only when the whole size is
// good.
bool ReadPictureSize(const char16_t* text, PictureSettings& picture);

}  // namespace vorlan
