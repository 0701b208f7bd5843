// The Qt face of the platform services: real message boxes, the busy cursor and an event pump for long
// operations, installed once by every Qt program before it opens a window.
#pragma once

#include <QString>

#include <memory>

class QSettings;
class QWidget;

namespace pqt {

// Installs the message-box, cursor and event-pump services for the life of the process.
void install_services();

// Installs the desktop's colour dialog as the colour-chooser service.
void install_colour_chooser();

// The application's profile: QSettings under the organisation every program of the suite shares.
inline constexpr const char kOrganisation[] = "MyPixmoorCompany";
std::unique_ptr<QSettings> profile();

// The window a box without an explicit owner belongs to: the active modal dialog or the active window.
QWidget* dialog_parent();

}  // namespace pqt
