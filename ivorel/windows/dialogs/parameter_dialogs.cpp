#include "ivorel/windows/dialogs/parameter_dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <exception>

#include "display/window.h"
#include "ivorel/windows/dialogs/bits_per_pixel_dialog.h"
#include "ivorel/windows/dialogs/brite_contrast_dialog.h"
#include "ivorel/windows/dialogs/filter_control_dialog.h"
#include "ivorel/windows/dialogs/image_proc_test_dialog.h"
#include "ivorel/windows/dialogs/quantize_control_dialog.h"
#include "ivorel/windows/dialogs/resize_control_dialog.h"
#include "platform/core/dialogs.h"
#include "platform/core/message_box.h"

namespace ivorel {

namespace {

// The widget of a request's owner: the widget itself, a widget that is the drawing window, or one that
// names it in its "ivorelWindow" property; else the active window.
QWidget* owner_widget(const void* owner) {
  if (owner) {
    for (QWidget* w : QApplication::allWidgets()) {
      if (static_cast<const void*>(w) == owner ||
          static_cast<const void*>(dynamic_cast<const draw::Window*>(w)) == owner ||
          w->property("ivorelWindow").value<quintptr>() == reinterpret_cast<quintptr>(owner))
        return w->window();
    }
  }
  return QApplication::activeWindow();
}

int result_of(QDialog& dialog) {
  return dialog.exec() == QDialog::Accepted ? pcore::kIdOk : pcore::kIdCancel;
}

int run_image_proc_test(pcore::ParameterRequest& request, QWidget* parent) {
  std::int32_t integers[3] = {};
  float reals[2] = {};
  std::int32_t* ip[3] = {};
  float* rp[2] = {};
  for (int i = 0; i < 3; ++i)
    if (request.integers[i]) ip[i] = &(integers[i] = *request.integers[i]);
  for (int i = 0; i < 2; ++i)
    if (request.reals[i]) rp[i] = &(reals[i] = *request.reals[i]);
  ImageProcTestDialog dialog(parent, ip[0], ip[1], ip[2], rp[0], rp[1]);
  const int result = result_of(dialog);
  if (result != pcore::kIdOk) return result;
  for (int i = 0; i < 3; ++i)
    if (ip[i]) request.integers[i] = integers[i];
  for (int i = 0; i < 2; ++i)
    if (rp[i]) request.reals[i] = reals[i];
  return result;
}

int run_scroll_dialog(pcore::ParameterRequest& request, QWidget* parent) {
  int first = request.integers[0].value_or(0), second = request.integers[1].value_or(0);
  int result = pcore::kIdCancel;
  switch (request.dialog) {
    case pcore::ParameterDialog::FilterControl: {
      FilterControlDialog dialog(parent, &first, QString::fromStdString(request.description));
      result = result_of(dialog);
      break;
    }
    case pcore::ParameterDialog::BriteContrastAdjust: {
      BriteContrastAdjustDialog dialog(parent, &first, &second);
      result = result_of(dialog);
      if (result == pcore::kIdOk) request.integers[1] = second;
      break;
    }
    case pcore::ParameterDialog::QuantizeControl: {
      QuantizeControlDialog dialog(parent, &first);
      result = result_of(dialog);
      // The dialog set the count to 256 before it showed; a cancelled one leaves that behind.
      request.integers[0] = first;
      return result;
    }
    case pcore::ParameterDialog::ResizeControl: {
      if (!request.resize) return pcore::kIdCancel;
      ResizeControlDialog dialog(parent, request.resize);
      return result_of(dialog);
    }
    case pcore::ParameterDialog::SaveQuality: {
      bool ok = false;
      const int quality =
          QInputDialog::getInt(parent, QStringLiteral("JPEG Quality"),
                               QStringLiteral("Quality (1 = smallest file, 100 = best picture):"),
                               std::clamp(first, 1, 100), 1, 100, 1, &ok);
      if (!ok) return pcore::kIdCancel;
      first = quality;
      result = pcore::kIdOk;
      break;
    }
    case pcore::ParameterDialog::BitsPerPixel: {
      BitsPerPixelDialog dialog(parent, QString::fromStdString(request.description), second,
                                request.integers[2].value_or(0), request.imageBytes, &first);
      result = result_of(dialog);
      break;
    }
    case pcore::ParameterDialog::ImageProcTest:
      break;
  }
  if (result == pcore::kIdOk) request.integers[0] = first;
  return result;
}

class QtParameterDialogs : public pcore::ParameterDialogService {
 public:
  int run(pcore::ParameterRequest& request) override {
    QWidget* parent = owner_widget(request.owner);
    try {
      if (request.dialog == pcore::ParameterDialog::ImageProcTest)
        return run_image_proc_test(request, parent);
      return run_scroll_dialog(request, parent);
    } catch (const std::exception& e) {
      // Without its resources a dialog cannot be built; the operation is then cancelled.
      pcore::message_box().show(parent, e.what(), "Ivorel", pcore::MessageIcon::Error,
                                pcore::MessageButtons::Ok);
      return pcore::kIdCancel;
    }
  }
};

QtParameterDialogs service;

}  // namespace

void InstallQtParameterDialogs() {
  pcore::install_parameter_dialogs(&service);
}

void UninstallQtParameterDialogs() {
  pcore::install_parameter_dialogs(nullptr);
}

}  // namespace ivorel
