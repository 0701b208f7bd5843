// The frame properties dialog (delay, disposal, transparency, position, comment of one frame) and the
// palette picker it opens to choose the transparent colour.
#pragma once

#include <QDialog>
#include <QString>

#include "apps/framora/document/framora_doc.h"
#include "imgfile/codaxe.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;

namespace framora {

// What the dialog edits, read from a frame and stored back into it on OK.
struct FrameSettings {
  FrameProperties properties;
  QString comment;
};

FrameSettings settings_of(const CFramoraDoc& doc, int frame);
// The delay as typed: clamped to 0 ... 2000; text that is no number keeps `previous`.
int typed_delay(const QString& text, int previous);

class FramePropertiesDialog : public QDialog {
  Q_OBJECT
 public:
  FramePropertiesDialog(const CFramoraDoc& doc, int frame, QWidget* parent);
  FrameSettings Settings() const { return settings_; }

 protected:
  void accept() override;

 private:
  void PickTransparentColour();
  void ShowTransparency();

  const ImageFrame& frame_;
  FrameSettings settings_;
  QLineEdit* delay_;
  QSpinBox* delaySpin_;
  QComboBox* disposal_;
  QLabel* transparency_;
  QPushButton* clearTransparency_;
  QSpinBox* left_;
  QSpinBox* top_;
  QLineEdit* comment_;
};

// The frame's palette as a 16 x 16 grid; a click picks an entry, whose index, colour and brightness show
// beside the grid, outlined by a blinking frame.
class PalettePickerDialog : public QDialog {
  Q_OBJECT
 public:
  // `selected` is the entry picked at first, -1 for none.
  PalettePickerDialog(const RGBCOLOR* palette, int colours, int selected, QWidget* parent);
  int Selected() const { return selected_; }
  // The entry under a point of the grid, -1 when there is none.
  int IndexAt(const QPoint& point) const;
  void Select(int index);
  // OK: refused with a message while no entry is picked.
  void accept() override;

 private:
  class Grid;
  Grid* grid_;
  const RGBCOLOR* palette_;
  int colours_;
  int selected_;
  QLabel* index_;
  QLineEdit* red_;
  QLineEdit* green_;
  QLineEdit* blue_;
  QLabel* brightness_;
};

}  // namespace framora
