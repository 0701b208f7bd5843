// The editor's undo history: how many steps each image window keeps (the profile's "Undo levels"; 1 is the
// single undo and redo snapshot of the store, the default keeps a bounded history), and the Edit menu's
// entries that go back or forward several steps at once.
#pragma once

#include <QPointer>

class QMenu;
class CIMDIFrameWnd;
class CMDIChildImageWnd;

namespace ivorel {

inline constexpr int kDefaultUndoLevels = 20;
inline constexpr int kMaxUndoLevels = 100;

// The profile's "Settings/UndoLevels", 1 ... kMaxUndoLevels.
int undo_levels_setting();
// Stores the setting and applies it to every image window of `frame`.
void set_undo_levels_setting(CIMDIFrameWnd* frame, int levels);
// "Undo History" (the steps back and ahead, by name) and "Undo Levels..." below the Edit menu's Redo.
void add_undo_history_menu(CIMDIFrameWnd* frame, QMenu* edit);

// Names the change a frame command makes in the active window's undo history while the command runs
// ("Rotate 90° Clockwise"), and forgets the name afterwards if no change took it.
class StepNameScope {
 public:
  StepNameScope(CIMDIFrameWnd* frame, int commandId);
  ~StepNameScope();
  StepNameScope(const StepNameScope&) = delete;
  StepNameScope& operator=(const StepNameScope&) = delete;

 private:
  QPointer<CMDIChildImageWnd> window_;
};

}  // namespace ivorel
