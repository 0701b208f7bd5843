// One open scanner: its options as the option dialog and scripts see them, and the scan of a page into a
// packed DIB with progress and cancelling.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/core/memblock.h"

namespace scan {

struct ScanOption {
  enum class Kind { Bool, Int, Fixed, String, Button, Group };
  int index = 0;
  Kind kind = Kind::Int;
  std::string name, title, description, unit;  // unit: "dpi", "mm", "%", "us", "bit", "px" or ""
  bool active = true, settable = true, advanced = false;
  int count = 1;        // values of a numeric option; only single values are edited
  bool ranged = false;  // min ... max in steps of quant (0 = any)
  double min = 0, max = 0, quant = 0;
  std::vector<double> numbers;       // the allowed numbers, when the device lists them
  std::vector<std::string> strings;  // the allowed strings
};

// What the page scan reports while it runs: lines so far and lines expected (0 unknown); false cancels.
using ScanProgress = std::function<bool(int done, int expected)>;

class ScanSession {
 public:
  // Opens `device` (a SANE device name); check ok() and error().
  explicit ScanSession(const std::string& device);
  ~ScanSession();
  ScanSession(const ScanSession&) = delete;
  ScanSession& operator=(const ScanSession&) = delete;

  bool ok() const { return handle_ != nullptr; }
  const std::string& error() const { return error_; }
  const std::string& device() const { return device_; }

  // The device's options now (they change as others are set).
  std::vector<ScanOption> options() const;
  const ScanOption* find(const std::vector<ScanOption>& options, const std::string& name) const;
  // The option's value as text ("yes"/"no" for a flag; numbers as written by the device's unit).
  std::string value(const ScanOption& option) const;
  // Sets an option from text; false with error() saying why. A button is pressed whatever the text.
  bool set(const ScanOption& option, const std::string& text);
  // By name, with the scripts' words: mode "Lineart" falls back to 1-bit grey on devices without it.
  bool set(const std::string& name, const std::string& text);

  // Scans one page. Null when cancelled (`cancelled` set), when the feeder is empty (`empty` set) or on an
  // error (error()).
  HGLOBAL scan_page(const ScanProgress& progress, bool& cancelled, bool& empty);
  // Ends a batch of pages (after the last page, a cancel or an error).
  void end_batch();
  // Whether the device feeds more pages by itself (a document feeder is chosen).
  bool feeds_pages() const;

 private:
  void* handle_ = nullptr;
  std::string device_;
  std::string error_;
};

}  // namespace scan
