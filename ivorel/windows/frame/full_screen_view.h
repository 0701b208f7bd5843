// The full-screen view of an image window: the image at 100 % centred on black; the arrow keys move it,
// any other key (or a click) closes the view.
#pragma once

class CMDIChildImageWnd;

namespace ivorel {

void ShowFullScreenView(CMDIChildImageWnd* child);

}  // namespace ivorel
