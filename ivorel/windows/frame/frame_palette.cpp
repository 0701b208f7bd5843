// The frame's side of the palette window: its two commands show it, or close it when it is up.
#include "ivorel/windows/dialogs/smart_window_position.h"
#include "ivorel/windows/frame/mdi_frame.h"
#include "ivorel/windows/frame/palette_colors.h"

void CIMDIFrameWnd::TogglePaletteWindow() {
  if (m_pPaletteDialog) {
    m_pPaletteDialog->close();  // closing destroys it and clears the pointer
    return;
  }
  auto* window = new CPaletteColors(this);
  window->show();
  SmartWindowPosition(window, this);
  window->raise();
}

bool CIMDIFrameWnd::PaletteWindowShown() const {
  return m_pPaletteDialog && m_pPaletteDialog->isVisible();
}
