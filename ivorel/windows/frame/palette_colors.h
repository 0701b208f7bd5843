// The frame's modeless "Palette Colors" window: the palette of an image as a grid of colour cells, one entry
// inspected and edited at a time, colours exchanged with the pen and brush stamps, and the edited palette
// applied to the active image or its selections by replacing the palette or by matching colours to it.
#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>

#include "ivorel/processing/palette_apply.h"

struct _IMAGEDESCRIPTOR;
class QLabel;
class QLineEdit;
class QPushButton;
class CIMDIFrameWnd;
class CMDIChildImageWnd;

namespace ivorel {
class PaletteGrid;
}

class CPaletteColors : public QWidget {
  Q_OBJECT

 public:
  // Shows the active image's palette when it has one. The window is the frame's m_pPaletteDialog until it
  // closes, which destroys it.
  explicit CPaletteColors(CIMDIFrameWnd* frame);
  ~CPaletteColors() override;

  enum class SetSource { Pen, Brush, Typed };  // "Use Pen", "Use Brush", "R.G.B."
  enum class PickTarget { Pen, Brush };        // "Set Pen", "Set Brush"

  // The window's own actions, as its buttons and menus run them; false when a message said why not.
  // "Refresh": the active image's palette.
  bool Refresh();
  // The Find Tool let go over `widget`: an image window under it (or its child) is activated and, after
  // asking before an edited palette is lost, its palette is shown.
  bool FinderReleasedOver(QWidget* widget);
  // A click on a cell; -1 clears the selection.
  void SelectEntry(int index);
  bool SetColor(SetSource source);
  bool PickColor(PickTarget target);
  // "Apply To Img." (`toImage`) or "Apply To Sel.", then "Match" (`match`) or "Replace".
  bool Apply(bool toImage, bool match);

  int EntryCount() const { return count_; }
  int SelectedIndex() const { return selected_; }
  RGBCOLOR Entry(int index) const { return palette_[index]; }
  // (11 x blue + 59 x green + 30 x red) / 100 of the three boxes.
  int Luminance() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void LoadPalette(const _IMAGEDESCRIPTOR& image);
  void ShowEntry();
  void ClearFields();
  // Checks the box just typed in; out of range brings back its last good value after the message.
  void CheckBox(int channel);
  bool TypedColour(RGBCOLOR& colour);
  bool RequireEntry();
  // The window an apply goes to: the active image window (with a palette for the image itself), or null
  // after saying why there is none.
  CMDIChildImageWnd* ApplyTarget(bool toImage);
  void PopupMenu(QPushButton* button, const QStringList& items, const std::function<void(int)>& run);
  void Say(const char* text, const char* caption, int icon);

  CIMDIFrameWnd* frame_;
  ivorel::ColourTable palette_{};
  int count_ = 0;
  int selected_ = -1;
  bool applyToImage_ = true;
  bool finding_ = false;
  QPointer<CMDIChildImageWnd> found_;

  ivorel::PaletteGrid* grid_ = nullptr;
  QLabel* total_ = nullptr;
  QLabel* sample_ = nullptr;
  QLabel* index_ = nullptr;
  QLabel* luminance_ = nullptr;
  QLineEdit* boxes_[3] = {};
  QString lastGood_[3];
  QLabel* finder_ = nullptr;
};
