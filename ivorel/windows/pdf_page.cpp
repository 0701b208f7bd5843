#include "ivorel/windows/pdf_page.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace ivorel {

namespace {

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  // Trailing zeros only lengthen the file.
  std::string s = text;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

double points(int hundredths) {
  return hundredths * 0.72;
}

std::optional<std::string> deflate(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                static_cast<uLong>(data.size()), 6) != Z_OK)
    return std::nullopt;
  out.resize(size);
  return out;
}

// PDF's standard fonts use WinAnsi; UTF-8 names are mapped to Latin-1 where they can be, others shown as '?'.
std::string pdf_text(const std::string& utf8) {
  std::string out = "(";
  for (std::size_t i = 0; i < utf8.size();) {
    unsigned c = static_cast<unsigned char>(utf8[i]);
    std::size_t length = 1;
    if (c >= 0xC0 && c < 0xE0 && i + 1 < utf8.size()) {
      c = ((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F);
      length = 2;
    } else if (c >= 0x80) {
      length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 1;
      c = '?';
    }
    i += length;
    if (c > 0xFF || c < 0x20) c = '?';
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    if (c >= 0x80) {
      char octal[8];
      std::snprintf(octal, sizeof octal, "\\%03o", c);
      out += octal;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + ")";
}

std::size_t text_length(const std::string& utf8) {
  return static_cast<std::size_t>(std::count_if(
      utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace

class PdfWriter::Page : public PageDevice {
 public:
  Page(PdfWriter& writer, const PageSetup& paper) : writer_(writer), paper_(paper) {}

  void SetClip(const RECT* clip) override {
    if (clipped_) content_ += "Q\n";
    clipped_ = clip != nullptr;
    if (clip) content_ += "q " + box(*clip) + " re W n\n";
  }

  int StretchDIB(const RECT& dest, const BITMAPINFO* info, const void* bits) override {
    if (!info || !bits || dest.right <= dest.left || dest.bottom <= dest.top) return 0;
    std::string rgb;
    if (!dib_rgb_rows(info, bits, 0, -1, rgb)) return 0;
    const std::optional<std::string> packed = deflate(rgb);
    if (!packed) return 0;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    const int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    const int object =
        writer_.AddObject("<< /Type /XObject /Subtype /Image /Width " + std::to_string(h.biWidth) +
                          " /Height " + std::to_string(height) +
                          " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Interpolate false"
                          " /Filter /FlateDecode /Length " +
                          std::to_string(packed->size()) + " >>\nstream\n" + *packed + "\nendstream");
    const std::string name = "/Im" + std::to_string(object);
    resources_ += name + " " + std::to_string(object) + " 0 R ";
    content_ += "q " + number(points(dest.right - dest.left)) + " 0 0 " +
                number(points(dest.bottom - dest.top)) + " " + number(points(dest.left)) + " " +
                number(y(dest.bottom)) + " cm " + name + " Do Q\n";
    return height;
  }

  void Caption(const RECT& band, const std::string& text, int size) override {
    usesFont_ = true;
    // Courier's advance is 600/1000 of the size for every character.
    const double width = static_cast<double>(text_length(text)) * size * 0.6;
    const double centreX = points(band.left + band.right) / 2;
    const double baseline = (y(band.top) + y(band.bottom)) / 2 - size * 0.3;
    content_ += "q " + box(band) + " re W n 1 g " + box(band) + " re f 0 g BT /F1 " + std::to_string(size) +
                " Tf " + number(centreX - width / 2) + " " + number(baseline) + " Td " + pdf_text(text) +
                " Tj ET Q\n";
  }

  // The page object, its content written as an object of its own.
  std::string Finish() {
    if (clipped_) content_ += "Q\n";
    const int contents = writer_.AddObject("<< /Length " + std::to_string(content_.size()) + " >>\nstream\n" +
                                           content_ + "endstream");
    std::string resources = "<< /XObject << " + resources_ + ">>";
    if (usesFont_)
      resources +=
          " /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding /WinAnsiEncoding >> >>";
    resources += " >>";
    return "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + number(paper_.paperWidth * 0.072) + " " +
           number(paper_.paperHeight * 0.072) + "] /Resources " + resources + " /Contents " +
           std::to_string(contents) + " 0 R >>";
  }

 private:
  // PDF's y grows upwards from the paper's bottom edge.
  double y(int hundredths) const { return paper_.paperHeight * 0.072 - points(hundredths); }
  std::string box(const RECT& r) const {
    return number(points(r.left)) + " " + number(y(r.bottom)) + " " + number(points(r.right - r.left)) + " " +
           number(points(r.bottom - r.top));
  }

  PdfWriter& writer_;
  PageSetup paper_;
  std::string content_;
  std::string resources_;
  bool clipped_ = false;
  bool usesFont_ = false;
};

PdfWriter::PdfWriter(std::string title) : title_(std::move(title)) {
  objects_.emplace_back("<< /Type /Catalog /Pages 2 0 R >>");
  objects_.emplace_back();  // the page tree, written when the pages are known
  objects_.emplace_back("<< /Title " + pdf_text(title_) + " /Producer " + pdf_text("Ivorel") + " >>");
}

PdfWriter::~PdfWriter() = default;

int PdfWriter::AddObject(std::string body) {
  objects_.push_back(std::move(body));
  return static_cast<int>(objects_.size());
}

PageDevice& PdfWriter::BeginPage(const PageSetup& paper) {
  if (page_) EndPage();
  page_ = std::make_unique<Page>(*this, paper);
  return *page_;
}

void PdfWriter::EndPage() {
  if (!page_) return;
  const std::string body = page_->Finish();
  pageObjects_.push_back(AddObject(body));
  page_.reset();
}

int PdfWriter::PageCount() const {
  return static_cast<int>(pageObjects_.size());
}

std::string PdfWriter::Finish() {
  EndPage();
  std::string kids;
  for (int object : pageObjects_) kids += std::to_string(object) + " 0 R ";
  objects_[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pageObjects_.size()) + " >>";
  std::string file = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i < objects_.size(); ++i) {
    offsets.push_back(file.size());
    file += std::to_string(i + 1) + " 0 obj\n" + objects_[i] + "\nendobj\n";
  }
  const std::size_t xref = file.size();
  file += "xref\n0 " + std::to_string(objects_.size() + 1) + "\n0000000000 65535 f \n";
  for (std::size_t offset : offsets) {
    char entry[24];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
    file += entry;
  }
  file += "trailer\n<< /Size " + std::to_string(objects_.size() + 1) +
          " /Root 1 0 R /Info 3 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return file;
}

bool PdfWriter::Save(const std::string& path, std::string* error) {
  const std::string file = Finish();
  // Write beside the file a link points to, so the link survives, and keep that file's permissions.
  std::string target = path;
  if (char* real = ::realpath(path.c_str(), nullptr)) {
    target = real;
    std::free(real);
  }
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  std::string temp = target + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  auto fail = [&](const char* what) {
    if (error) *error = std::string(what) + " " + path + ": " + std::strerror(errno);
    return false;
  };
  if (fd < 0) return fail("Cannot write");
  bool ok = true;
  for (std::size_t done = 0; ok && done < file.size();) {
    const ssize_t n = ::write(fd, file.data() + done, file.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ok = ok && ::fchmod(fd, exists ? (existing.st_mode & 07777) : (0666 & ~mask)) == 0;
  ok = (::close(fd) == 0) && ok;
  if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
    const int saved = errno;
    ::unlink(temp.c_str());
    errno = saved;
    return fail("Cannot write");
  }
  return true;
}

}  // namespace ivorel
