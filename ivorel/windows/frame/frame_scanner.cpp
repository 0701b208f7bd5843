// The frame's scanner commands. The frame is the acquisition engine: a source's requests arrive as events
// in the frame's own queue and go to the engine before anything else, so scanning runs inside the
// application's normal loop.
#include <QCoreApplication>
#include <QEvent>
#include <QSettings>

#include "ivorel/acquire/source_manager.h"
#include "ivorel/windows/dialogs/scan_dialogs.h"
#include "ivorel/windows/frame/image_template.h"
#include "ivorel/windows/frame/mdi_frame.h"
#include "ivorel/processing/packed_dib.h"
#include "platform/core/message_box.h"

namespace ivorel {

QEvent::Type source_event_type() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

// Hands a waiting source request to the frame's engine; true when `e` was one.
bool deliver_source_event(CIMDIFrameWnd& frame, QEvent* e) {
  if (e->type() != source_event_type()) return false;
  TW_APPMESSAGE message{scan::kSourceMessage, 0};
  frame.TwainMessageHook(&message);
  return true;
}

}  // namespace ivorel

namespace {

constexpr const char* kSourceKey = "Scanner/Source";

void say(QWidget* owner, const std::string& text, pcore::MessageIcon icon = pcore::MessageIcon::Information) {
  pcore::message_box().show(owner, text, "Pictaro", icon, pcore::MessageButtons::Ok);
}

}  // namespace

bool CIMDIFrameWnd::ScannerCommandsEnabled() const {
  return !scannerUsed_ || State() == 3;
}

bool CIMDIFrameWnd::PrepareScanner() {
  if (!scannerUsed_) {
    scannerUsed_ = true;
    RegisterApp(1, 0, 13, 1, "QMLCTwain32", "Quelmar", "Imaging Software Application", "Pictaro");
    if (!scan::scan_interface()) {
      static ivorel::dialogs::QtScanInterface ui;
      scan::install_scan_interface(&ui);
    }
    scan::set_default_source(QSettings().value(kSourceKey).toString().toStdString());
    scan::set_main_window(this);
    scan::set_message_notifier(
        [this] { QCoreApplication::postEvent(this, new QEvent(ivorel::source_event_type())); });
    if (TwainAvailable()) {
      SetDefWindow(this);
      if (!OpenSourceManager(this)) TwainError(TWERR_OPEN_DSM);
    }
  }
  if (!TwainAvailable()) {
    say(this, scan::unavailable_reason() + "\nInstall the SANE scanner software (Debian: libsane1) to scan.");
    UpdateCommandStates();
    return false;
  }
  return State() == 3;
}

void CIMDIFrameWnd::CmSelectScanner() {
  if (!PrepareScanner()) return;
  if (SelectSource(nullptr))
    QSettings().setValue(kSourceKey, QString::fromStdString(scan::default_source()));
  else if (!scan::last_error().empty())
    say(this, scan::last_error());
}

void CIMDIFrameWnd::CmAcquire() {
  if (!PrepareScanner()) return;
  BeginAcquire(nullptr);
}

void CIMDIFrameWnd::XferReady(TW_APPMESSAGE* message) {
  pagesReceived_ = 0;
  CTwain::XferReady(message);
  // A scan that failed outright ends without a page: say why instead of silently doing nothing.
  if (pagesReceived_ == 0 && !scan::last_error().empty())
    say(this, scan::last_error(), pcore::MessageIcon::Warning);
}

void CIMDIFrameWnd::DibReceived(HGLOBAL bitmap) {
  ++pagesReceived_;
  _IMAGEDESCRIPTOR page;
  if (template_ && ivorel::image_from_packed_dib(bitmap, {}, page)) {
    template_->OpenFromDescriptor(page, true);
  } else {
    say(this, "The scanned page could not be opened: there is not enough memory.",
        pcore::MessageIcon::Warning);
  }
  GlobalFree(bitmap);
}

void CIMDIFrameWnd::TwainError(TW_ERR) {
  std::string text = "A TWAIN error occurred.";
  const std::string why = scan::last_error();
  if (!why.empty()) text.append(1, '\n').append(why);
  say(this, text);
}
