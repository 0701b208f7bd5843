// "Image Processing Test Dialog": the generic prompt for up to three integers and two reals. A field whose
// pointer is absent is disabled; OK writes back only the given ones.
#pragma once

#include <QDialog>
#include <cstdint>

class QLineEdit;

class ImageProcTestDialog : public QDialog {
  Q_OBJECT
 public:
  ImageProcTestDialog(QWidget* parent, std::int32_t* int1 = nullptr, std::int32_t* int2 = nullptr,
                      std::int32_t* int3 = nullptr, float* real1 = nullptr, float* real2 = nullptr);

 private:
  void OnOK();

  std::int32_t* integers_[3];
  float* reals_[2];
  QLineEdit* edits_[5];
};
