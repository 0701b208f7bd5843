// The logical screen dialog: the screen size (or the display's resolution), the background index, the
// animation's loop count and the colour-table policy with the frame or palette file it takes colours from.
#pragma once

#include <QDialog>
#include <QSize>
#include <QString>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace framora {

// The five colour-table policies, numbered as the dialog's choices.
enum ColourPolicy : int {
  kKeepPalettes = 0,   // every frame keeps its colours, one global table flag
  kFixedPalette = 1,   // every frame mapped onto the fixed 256-colour palette
  kFramePalette = 2,   // every frame mapped onto the palette of one frame
  kFilePalette = 3,    // every frame mapped onto the palette of an image file
  kLocalPalettes = 4,  // every frame saved with a table of its own
};

struct ScreenSettings {
  int width = 0;
  int height = 0;
  bool useDisplay = false;
  int background = 0;
  int loops = 0;  // 0: for ever
  int frame = 0;
  QString paletteFile;
  int policy = kLocalPalettes;
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
};

}  // namespace framora
