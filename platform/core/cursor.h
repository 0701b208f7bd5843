// Cursor changes as a service, so that library code can show a busy cursor without a window system.
#pragma once

namespace pcore {

enum class CursorShape { Arrow, Wait };

class CursorService {
 public:
  virtual ~CursorService() = default;
  virtual void set_cursor(CursorShape shape) = 0;
};

// Without an installed service, cursor changes do nothing.
void install_cursor_service(CursorService* service);
void set_cursor(CursorShape shape);

// Shows the wait cursor for one scope.
class WaitCursor {
 public:
  WaitCursor() { set_cursor(CursorShape::Wait); }
  ~WaitCursor() { set_cursor(CursorShape::Arrow); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace pcore
