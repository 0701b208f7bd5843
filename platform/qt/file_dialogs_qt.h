// The desktop's file chooser behind the suite's file-dialog service (platform/core/file_dialogs.h).
#pragma once

#include <QString>
#include <string>
#include <vector>

namespace pcore {
struct FileFilter;
}

namespace pqt {

void install_file_dialogs();

// A Qt name filter for one of the suite's filters ("BMP Files (*.bmp *.BMP)"): patterns match in either
// case, since files from other systems often carry upper-case extensions.
QString qt_name_filter(const pcore::FileFilter& filter);

}  // namespace pqt
