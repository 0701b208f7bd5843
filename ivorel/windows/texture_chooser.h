// The editor's source of texture images for the texture operations.
#pragma once

namespace ivorel {

// An operation on an image in a window asks for the texture with the open dialog (cancelling gives none);
// previews, which belong to no window, reuse the texture chosen last.
void install_texture_chooser();

}  // namespace ivorel
