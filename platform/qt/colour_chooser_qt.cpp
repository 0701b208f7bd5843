// The desktop's colour dialog behind the suite's colour-chooser service (platform/core/colour_chooser.h).
#include <QColorDialog>

#include "platform/core/colour_chooser.h"
#include "platform/core/message_box.h"
#include "platform/qt/qt_services.h"

namespace pqt {

namespace {

class QtColourChooser : public pcore::ColourChooserService {
 public:
  int run(pcore::ColourRequest& request) override {
    const std::uint32_t c = request.colour;
    const QColor start(static_cast<int>(c & 0xFF), static_cast<int>(c >> 8 & 0xFF),
                       static_cast<int>(c >> 16 & 0xFF));
    const QColor chosen =
        QColorDialog::getColor(start, dialog_parent(), QString::fromStdString(request.title));
    if (!chosen.isValid()) return pcore::kIdCancel;
    request.colour = static_cast<std::uint32_t>(chosen.red()) |
                     static_cast<std::uint32_t>(chosen.green()) << 8 |
                     static_cast<std::uint32_t>(chosen.blue()) << 16;
    return pcore::kIdOk;
  }
};

}  // namespace

void install_colour_chooser() {
  static QtColourChooser chooser;
  pcore::install_colour_chooser(&chooser);
}

}  // namespace pqt
