// Printing the stack: frame k on page k, each placed by the list's print layout (fitted with its aspect,
// stretched to the page, at a zoom factor, or at its own size), through the suite's print service; the
// page set-up dialog of that layout, and a preview of the pages.
#pragma once

#include <QDialog>

#include "imgfile/codaxe.h"
#include "ivorel/windows/page_image.h"

class QButtonGroup;
class QComboBox;

namespace framora {

enum PrintMode : int { kPrintFit = 0, kPrintStretch = 1, kPrintZoom = 2, kPrintNative = 3 };

struct PrintLayout {
  int mode = kPrintFit;
  int zoom = 1;  // -128 ... -2, 1, 2 ... 128
};

// The page layout of the suite's printing for one frame in `layout`.
_PrintImageLayout_STRUCT page_layout(const PrintLayout& layout);
// Page `page` (1 ...) of the stack: its frame in the layout; null when there is no such frame.
std::unique_ptr<PageImage> frame_page(const ImageStack& stack, int page, const PrintLayout& layout);

// Prints every frame, one a page, on a printer chosen in the print dialog (`choosePrinter`) or the last one
// chosen; a progress box names the page and offers Cancel. Returns the pages printed (0 when cancelled or
// refused; the user was told why).
int print_frames(const ImageStack& stack, const PrintLayout& layout, QWidget* owner,
                 bool choosePrinter = true);

// Shows the pages in a window of their own (previous, next, print, close).
void preview_frames(const ImageStack& stack, const PrintLayout& layout, QWidget* owner);

// The page set-up dialog of the list: four layouts and, for the zoom layout, the factor.
class PrintLayoutDialog : public QDialog {
  Q_OBJECT
 public:
  PrintLayoutDialog(const PrintLayout& layout, QWidget* parent);
  PrintLayout Layout() const;

 private:
  QButtonGroup* mode_;
  QComboBox* zoom_;
};

}  // namespace framora
