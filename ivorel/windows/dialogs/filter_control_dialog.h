// "Filtering Affect Adjustments": the application strength (1 ... 10) of a filter.
#pragma once

#include "ivorel/windows/dialogs/center_dialog.h"

class FilterControlDialog : public CCenterDialog {
  Q_OBJECT
 public:
  // `strength` is shown as given, the bar clamps it to 1 ... 10; OK stores the bar's position into it.
  FilterControlDialog(QWidget* parent, int* strength, const QString& description);

 protected:
  void OnOK() override;

 private:
  int* strength_;
};
