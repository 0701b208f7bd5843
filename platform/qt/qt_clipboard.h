// The desktop clipboard behind the clipboard service. A copied image is offered as image/png and
// image/bmp (what other programs paste), with a palette image's palette in a type of the suite's own; PNG
// is made only when a program asks for it. Paste takes the suite's BMP first, then PNG, JPEG, BMP and any
// other image type Qt reads, decoding only images whose size a suite image can hold.
#pragma once

#include "platform/core/clipboard.h"

namespace pqt {

inline constexpr char kPaletteMimeType[] = "application/x-pictaro-palette";

pcore::ClipboardService& qt_clipboard();

}  // namespace pqt
