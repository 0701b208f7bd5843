// "Print Image Layout": how the image fits the page (best fit, stretch, a scale from the zoom list) and
// whether its name is printed above or below it. Controls are named by their ids for tests.
#pragma once

#include <QDialog>

#include "ivorel/windows/page_image.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QRadioButton;

class CPrintLayoutDialog : public QDialog {
  Q_OBJECT
 public:
  enum Control : int {
    kBestFit = 1200,
    kStretch = 1201,
    kScale = 1202,
    kZoom = 1203,
    kShowName = 1204,
    kOnTop = 1205,
    kAtBottom = 1206,
  };

  CPrintLayoutDialog(QWidget* parent, const _PrintImageLayout_STRUCT& layout);
  // The three words the dialog stands for now (what OK hands back).
  _PrintImageLayout_STRUCT Result() const;

 private:
  void UpdateEnabling();

  QButtonGroup* layout_ = nullptr;
  QComboBox* zoom_ = nullptr;
  QCheckBox* showName_ = nullptr;
  QRadioButton* onTop_ = nullptr;
  QRadioButton* atBottom_ = nullptr;
};
