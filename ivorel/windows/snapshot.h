// One undo or redo snapshot: the stored descriptor record, the pixels, a second copy of the palette and the
// menu record, in an in-memory file.
#pragma once

#include "ivorel/windows/imagedescriptor.h"
#include "ivorel/windows/memory_file.h"

namespace ivorel {

// False when memory is short or the descriptor claims more bytes than its block holds.
bool write_snapshot(const _IMAGEDESCRIPTOR& image, const _MENUUPDATE& menu, MemoryFile& file);

// Reads a snapshot from its start into `image` (with a new, locked pixel block that the caller owns) and
// `menu`; the file is rewound either way. False, with nothing allocated, for a damaged snapshot or when
// memory is short.
bool read_snapshot(MemoryFile& file, _IMAGEDESCRIPTOR& image, _MENUUPDATE& menu);

}  // namespace ivorel
