// The "Units" dialog: a pixel size shown and edited in inches, centimetres or pixels at a horizontal and a
// vertical resolution. Values typed in a unit become pixels at once, so the result is always in pixels.
#pragma once

#include <QDialog>

class QLineEdit;
class QRadioButton;

namespace ivorel::dialogs {

enum class Unit { Inch = 0, Cm = 1, Pixel = 2 };

// A pixel extent in `unit` at `resolution` pixels per inch.
double pixels_to_unit(int pixels, int resolution, Unit unit);
// A value in `unit` back to whole pixels (truncated; saturated to the int range).
int unit_to_pixels(double value, int resolution, Unit unit);

}  // namespace ivorel::dialogs

class UnitsDialog : public QDialog {
  Q_OBJECT
 public:
  UnitsDialog(QWidget* parent, int width, int height, int xResolution, int yResolution, int readOnly);

  // The accepted pixel size and resolutions.
  void Result(int& width, int& height, int& xResolution, int& yResolution) const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ChooseUnit(ivorel::dialogs::Unit unit);
  void ShowSizes();
  void WidthEdited();
  void HeightEdited();
  void ResolutionEdited(bool horizontal);
  void OnOK();

  int width_, height_, xResolution_, yResolution_;
  bool readOnly_;
  ivorel::dialogs::Unit unit_ = ivorel::dialogs::Unit::Pixel;
  bool placed_ = false;
  QLineEdit *widthEdit_, *heightEdit_, *xResolutionEdit_, *yResolutionEdit_;
  QRadioButton* unitButtons_[3];
};
