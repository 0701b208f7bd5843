// "Color Quantization Adjustment": the number of colours, 18 ... 256.
#pragma once

#include "ivorel/windows/dialogs/center_dialog.h"

class QuantizeControlDialog : public CCenterDialog {
  Q_OBJECT
 public:
  // Sets `colors` to 256 at once (a cancelled dialog leaves 256 behind); OK stores the bar's position.
  QuantizeControlDialog(QWidget* parent, int* colors);

 protected:
  void OnOK() override;

 private:
  int* colors_;
};
