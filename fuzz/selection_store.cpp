// Reads each input as a selection store (the paste store file kept between runs, or the clipboard's
// selection objects), places what it read the way a paste does, and checks that what it read writes back
// to a store that reads again to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/silent_message_box.h"
#include "ivorel/windows/draw_objects.h"

namespace {

std::vector<unsigned char> rewritten(const std::vector<std::unique_ptr<CDrawObj>>& objects) {
  std::vector<const CDrawObj*> list;
  for (const auto& o : objects) list.push_back(o.get());
  return ivorel::write_selection_store(list);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::install_silent_message_box();
  const std::vector<unsigned char> bytes(data, data + size);
  std::vector<std::unique_ptr<CDrawObj>> objects;
  if (!ivorel::read_selection_store(bytes, objects)) {
    if (!objects.empty()) std::abort();  // a refused store gives nothing at all
    return 0;
  }
  // What was read is written as it was read; a second round changes nothing.
  const std::vector<unsigned char> once = rewritten(objects);
  std::vector<std::unique_ptr<CDrawObj>> again;
  if (!ivorel::read_selection_store(once, again) || again.size() != objects.size() ||
      rewritten(again) != once)
    std::abort();
  // A paste fits each object into the window's image rectangle and walks its shape and handles.
  const RECT imageRect = {3, 5, 203, 155};
  for (auto& o : objects) {
    const RECT before = o->m_position;
    o->m_position = ivorel::fit_into_image_rect(o->m_position, imageRect);
    if (auto* poly = dynamic_cast<CDrawPoly*>(o.get()))
      poly->FitPointsTo(ivorel::NormalizedRect(before), o->m_position);
    const ivorel::SelectionShape shape = o->Shape();
    (void)shape;
    for (int h = 1; h <= 8; ++h) (void)o->GetHandle(h);
    (void)o->HitTest(POINT{50, 50}, true, 4);
    if (const SelectionImagePart* part = o->ImagePart(); part && part->HasPixels()) {
      const _IMAGEDESCRIPTOR& p = part->Pixels();
      // The pixels a store delivers are as many as their descriptor says.
      volatile unsigned char sink = p.imageData[p.imageSize - 1];
      (void)sink;
    }
  }
  return 0;
}
