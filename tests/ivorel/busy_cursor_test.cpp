// The busy cursor: nested waits keep it up until the outermost ends, and an operation that cannot start
// puts back the cursor it found.
#include <gtest/gtest.h>

#include "platform/core/cursor.h"
#include "processing_support.h"

using namespace testing_support;

namespace {

class RecordingCursor : public pcore::CursorService {
 public:
  RecordingCursor() { pcore::install_cursor_service(this); }
  ~RecordingCursor() override { pcore::install_cursor_service(nullptr); }
  void set_cursor(pcore::CursorShape shape) override { shapes.push_back(shape); }
  std::vector<pcore::CursorShape> shapes;
};

}  // namespace

TEST(BusyCursor, NestedWaitsAndFailedStartsRestoreTheCursor) {
  RecordingCursor cursor;
  pcore::set_cursor(pcore::CursorShape::Arrow);
  {
    pcore::WaitCursor outer;
    { pcore::WaitCursor inner; }
    EXPECT_EQ(pcore::current_cursor(), pcore::CursorShape::Wait) << "the inner wait ended, the outer goes on";
  }
  EXPECT_EQ(pcore::current_cursor(), pcore::CursorShape::Arrow);

  // An image the working copy cannot take: the operation fails and the arrow is back.
  TestImage image(6, 4, 24, 0);
  image.object.image.imageData = nullptr;
  _IMAGE_PROC_DATA block;
  block.words[1] = 12;
  image.object.procData = &block;
  TProcessImageEx processor(&image.object);
  processor.GammaCorrection();
  image.object.procData = nullptr;
  EXPECT_EQ(processor.LastOutcome(), ivorel::Outcome::Failed);
  EXPECT_EQ(pcore::current_cursor(), pcore::CursorShape::Arrow);
  ASSERT_FALSE(cursor.shapes.empty());
  EXPECT_EQ(cursor.shapes.back(), pcore::CursorShape::Arrow);
  image.object.image.imageData = static_cast<unsigned char*>(GlobalLock(image.object.image.hImageData));
}
