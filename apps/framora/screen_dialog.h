// The logical screen dialog: the screen size (or the display's resolution), the background index, the
// animation's loop count and the colour-table policy with the frame or palette file it takes colours from.
#pragma once

#include <QDialog>
#include <QSize>
#include <QString>

#include "apps/framora/document/framora_doc.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace framora {

// The dialog's values: the document's screen settings, whether the display's resolution was chosen, and the
// loop count.
struct ScreenSettings {
  ScreenProperties properties;
  bool useDisplay = false;
  int loops = 0;  // 0: for ever
};

class ScreenDialog : public QDialog {
  Q_OBJECT
 public:
  ScreenDialog(const ScreenSettings& settings, QSize display, QWidget* parent);
  ScreenSettings Settings() const { return settings_; }

 protected:
  void accept() override;

 private:
  ScreenSettings settings_;
  QSize display_;
  QSpinBox* width_;
  QSpinBox* height_;
  QCheckBox* useDisplay_;
  QSpinBox* background_;
  QSpinBox* loops_;
  QSpinBox* frame_;
  QLineEdit* paletteFile_;
  QButtonGroup* policy_;
  QComboBox* mapping_;
};

}  // namespace framora
