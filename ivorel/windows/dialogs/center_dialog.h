// The base of the scroll-bar parameter dialogs: centred on its owner, OK (id 1) and Cancel (id 2) as bitmap
// buttons from the library's resources, and the "Units" command (id 24400) that hands the dialog's size and
// resolution to a UnitsDialog and back through three hooks.
#pragma once

#include <QDialog>

class QHBoxLayout;

class CCenterDialog : public QDialog {
  Q_OBJECT
 public:
  // Throws std::runtime_error when the button bitmaps cannot be loaded (a broken installation).
  CCenterDialog(QWidget* parent, const QString& caption);

  // The hooks of the units command; the base versions leave everything as it is.
  virtual void SetFieldsReadOnly(int& readOnly);
  virtual void GetWidthHeightDPI(int& width, int& height, int& xResolution, int& yResolution);
  virtual void SetWidthHeightDPI(int width, int height, int xResolution, int yResolution);

  // Runs the units dialog (command 24400) on the dialog's values.
  void OnUnits();

 protected:
  void showEvent(QShowEvent* event) override;
  // Enter is OK, as with a default push button (the bitmap buttons cannot be default buttons).
  void keyPressEvent(QKeyEvent* event) override;
  // A row holding OK and Cancel, for the derived dialog's layout.
  QHBoxLayout* button_row();
  // OK was pressed: a derived dialog stores its values and calls accept(), or keeps the dialog open.
  virtual void OnOK() { accept(); }

 private:
  bool centred_ = false;
};
