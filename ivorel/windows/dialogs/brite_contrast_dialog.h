// "Brightness and Contrast Adjustments": two vertical bars, -48 ... 48 each. A vertical bar grows
// downwards, so the values are the negated positions: up is brighter and harder.
#pragma once

#include "ivorel/windows/dialogs/center_dialog.h"

class BriteContrastAdjustDialog : public CCenterDialog {
  Q_OBJECT
 public:
  BriteContrastAdjustDialog(QWidget* parent, int* brightness, int* contrast);

 protected:
  void OnOK() override;

 private:
  int* brightness_;
  int* contrast_;
};
