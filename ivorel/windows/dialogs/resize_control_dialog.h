// "Resize Image Adjustment": a new size either proportional to the old one (the scale bar, -1000 ... 1000
// through ScaleFromPosition) or typed explicitly (10 ... 4096 each); "OR" switches between the two and
// "Units" shows the size in inches or centimetres and sets the resolutions.
#pragma once

#include "ivorel/windows/dialogs/center_dialog.h"
#include "platform/core/resize_param.h"

class QLineEdit;
class QScrollBar;
class QRadioButton;

class ResizeControlDialog : public CCenterDialog {
  Q_OBJECT
 public:
  // The record is read at once and written on OK (and its resolutions by the units dialog).
  ResizeControlDialog(QWidget* parent, _RESIZE_PARAM* param);
  ResizeControlDialog(QWidget* parent, unsigned short width, unsigned short height);
  explicit ResizeControlDialog(QWidget* parent);

  void SetFieldsReadOnly(int& readOnly) override;
  void GetWidthHeightDPI(int& width, int& height, int& xResolution, int& yResolution) override;
  void SetWidthHeightDPI(int width, int height, int xResolution, int yResolution) override;

  const _RESIZE_PARAM& Param() const { return *param_; }

 protected:
  void OnOK() override;

 private:
  void Build();
  void ScaleMoved(int position);
  void ToggleMode();
  int ScaledExtent(unsigned short extent, float factor) const;

  _RESIZE_PARAM own_;
  _RESIZE_PARAM* param_;
  unsigned short width_, height_;
  QScrollBar* bar_ = nullptr;
  QLineEdit* widthEdit_ = nullptr;
  QLineEdit* heightEdit_ = nullptr;
  QRadioButton* orButton_ = nullptr;
};
