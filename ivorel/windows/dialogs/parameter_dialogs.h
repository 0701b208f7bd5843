// The Qt face of the parameter-dialog service: operations without a parameter block ask through
// pcore::run_parameter_dialog, and this service answers with the real modal dialogs.
#pragma once

namespace ivorel {

// Installs the Qt dialogs as the process's parameter-dialog service (once a QApplication exists). Each
// request's dialog is owned by the request's window when a widget for it can be found, else by the active
// window.
void InstallQtParameterDialogs();
// Goes back to cancelling every request (for programs that tear the GUI down before the processors).
void UninstallQtParameterDialogs();

}  // namespace ivorel
