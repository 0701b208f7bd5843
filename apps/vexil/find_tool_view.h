// The capture panel: what to capture (Window, Client Area, Rectangle), the Find Tool to press and drag onto
// a window, the wait before copying, and the two captures that need no pick (Active Window, Desktop).
#pragma once

#include <QWidget>

class QAbstractButton;
class QButtonGroup;

namespace vexil {

class FindToolView : public QWidget {
  Q_OBJECT
 public:
  explicit FindToolView(QWidget* parent = nullptr);

  // 210, 220 or 230: the type group's choice.
  int TypeMode() const;
  // Selects the matching type button; while one of the three is armed the direct buttons are off.
  void SetMode(int mode);
  int DelayIndex() const;
  void SetDelayIndex(int index);

  QAbstractButton* FindTool() const { return findTool_; }

 signals:
  void TypeChosen(int mode);
  void FindToolPressed();
  void DirectCapture(int mode);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QButtonGroup* types_ = nullptr;
  QButtonGroup* delays_ = nullptr;
  QAbstractButton* findTool_ = nullptr;
  QAbstractButton* activeWindow_ = nullptr;
  QAbstractButton* desktop_ = nullptr;
};

}  // namespace vexil
