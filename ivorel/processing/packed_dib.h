// Images as packed DIBs, the form in which they cross to the clipboard and through the image file
// library's depth change: the 40-byte header, a colour table of one entry per colour (none at 24 bits) and
// the rows exactly as stored.
#pragma once

#include "ivorel/processing/processing.h"

namespace ivorel {

// A new descriptor over a locked pixel block of its own, copied from an image in the raw layout (rows
// bottom-up, padded to 4 bytes; `palette` of 256 entries, or null). False when memory is short or the block
// would not fit a descriptor's 32-bit size; `out` is then untouched.
bool descriptor_from_raw(unsigned short width, unsigned short height, unsigned short bits,
                         unsigned short colors, const unsigned char* pixels, const RGBCOLOR* palette,
                         unsigned short dotsPerInch, _IMAGEDESCRIPTOR& out);

// A new packed DIB of an image (its pixels are copied); null when memory is short or the block would not
// fit the header's 32-bit size.
HGLOBAL packed_dib_from_image(const _IMAGEDESCRIPTOR& image);

// A new image from a packed DIB that may come from anywhere: compressed, top-down, 16- and 32-bit DIBs are
// first converted to plain ones, and every size is checked against the block. `palette`, when it has
// entries, replaces the DIB's colour table (at most 256 of them are read). On success `out` gets width,
// height, depth, colours, palette, the header's resolution (100 when it gives none) and a pixel block of its
// own; on failure it is untouched.
bool image_from_packed_dib(HGLOBAL dib, const std::vector<PALETTEENTRY>& palette, _IMAGEDESCRIPTOR& out);

// The work of TProcessImage::ImageToClipboard and ImageFromClipboard, for callers that must not build a
// processor: building one on a window's image takes an undo snapshot, and a copy must not replace the
// user's last undo step.
int image_to_clipboard(const _IMAGEDESCRIPTOR& image);
int image_from_clipboard(_IMAGEDESCRIPTOR& out);

}  // namespace ivorel
