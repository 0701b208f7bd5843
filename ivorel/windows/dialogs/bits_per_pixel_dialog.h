// "Change Bits per Pixel": the image's size and depth, and the depth to change it to (1, 4, 8 or 24).
#pragma once

#include <cstdint>

#include "ivorel/windows/dialogs/center_dialog.h"

class BitsPerPixelDialog : public CCenterDialog {
  Q_OBJECT
 public:
  // `bits` holds the current depth when the dialog shows and the chosen one after OK. The radio buttons
  // are controls 101 (1 bit), 104, 108 and 124.
  BitsPerPixelDialog(QWidget* parent, const QString& name, int width, int height, std::uint64_t imageBytes,
                     int* bits);

 protected:
  void OnOK() override;

 private:
  int* bits_;
};
