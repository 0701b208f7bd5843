// Whole-frame copies between stacks. ImageStack::Clone and AppendImageFrame leave a frame's position and
// comment behind; the document's undo copies and duplicates must keep everything the user set.
#pragma once

#include "imgfile/codaxe.h"

namespace framora {

// Appends a copy of `f` (pixels, palette, every setting, the comment pointer, where its coded data lies) to
// `stack`; its index, or -1 when memory is short (nothing is left behind then).
int append_copy(ImageStack& stack, const ImageFrame& f);

// Puts a copy of `f` in at index `at` (0 ... frame count); false when memory is short.
bool insert_copy(ImageStack& stack, const ImageFrame& f, int at);

// The frame's settings copied onto another frame of the same picture.
void copy_settings(const ImageFrame& from, ImageFrame& to);

// A deep copy of the stack with every frame's settings and the stack's own; false when memory is short.
bool copy_stack(const ImageStack& from, ImageStack& to);

// Gives the frame new pixels: `size` bytes of rows at `bitsPerPixel`; false when memory is short (the frame
// is left as it was).
bool replace_pixels(ImageFrame& f, const unsigned char* rows, std::uint32_t size, unsigned short bitsPerPixel,
                    unsigned short colors);

}  // namespace framora
