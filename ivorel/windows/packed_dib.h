// Packed DIBs (a scanner's pages, another program's pictures) as image descriptors.
#pragma once

#include "ivorel/windows/imagedescriptor.h"

namespace ivorel {

// A new descriptor with a pixel block of its own (locked, as descriptors keep them) from an uncompressed
// 1-, 4-, 8- or 24-bit packed DIB; false when the block is not one or memory is short. The DIB is left as
// it was; every size in its header is checked against the block.
bool descriptor_from_packed_dib(HGLOBAL dib, _IMAGEDESCRIPTOR& out);

}  // namespace ivorel
