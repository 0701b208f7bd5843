// imgtools scan: the scanner engine without its dialogs, for scripts. The options a script names are set on
// the open source before it is enabled; every page that arrives is written.
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "imgtools/image_source.h"
#include "imgtools/verbs.h"
#include "ivorel/acquire/ctwain.h"
#include "ivorel/acquire/scan_session.h"
#include "ivorel/acquire/source_manager.h"

namespace imgtools {

namespace {

class ScriptedScan : public CTwain {
 public:
  std::vector<HGLOBAL> pages;
  std::string failure;
  ~ScriptedScan() override {
    for (HGLOBAL page : pages) GlobalFree(page);
  }

 protected:
  void DibReceived(HGLOBAL bitmap) override { pages.push_back(bitmap); }
  void TwainError(TW_ERR error) override {
    static const char* const what[] = {"the scanner software could not be started",
                                       "the scanner could not be opened", "the scanner could not be started"};
    failure = what[error];
    const std::string why = scan::last_error();
    if (!why.empty()) failure += ": " + why;
  }
};

// OUT for the first page, OUT-2.EXT, OUT-3.EXT ... for the pages a feeder brings after it.
std::string page_name(const std::string& out, std::size_t page) {
  if (page == 0) return out;
  const std::size_t slash = out.find_last_of('/');
  std::size_t dot = out.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = out.size();
  return out.substr(0, dot) + "-" + std::to_string(page + 1) + out.substr(dot);
}

int write_page(const std::string& out, CompandType type, HGLOBAL dib) {
  pcore::BlockLock lock(dib);
  BITMAPINFOHEADER info;
  std::memcpy(&info, lock.data(), sizeof info);
  std::vector<RGBCOLOR> palette(256);
  const auto* table = reinterpret_cast<const RGBQUAD*>(lock.data() + sizeof info);
  for (std::uint32_t i = 0; i < info.biClrUsed && i < 256; ++i)
    palette[i] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue};
  RawImage img;
  img.width = static_cast<unsigned short>(info.biWidth);
  img.height = static_cast<unsigned short>(info.biHeight);
  img.bits = info.biBitCount;
  img.colors = static_cast<unsigned short>(info.biClrUsed);
  img.pixels = lock.data() + sizeof info + info.biClrUsed * sizeof(RGBQUAD);
  img.palette = palette.data();
  return save_image(out, type, img);
}

int list_devices() {
  std::string error;
  const std::vector<scan::SourceInfo> sources = scan::list_sources(error);
  if (sources.empty()) {
    std::fprintf(stderr, "imgtools scan: %s\n", error.c_str());
    return 1;
  }
  for (const scan::SourceInfo& s : sources)
    std::printf("%s\t%s %s (%s)\n", s.name.c_str(), s.vendor.c_str(), s.model.c_str(), s.type.c_str());
  return 0;
}

}  // namespace

int scan_verb(const Args& args) {
  std::string device, out;
  std::vector<std::pair<std::string, std::string>> options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "--list") return list_devices();
    if ((a == "--device" || a == "--resolution" || a == "--mode" || a == "--option") && !has_value)
      return usage_error(a + " needs a value");
    if (a == "--device") {
      device = args[++i];
    } else if (a == "--resolution" || a == "--mode") {
      options.emplace_back(a.substr(2), args[++i]);
    } else if (a == "--option") {
      const std::string& item = args[++i];
      const std::size_t eq = item.find('=');
      if (eq == std::string::npos || eq == 0) return usage_error("--option takes NAME=VALUE");
      options.emplace_back(item.substr(0, eq), item.substr(eq + 1));
    } else if (a.rfind("--", 0) == 0) {
      return usage_error("unknown option " + a);
    } else if (out.empty()) {
      out = a;
    } else {
      return usage_error("scan writes one file");
    }
  }
  if (out.empty()) return usage_error("scan needs the output file");
  const CompandType type = writable_type(out);
  if (type == CT_NONE) return usage_error("no writer takes the name " + out);

  ScriptedScan engine;
  engine.RegisterApp(1, 0, 13, 1, "imgtools", "Pixmoor", "Image Tools", "imgtools");
  engine.SetShowUI(0);
  if (!engine.TwainAvailable()) {
    std::fprintf(stderr, "imgtools scan: %s\n", scan::unavailable_reason().c_str());
    return 1;
  }
  if (!device.empty()) {
    // A script that names a device means that one, never whichever scanner happens to be first.
    std::string error;
    bool found = false;
    for (const scan::SourceInfo& s : scan::list_sources(error)) found = found || s.name == device;
    if (!found) {
      std::fprintf(stderr, "imgtools scan: there is no scanner \"%s\" ('imgtools scan --list' shows them)\n",
                   device.c_str());
      return 1;
    }
    scan::set_default_source(device);
  }
  if (!engine.OpenSourceManager(nullptr) || !engine.OpenDefaultSource()) {
    std::fprintf(stderr, "imgtools scan: %s\n",
                 scan::last_error().empty() ? "the scanner could not be opened" : scan::last_error().c_str());
    return 1;
  }
  for (const auto& [name, value] : options) {
    scan::ScanSession* source = scan::open_source();
    if (!source || !source->set(name, value)) {
      std::fprintf(stderr, "imgtools scan: %s\n", source ? source->error().c_str() : "no scanner is open");
      engine.DropToState(1, nullptr);
      return 1;
    }
  }
  if (!engine.BeginAcquire(nullptr)) {
    std::fprintf(stderr, "imgtools scan: %s\n", engine.failure.c_str());
    return 1;
  }
  engine.ModalEventLoop();
  const std::string why = scan::last_error();
  engine.DropToState(1, nullptr);
  if (engine.pages.empty()) {
    std::fprintf(stderr, "imgtools scan: %s\n", why.empty() ? "the scan was cancelled" : why.c_str());
    return 1;
  }
  for (std::size_t i = 0; i < engine.pages.size(); ++i)
    if (write_page(page_name(out, i), type, engine.pages[i]) != 0) return 1;
  return 0;
}

}  // namespace imgtools
