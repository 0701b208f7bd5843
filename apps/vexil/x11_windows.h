// The X server's windows and capture keys live with the window library, where the editor's captures use
// them too; the capture program keeps its own name for them.
#pragma once

#include "ivorel/windows/frame/x11_windows.h"

namespace vexil {
namespace x11 = ivorel::x11;
}  // namespace vexil
