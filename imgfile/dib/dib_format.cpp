#include <algorithm>
#include <array>
#include <new>

#include "imgfile/codaxe.h"
#include "imgfile/dib/dib_encode.h"
#include "imgfile/dib/dib_layout.h"
#include "imgfile/dib/dib_palette.h"
#include "imgfile/dib/dib_rows.h"
#include "platform/core/cursor.h"

namespace codaxe::dib {
namespace {

// Depth 0 keeps the source's depth; it may be re-encoded only as the run-length kind that depth has.
std::optional<Target> resolve_target(unsigned sourceBits, unsigned bits, std::uint32_t compression) {
  if (bits == 0) {
    if ((compression == BI_RLE8 && sourceBits != 8) || (compression == BI_RLE4 && sourceBits != 4) ||
        compression == BI_BITFIELDS) {
      return std::nullopt;
    }
    bits = sourceBits;
  }
  Target target{bits, compression};
  if (!writable(target)) return std::nullopt;
  return target;
}

bool decoded_size_acceptable(const Layout& l, Target t) {
  if (!l.run_length()) return true;
  const std::uint64_t w = static_cast<std::uint64_t>(l.width);
  const std::uint64_t bytes =
      std::max(dib_stride(w, l.bits), dib_stride(w, t.bits)) * static_cast<std::uint64_t>(l.height);
  return run_length_size_acceptable(bytes, l.pixelBytes);
}

// Indices keep their value when the target table is the source's own; the rest go by colour.
bool copy_indices(RowReader& reader, DibWriter& writer, const Layout& l, bool ownTable) {
  std::array<std::uint8_t, 256> map;
  for (unsigned i = 0; i < map.size(); ++i) {
    map[i] =
        ownTable && i < writer.table().size() ? static_cast<std::uint8_t>(i) : writer.nearest(l.colour(i));
  }
  std::vector<std::uint8_t> row(static_cast<std::size_t>(l.width));
  for (std::int64_t y = 0; y < l.height; ++y) {
    if (!reader.next_indices(row.data())) return false;
    for (std::uint8_t& index : row) index = map[index];
    writer.put_indices(row.data());
  }
  return true;
}

bool copy_colours(RowReader& reader, DibWriter& writer, const Layout& l) {
  std::vector<std::uint8_t> row(static_cast<std::size_t>(l.width) * 3);
  for (std::int64_t y = 0; y < l.height; ++y) {
    if (!reader.next_bgr(row.data())) return false;
    writer.put_bgr(row.data());
  }
  return true;
}

HGLOBAL convert(const Layout& l, Target t) {
  const bool trueColourCopy = l.bits > 8 && t.bits > 8 && l.compression == BI_RGB && t.compression == BI_RGB;
  // Every other conversion is defined through the source's palette, and a core header has none.
  if (!trueColourCopy && l.core) return nullptr;
  TargetTable table;
  if (t.bits <= 8) {
    auto palette = dib_palette(l);
    if (!palette) return nullptr;
    table = target_table(*palette, t.bits);
    if (table.entries.empty()) return nullptr;
  }
  auto reader = RowReader::open(l);
  if (!reader) return nullptr;
  DibWriter writer(l.width, l.height, t, std::move(table.entries));
  writer.set_resolution(l.xPelsPerMeter, l.yPelsPerMeter);
  if (!writer.begin()) return nullptr;
  const bool ok = l.indexed() && t.bits <= 8 ? copy_indices(*reader, writer, l, table.fromPalette)
                                             : copy_colours(*reader, writer, l);
  if (!ok || !reader->finish()) return nullptr;
  return writer.finish();
}

}  // namespace
}  // namespace codaxe::dib

HGLOBAL ChangeDIBFormat(HGLOBAL dib, unsigned short bitsPerPixel, std::uint32_t compression) {
  using namespace codaxe::dib;
  if (!dib) return nullptr;
  HGLOBAL result = nullptr;
  {
    pcore::BlockLock lock(dib);
    auto layout = parse_layout(lock.data(), lock.size());
    if (!layout) return nullptr;
    auto target = resolve_target(layout->bits, bitsPerPixel, compression);
    if (!target || !decoded_size_acceptable(*layout, *target)) return nullptr;
    pcore::WaitCursor wait;
    try {
      result = convert(*layout, *target);
    } catch (const std::bad_alloc&) {
      result = nullptr;
    }
  }
  if (result) GlobalFree(dib);
  return result;
}
