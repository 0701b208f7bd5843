// The processing toolkit as the window tests meet it: wired to a frame as Pictaro wires it, and found
// on screen once a command has opened it.
#pragma once

#include "ivorel/windows/toolkit/toolkit_window.h"
#include "tests/gui/gui_support.h"

namespace gui_testing {

// For its lifetime the frame's toolkit commands open the toolkit on the frame's active image; at the end
// the toolkit window closes and the frame's references are cleared again.
class ToolkitWiring {
 public:
  explicit ToolkitWiring(FrameFixture& f);
  ~ToolkitWiring();
  ToolkitWiring(const ToolkitWiring&) = delete;
  ToolkitWiring& operator=(const ToolkitWiring&) = delete;
};

// The toolkit window on screen, or null when there is none (or more than one).
ivorel::toolkit::ToolkitWindow* open_toolkit();

}  // namespace gui_testing
