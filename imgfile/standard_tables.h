// Colour tables that several formats fall back on.
#pragma once

#include "platform/core/dib_types.h"

namespace codaxe {

// The sixteen standard colours (as blue, green, red): black, dark red, dark green, dark yellow, dark blue,
// dark magenta, dark cyan, light grey, grey, red, green, yellow, blue, magenta, cyan, white.
inline constexpr RGBQUAD kSixteenColours[16] = {
    {0, 0, 0, 0},       {0, 0, 128, 0},   {0, 128, 0, 0},   {0, 128, 128, 0},
    {128, 0, 0, 0},     {128, 0, 128, 0}, {128, 128, 0, 0}, {192, 192, 192, 0},
    {128, 128, 128, 0}, {0, 0, 255, 0},   {0, 255, 0, 0},   {0, 255, 255, 0},
    {255, 0, 0, 0},     {255, 0, 255, 0}, {255, 255, 0, 0}, {255, 255, 255, 0}};

inline constexpr RGBQUAD kBlackAndWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};

}  // namespace codaxe
