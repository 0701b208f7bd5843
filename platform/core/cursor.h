// Cursor changes as a service, so that library code can show a busy cursor without a window system.
#pragma once

namespace pcore {

enum class CursorShape { Arrow, Wait };

class CursorService {
 public:
  virtual ~CursorService() = default;
  virtual void set_cursor(CursorShape shape) = 0;
  // Frame 0 ... 9 of the animated progress cursor that row loops advance.
  virtual void set_progress_cursor(int frame) { (void)frame; }
};

// Without an installed service, cursor changes do nothing.
void install_cursor_service(CursorService* service);
void set_cursor(CursorShape shape);
void set_progress_cursor(int frame);
// The shape last set (a progress frame counts as Wait), so that it can be restored after an operation.
CursorShape current_cursor();

// Wait cursors of nested scopes (an operation that calls another) count: the arrow comes back when the
// outermost one ends, not in the middle of the operation.
void begin_wait();
void end_wait();

// Shows the wait cursor for one scope.
class WaitCursor {
 public:
  WaitCursor() { begin_wait(); }
  ~WaitCursor() { end_wait(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

// Shows the wait cursor for one scope and then puts back whatever cursor was showing before.
class RestoringWaitCursor {
 public:
  RestoringWaitCursor() : previous_(current_cursor()) { set_cursor(CursorShape::Wait); }
  ~RestoringWaitCursor() { set_cursor(previous_); }
  RestoringWaitCursor(const RestoringWaitCursor&) = delete;
  RestoringWaitCursor& operator=(const RestoringWaitCursor&) = delete;

 private:
  CursorShape previous_;
};

}  // namespace pcore
