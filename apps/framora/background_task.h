// Long file work (reading a video, writing a long animation) off the window's thread: the window keeps
// painting and shows a busy progress box while the work runs, and input to the document waits for it.
// Messages the work shows (a codec's error box) are shown on the window's thread.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace framora {

// Runs `work` on a thread of its own and returns its result once it is done; `label` says what is being
// done. The progress box appears only when the work takes longer than a moment.
bool run_in_background(QWidget* owner, const QString& label, const std::function<bool()>& work);

}  // namespace framora
