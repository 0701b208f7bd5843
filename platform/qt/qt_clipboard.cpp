#include "platform/qt/qt_clipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMimeData>
#include <QPainter>
#include <cstring>

#include "platform/core/dib_types.h"

namespace pqt {

namespace {

constexpr char kBmp[] = "image/bmp";
constexpr char kPng[] = "image/png";
constexpr char kJpeg[] = "image/jpeg";
constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kInfoHeader = 40;

template <typename T>
T read_le(const unsigned char* p) {
  T v{};
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
void write_le(unsigned char* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

// Bytes of header, masks and colour table before a DIB's pixels, or 0 when the header is not one we know.
std::size_t pixel_offset(const unsigned char* dib, std::size_t bytes) {
  if (bytes < kInfoHeader) return 0;
  const auto size = read_le<std::uint32_t>(dib);
  if (size < kInfoHeader || size > bytes) return 0;
  const auto bits = read_le<std::uint16_t>(dib + 14);
  const auto compression = read_le<std::uint32_t>(dib + 16);
  const auto used = read_le<std::uint32_t>(dib + 32);
  std::uint64_t entries = used != 0 ? used : (bits <= 8 ? 1u << bits : 0);
  if (entries > 256) return 0;
  std::uint64_t offset = size + 4 * entries;
  if (size == kInfoHeader && compression == BI_BITFIELDS) offset += 12;
  return offset <= bytes ? static_cast<std::size_t>(offset) : 0;
}

QByteArray bmp_file(const unsigned char* dib, std::size_t bytes) {
  QByteArray file(static_cast<qsizetype>(kFileHeader + bytes), '\0');
  auto* p = reinterpret_cast<unsigned char*>(file.data());
  p[0] = 'B';
  p[1] = 'M';
  write_le<std::uint32_t>(p + 2, static_cast<std::uint32_t>(file.size()));
  write_le<std::uint32_t>(p + 10, static_cast<std::uint32_t>(kFileHeader + pixel_offset(dib, bytes)));
  std::memcpy(p + kFileHeader, dib, bytes);
  return file;
}

HGLOBAL block_of(const unsigned char* data, std::size_t bytes) {
  HGLOBAL block = GlobalAlloc(bytes);
  pcore::BlockLock lock(block);
  if (!lock.data()) {
    GlobalFree(block);
    return nullptr;
  }
  std::memcpy(lock.data(), data, bytes);
  return block;
}

// The DIB inside a BMP file; pixels that the file header places further on are moved up behind the table.
HGLOBAL dib_of_bmp_file(const QByteArray& file) {
  const auto* p = reinterpret_cast<const unsigned char*>(file.constData());
  const auto bytes = static_cast<std::size_t>(file.size());
  if (bytes < kFileHeader + kInfoHeader || p[0] != 'B' || p[1] != 'M') return nullptr;
  const unsigned char* dib = p + kFileHeader;
  const std::size_t dibBytes = bytes - kFileHeader;
  const std::size_t table = pixel_offset(dib, dibBytes);
  const std::uint64_t pixels = read_le<std::uint32_t>(p + 10);
  if (table == 0 || pixels < kFileHeader + table || pixels > bytes) return block_of(dib, dibBytes);
  QByteArray packed(reinterpret_cast<const char*>(dib), static_cast<qsizetype>(table));
  packed.append(file.constData() + pixels, static_cast<qsizetype>(bytes - pixels));
  return block_of(reinterpret_cast<const unsigned char*>(packed.constData()),
                  static_cast<std::size_t>(packed.size()));
}

// A packed DIB of a decoded image: palette images at 8 bits with their table, the rest at 24 bits, with
// transparency laid over white as a page would show it.
HGLOBAL dib_of_image(QImage image) {
  const bool indexed = image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono ||
                       image.format() == QImage::Format_MonoLSB;
  if (indexed) {
    image = image.convertToFormat(QImage::Format_Indexed8);
  } else {
    if (image.hasAlphaChannel()) {
      QImage flat(image.size(), QImage::Format_RGB32);
      flat.fill(Qt::white);
      QPainter(&flat).drawImage(0, 0, image);
      image = flat;
    }
    image = image.convertToFormat(QImage::Format_RGB888);
  }
  if (image.isNull()) return nullptr;
  const int bits = indexed ? 8 : 24;
  const std::size_t colours = indexed ? static_cast<std::size_t>(image.colorCount()) : 0;
  const std::size_t stride = (static_cast<std::size_t>(image.width()) * bits + 31) / 32 * 4;
  const std::size_t size = stride * static_cast<std::size_t>(image.height());
  HGLOBAL block = GlobalAlloc(kInfoHeader + 4 * colours + size);
  pcore::BlockLock lock(block);
  if (!lock.data()) {
    GlobalFree(block);
    return nullptr;
  }
  unsigned char* p = lock.data();
  write_le<std::uint32_t>(p, kInfoHeader);
  write_le<std::int32_t>(p + 4, image.width());
  write_le<std::int32_t>(p + 8, image.height());
  write_le<std::uint16_t>(p + 12, 1);
  write_le<std::uint16_t>(p + 14, static_cast<std::uint16_t>(bits));
  write_le<std::uint32_t>(p + 20, static_cast<std::uint32_t>(size));
  write_le<std::uint32_t>(p + 32, static_cast<std::uint32_t>(colours));
  unsigned char* table = p + kInfoHeader;
  for (std::size_t i = 0; i < colours; ++i) {
    const QRgb c = image.color(static_cast<int>(i));
    table[4 * i] = static_cast<unsigned char>(qBlue(c));
    table[4 * i + 1] = static_cast<unsigned char>(qGreen(c));
    table[4 * i + 2] = static_cast<unsigned char>(qRed(c));
  }
  unsigned char* rows = table + 4 * colours;
  for (int y = 0; y < image.height(); ++y) {
    const uchar* in = image.constScanLine(image.height() - 1 - y);
    unsigned char* out = rows + static_cast<std::size_t>(y) * stride;
    if (indexed) {
      std::memcpy(out, in, static_cast<std::size_t>(image.width()));
      continue;
    }
    for (int x = 0; x < image.width(); ++x, in += 3, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
  return block;
}

HGLOBAL decode(const QByteArray& bytes) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  const QSize size = reader.size();
  // The header's claim decides before any pixel memory is taken.
  if (!size.isValid() || !pcore::clipboard_image_size_acceptable(size.width(), size.height(), 32))
    return nullptr;
  reader.setAllocationLimit(0);
  QImage image;
  if (!reader.read(&image)) return nullptr;
  return dib_of_image(std::move(image));
}

class ImageMimeData : public QMimeData {
 public:
  ImageMimeData(QByteArray bmp, QByteArray palette) : bmp_(std::move(bmp)), palette_(std::move(palette)) {}

  QStringList formats() const override {
    // Qt's own image type serves this process's readers of QClipboard::image().
    QStringList list{QString::fromLatin1(kPng), QString::fromLatin1(kBmp),
                     QStringLiteral("application/x-qt-image")};
    if (!palette_.isEmpty()) list << QString::fromLatin1(kPaletteMimeType);
    return list;
  }
  bool hasFormat(const QString& mime) const override { return formats().contains(mime); }

 protected:
  QVariant retrieveData(const QString& mime, QMetaType) const override {
    if (mime == QLatin1String(kBmp)) return bmp_;
    if (mime == QLatin1String(kPaletteMimeType)) return palette_;
    if (mime == QLatin1String("application/x-qt-image")) return QImage::fromData(bmp_, "BMP");
    if (mime == QLatin1String(kPng)) {
      if (png_.isEmpty()) {
        QBuffer buffer(&png_);
        buffer.open(QIODevice::WriteOnly);
        QImage::fromData(bmp_, "BMP").save(&buffer, "PNG");
      }
      return png_;
    }
    return {};
  }

 private:
  QByteArray bmp_;
  QByteArray palette_;
  mutable QByteArray png_;
};

class QtClipboard : public pcore::ClipboardService {
 public:
  bool put_image(const unsigned char* dib, std::size_t bytes,
                 const std::vector<PALETTEENTRY>& palette) override {
    if (!dib || bytes < kInfoHeader) return false;
    QByteArray entries(reinterpret_cast<const char*>(palette.data()),
                       static_cast<qsizetype>(palette.size() * sizeof(PALETTEENTRY)));
    QGuiApplication::clipboard()->setMimeData(new ImageMimeData(bmp_file(dib, bytes), entries));
    return true;
  }

  bool has_image() override {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data) return false;
    for (const QString& f : data->formats())
      if (f.startsWith(QLatin1String("image/"))) return true;
    return data->hasImage();
  }

  HGLOBAL get_image() override {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data) return nullptr;
    const QStringList formats = data->formats();
    // The suite's own BMP keeps the depth and palette; from elsewhere PNG is the most faithful.
    if (formats.contains(QLatin1String(kBmp)) && formats.contains(QLatin1String(kPaletteMimeType)))
      return dib_of_bmp_file(data->data(QLatin1String(kBmp)));
    if (formats.contains(QLatin1String(kPng))) return decode(data->data(QLatin1String(kPng)));
    if (formats.contains(QLatin1String(kBmp))) return dib_of_bmp_file(data->data(QLatin1String(kBmp)));
    if (formats.contains(QLatin1String(kJpeg))) return decode(data->data(QLatin1String(kJpeg)));
    for (const QString& f : formats)
      if (f.startsWith(QLatin1String("image/"))) return decode(data->data(f));
    return nullptr;
  }

  std::vector<PALETTEENTRY> palette() override {
    std::vector<PALETTEENTRY> entries;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(QLatin1String(kPaletteMimeType))) return entries;
    const QByteArray bytes = data->data(QLatin1String(kPaletteMimeType));
    entries.resize(std::min<std::size_t>(static_cast<std::size_t>(bytes.size()) / sizeof(PALETTEENTRY), 256));
    std::memcpy(entries.data(), bytes.constData(), entries.size() * sizeof(PALETTEENTRY));
    return entries;
  }

  void clear() override { QGuiApplication::clipboard()->clear(); }
};

}  // namespace

pcore::ClipboardService& qt_clipboard() {
  static QtClipboard clipboard;
  return clipboard;
}

}  // namespace pqt
