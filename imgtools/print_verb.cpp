// print: lays an image out on a page exactly as the editor prints it and writes the page as a PDF, or hands
// that PDF to a CUPS printer through the system's lp command.
#include <unistd.h>

#include <sys/wait.h>
#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "imgtools/image_source.h"
#include "imgtools/verbs.h"
#include "ivorel/windows/page_image.h"
#include "ivorel/windows/pdf_page.h"

namespace imgtools {

namespace {

bool parse_int(const std::string& text, int& value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

// "L,T,R,B", each 0 ... 100000 thousandths of an inch.
bool parse_margins(const std::string& text, ivorel::PageSetup& setup) {
  int values[4];
  std::size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    const std::size_t comma = text.find(',', start);
    if ((i < 3) != (comma != std::string::npos)) return false;
    if (!parse_int(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start),
                   values[i]) ||
        values[i] < 0 || values[i] > 100000)
      return false;
    start = comma + 1;
  }
  setup.left = values[0];
  setup.top = values[1];
  setup.right = values[2];
  setup.bottom = values[3];
  return true;
}

bool choice(const std::string& text, std::initializer_list<const char*> words, int& value) {
  int i = 0;
  for (const char* word : words) {
    if (text == word) {
      value = i;
      return true;
    }
    ++i;
  }
  return false;
}

// lp is given the file as an argument vector, never through a shell.
int send_to_printer(const std::string& printer, const std::string& pdf, const std::string& title) {
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    ::execlp("lp", "lp", "-s", "-d", printer.c_str(), "-t", title.c_str(), "--", pdf.c_str(),
             static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int print_verb(const Args& args) {
  _PrintImageLayout_STRUCT layout{};
  ivorel::PageSetup setup = ivorel::letter_paper();
  std::string margins, printer;
  int xResolution = 100, yResolution = 100;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a.rfind("--", 0) == 0 && !hasValue) return usage_error(a + " needs a value");
    if (a == "--layout") {
      if (!choice(args[++i], {"fit", "stretch", "scale"}, layout.layout))
        return usage_error("--layout takes fit, stretch or scale");
    } else if (a == "--zoom") {
      if (!parse_int(args[++i], layout.zoom) || ivorel::entry_of_zoom(layout.zoom) < 0)
        return usage_error("--zoom takes 1, 2, 4 ... 128 or -2, -4 ... -128");
    } else if (a == "--caption") {
      if (!choice(args[++i], {"none", "top", "bottom"}, layout.caption))
        return usage_error("--caption takes none, top or bottom");
    } else if (a == "--paper") {
      int paper = 0;
      if (!choice(args[++i], {"letter", "a4"}, paper)) return usage_error("--paper takes a4 or letter");
      const ivorel::PageSetup sized = paper == 0 ? ivorel::letter_paper() : ivorel::a4_paper();
      setup.paperWidth = sized.paperWidth;
      setup.paperHeight = sized.paperHeight;
    } else if (a == "--margins") {
      margins = args[++i];
    } else if (a == "--resolution") {
      const std::string& value = args[++i];
      const std::size_t comma = value.find(',');
      const bool ok = comma == std::string::npos
                          ? parse_int(value, xResolution) && parse_int(value, yResolution)
                          : parse_int(value.substr(0, comma), xResolution) &&
                                parse_int(value.substr(comma + 1), yResolution);
      if (!ok || xResolution < 1 || yResolution < 1 || xResolution > 65535 || yResolution > 65535)
        return usage_error("--resolution takes DPI or X,Y (1 ... 65535)");
    } else if (a == "--printer") {
      printer = args[++i];
    } else if (a.rfind("--", 0) == 0) {
      return usage_error("unknown option " + a);
    } else {
      files.push_back(a);
    }
  }
  if (!margins.empty() && !parse_margins(margins, setup))
    return usage_error("--margins takes L,T,R,B in thousandths of an inch (0 ... 100000)");
  if (files.size() != (printer.empty() ? 2u : 1u))
    return usage_error(printer.empty() ? "print needs IN and OUT.pdf" : "print --printer needs IN only");

  ImageSource source(files[0]);
  if (!source.ok()) return 1;
  const RawImage raw = source.frame(0);
  _IMAGEDESCRIPTOR image{};
  image.width = raw.width;
  image.height = raw.height;
  image.bitsPerPixel = raw.bits;
  image.colors = raw.colors;
  image.xResolution = static_cast<unsigned short>(xResolution);
  image.yResolution = static_cast<unsigned short>(yResolution);
  image.imageData = raw.pixels;
  for (int i = 0; i < 256 && raw.palette; ++i) image.palette[i] = raw.palette[i];

  const std::string name = ivorel::printed_name(files[0].c_str());
  PageImage page("Pictaro Layout Page", image, name.c_str(), layout);
  const ivorel::PagePlacement placement = page.Placement(setup);
  if (placement.clipped)
    std::fprintf(stderr, "%s: the image is larger than the page and is clipped\n", name.c_str());
  ivorel::PdfWriter pdf(name);
  std::string problem;
  if (!page.DrawPage(pdf.BeginPage(setup), setup, &problem)) {
    std::fprintf(stderr, "%s: not printed: %s\n", files[0].c_str(), problem.c_str());
    return 1;
  }
  pdf.EndPage();

  std::string out = printer.empty() ? files[1] : std::string();
  if (!printer.empty()) {
    char temp[] = "/tmp/imgtools-print-XXXXXX";
    const int fd = ::mkstemp(temp);
    if (fd < 0) {
      std::perror("imgtools: temporary file");
      return 1;
    }
    ::close(fd);
    out = temp;
  }
  std::string error;
  if (!pdf.Save(out, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  if (printer.empty()) return 0;
  const int status = send_to_printer(printer, out, name);
  ::unlink(out.c_str());
  if (status != 0) {
    std::fprintf(stderr, "%s: the printer %s did not take the page (lp %s)\n", files[0].c_str(),
                 printer.c_str(), status == 127 ? "is not installed" : "failed");
    return 1;
  }
  return 0;
}

}  // namespace imgtools
