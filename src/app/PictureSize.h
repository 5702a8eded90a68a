#pragma once
// Picture sizes ("640x480", "320X240LS") and the leading numbers of
// options and configuration values.

#include <cstdint>

namespace vorlan {

struct PictureSettings;

// Leading decimal digits, at most 32767; anything after them is ignored.
// Fails when the text does not begin with a digit or the value is too large.
bool ReadLeadingNumber(const char16_t* text, uint16_t* value);
// A random seed: decimal digits alone, from 0 (a seed from the clock) to
// 1073741823, the largest whole Number, so that RandomSeed can start any
// sequence a run started.
bool ReadRandomSeed(const char16_t* text, int64_t* value);

// WIDTHxHEIGHT followed by any letters: L or R turn the picture, P or S choose
// the colour mix, anything else is ignored. Width and height are 1..32767.
// Writes width, height, rotation and colour mix only when the whole size is
// good.
bool ReadPictureSize(const char16_t* text, PictureSettings& picture);

}  // namespace vorlan
