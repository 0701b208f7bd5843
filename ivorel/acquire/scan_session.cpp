#include "ivorel/acquire/scan_session.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "ivorel/acquire/page_assembler.h"
#include "ivorel/acquire/sane_library.h"

namespace scan {

namespace {

const char* unit_name(SANE_Unit unit) {
  switch (unit) {
    case SANE_UNIT_PIXEL:
      return "px";
    case SANE_UNIT_BIT:
      return "bit";
    case SANE_UNIT_MM:
      return "mm";
    case SANE_UNIT_DPI:
      return "dpi";
    case SANE_UNIT_PERCENT:
      return "%";
    case SANE_UNIT_MICROSECOND:
      return "us";
    default:
      return "";
  }
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string number_text(double v, bool fixed) {
  if (!fixed) return std::to_string(static_cast<long long>(v));
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

}  // namespace

ScanSession::ScanSession(const std::string& device) : device_(device) {
  const SaneApi* api = sane_api(&error_);
  if (!api) return;
  SANE_Handle handle = nullptr;
  const SANE_Status status = api->open(device.c_str(), &handle);
  if (status != SANE_STATUS_GOOD) {
    error_ = "The scanner \"" + device + "\" cannot be opened: " + status_text(status) + ".";
    return;
  }
  handle_ = handle;
}

ScanSession::~ScanSession() {
  if (handle_) sane_api()->close(handle_);
}

std::vector<ScanOption> ScanSession::options() const {
  std::vector<ScanOption> all;
  if (!handle_) return all;
  const SaneApi& api = *sane_api();
  SANE_Int count = 0;
  if (api.control_option(handle_, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD) return all;
  for (int i = 1; i < count && i < 4096; ++i) {
    const SANE_Option_Descriptor* d = api.get_option_descriptor(handle_, i);
    if (!d) continue;
    ScanOption o;
    o.index = i;
    o.name = d->name ? d->name : "";
    o.title = d->title ? d->title : o.name;
    o.description = d->desc ? d->desc : "";
    o.unit = unit_name(d->unit);
    o.active = SANE_OPTION_IS_ACTIVE(d->cap);
    o.settable = SANE_OPTION_IS_SETTABLE(d->cap);
    o.advanced = (d->cap & SANE_CAP_ADVANCED) != 0;
    const bool fixed = d->type == SANE_TYPE_FIXED;
    switch (d->type) {
      case SANE_TYPE_BOOL:
        o.kind = ScanOption::Kind::Bool;
        break;
      case SANE_TYPE_INT:
      case SANE_TYPE_FIXED:
        o.kind = fixed ? ScanOption::Kind::Fixed : ScanOption::Kind::Int;
        o.count = std::max<int>(1, d->size / static_cast<int>(sizeof(SANE_Word)));
        break;
      case SANE_TYPE_STRING:
        o.kind = ScanOption::Kind::String;
        break;
      case SANE_TYPE_BUTTON:
        o.kind = ScanOption::Kind::Button;
        break;
      default:
        o.kind = ScanOption::Kind::Group;
        break;
    }
    const auto unfix = [fixed](SANE_Word w) { return fixed ? SANE_UNFIX(w) : static_cast<double>(w); };
    if (d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range) {
      o.ranged = true;
      o.min = unfix(d->constraint.range->min);
      o.max = unfix(d->constraint.range->max);
      o.quant = unfix(d->constraint.range->quant);
    } else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list) {
      const SANE_Word n = d->constraint.word_list[0];
      for (SANE_Word k = 1; k <= n && k < 4096; ++k) o.numbers.push_back(unfix(d->constraint.word_list[k]));
    } else if (d->constraint_type == SANE_CONSTRAINT_STRING_LIST && d->constraint.string_list) {
      for (int k = 0; d->constraint.string_list[k] && k < 4096; ++k)
        o.strings.push_back(d->constraint.string_list[k]);
    }
    all.push_back(std::move(o));
  }
  return all;
}

const ScanOption* ScanSession::find(const std::vector<ScanOption>& options, const std::string& name) const {
  for (const ScanOption& o : options)
    if (o.name == name) return &o;
  return nullptr;
}

std::string ScanSession::value(const ScanOption& o) const {
  if (!handle_ || !o.active || o.kind == ScanOption::Kind::Button || o.kind == ScanOption::Kind::Group)
    return "";
  const SANE_Option_Descriptor* d = sane_api()->get_option_descriptor(handle_, o.index);
  if (!d || d->size <= 0 || d->size > (1 << 20)) return "";
  std::vector<unsigned char> buffer(static_cast<std::size_t>(d->size) + 1, 0);
  if (sane_api()->control_option(handle_, o.index, SANE_ACTION_GET_VALUE, buffer.data(), nullptr) !=
      SANE_STATUS_GOOD)
    return "";
  SANE_Word w;
  std::memcpy(&w, buffer.data(), sizeof w);
  switch (o.kind) {
    case ScanOption::Kind::Bool:
      return w ? "yes" : "no";
    case ScanOption::Kind::Int:
      return number_text(w, false);
    case ScanOption::Kind::Fixed:
      return number_text(SANE_UNFIX(w), true);
    default:
      return reinterpret_cast<const char*>(buffer.data());
  }
}

bool ScanSession::set(const ScanOption& o, const std::string& text) {
  if (!handle_) return false;
  if (!o.active || !o.settable) {
    error_ = "The option \"" + o.title + "\" cannot be set now.";
    return false;
  }
  const SANE_Option_Descriptor* d = sane_api()->get_option_descriptor(handle_, o.index);
  if (!d) return false;
  std::vector<unsigned char> buffer(
      static_cast<std::size_t>(std::max<SANE_Int>(d->size, sizeof(SANE_Word))) + 1, 0);
  void* value = buffer.data();
  if (o.kind == ScanOption::Kind::Bool) {
    const std::string t = lower(text);
    const SANE_Word w = (t == "yes" || t == "1" || t == "true" || t == "on") ? SANE_TRUE : SANE_FALSE;
    std::memcpy(value, &w, sizeof w);
  } else if (o.kind == ScanOption::Kind::Int || o.kind == ScanOption::Kind::Fixed) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end || !std::isfinite(v) || std::fabs(v) > 1e9) {
      error_ = "\"" + text + "\" is not a number for \"" + o.title + "\".";
      return false;
    }
    const SANE_Word w =
        o.kind == ScanOption::Kind::Fixed ? SANE_FIX(v) : static_cast<SANE_Word>(std::lround(v));
    // A vector option (a gamma table, say) takes the value in every element.
    for (int k = 0; k < o.count; ++k) std::memcpy(buffer.data() + k * sizeof w, &w, sizeof w);
  } else if (o.kind == ScanOption::Kind::String) {
    if (text.size() + 1 > buffer.size()) {
      error_ = "\"" + text + "\" is too long for \"" + o.title + "\".";
      return false;
    }
    std::memcpy(buffer.data(), text.c_str(), text.size() + 1);
  } else if (o.kind != ScanOption::Kind::Button) {
    return false;
  }
  const SANE_Status status = sane_api()->control_option(
      handle_, o.index, SANE_ACTION_SET_VALUE, o.kind == ScanOption::Kind::Button ? nullptr : value, nullptr);
  if (status != SANE_STATUS_GOOD) {
    error_ = "\"" + o.title + "\" cannot be set to \"" + text + "\": " + status_text(status) + ".";
    return false;
  }
  return true;
}

bool ScanSession::set(const std::string& name, const std::string& text) {
  const std::vector<ScanOption> all = options();
  const ScanOption* o = find(all, name);
  if (!o) {
    error_ = "The scanner has no option \"" + name + "\".";
    return false;
  }
  if (name == "mode" && !o->strings.empty()) {
    // Devices spell their modes differently ("Color", "color", "24bit Color"): match without case.
    const std::string want = lower(text);
    for (const std::string& s : o->strings)
      if (lower(s) == want || lower(s).find(want) != std::string::npos) return set(*o, s);
    if (want == "lineart") {
      // Line art on a device without that mode: 1-bit grey is the same picture.
      const ScanOption* depth = find(all, "depth");
      if (depth && set(*o, [&] {
            for (const std::string& s : o->strings)
              if (lower(s).find("gray") != std::string::npos || lower(s).find("grey") != std::string::npos)
                return s;
            return text;
          }()))
        return set("depth", "1");
    }
    error_ = "The scanner has no mode \"" + text + "\".";
    return false;
  }
  return set(*o, text);
}

bool ScanSession::feeds_pages() const {
  const std::vector<ScanOption> all = options();
  const ScanOption* source = find(all, "source");
  if (!source) return false;
  const std::string v = lower(value(*source));
  return v.find("feeder") != std::string::npos || v.find("adf") != std::string::npos;
}

HGLOBAL ScanSession::scan_page(const ScanProgress& progress, bool& cancelled, bool& empty) {
  cancelled = empty = false;
  if (!handle_) return nullptr;
  const SaneApi& api = *sane_api();
  int dpi = 0;
  {
    const std::vector<ScanOption> all = options();
    if (const ScanOption* r = find(all, "resolution")) dpi = std::atoi(value(*r).c_str());
  }
  PageAssembler page(dpi);
  std::vector<unsigned char> chunk(64 * 1024);
  bool stopping = false;
  while (!page.complete()) {
    SANE_Status status = api.start(handle_);
    if (status == SANE_STATUS_NO_DOCS) {
      empty = page.frame_count() == 0;
      error_ = "The document feeder is empty.";
      api.cancel(handle_);
      return nullptr;
    }
    if (status == SANE_STATUS_CANCELLED) {
      cancelled = true;
      api.cancel(handle_);
      return nullptr;
    }
    SANE_Parameters parameters{};
    if (status == SANE_STATUS_GOOD) status = api.get_parameters(handle_, &parameters);
    if (status != SANE_STATUS_GOOD) {
      error_ = "The scan did not start: " + status_text(status) + ".";
      api.cancel(handle_);
      return nullptr;
    }
    if (!page.begin_frame(parameters, error_)) {
      api.cancel(handle_);
      return nullptr;
    }
    while (true) {
      SANE_Int length = 0;
      status = api.read(handle_, chunk.data(), static_cast<SANE_Int>(chunk.size()), &length);
      if (status == SANE_STATUS_EOF && !stopping) break;
      if (status == SANE_STATUS_EOF) status = SANE_STATUS_CANCELLED;
      if (status == SANE_STATUS_CANCELLED) {
        cancelled = true;
        api.cancel(handle_);
        return nullptr;
      }
      if (status != SANE_STATUS_GOOD) {
        error_ = "The scan stopped: " + status_text(status) + ".";
        // A backend whose reader thread has only just started cancels it asynchronously; cancelled inside
        // the C library's allocator, the thread deadlocks on its way out and the cancel never returns
        // (seen with SANE's own test device). A moment's wait lets it get past its set-up and block on the
        // pipe we no longer read, where cancelling it is safe.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        api.cancel(handle_);
        return nullptr;
      }
      if (length < 0 || length > static_cast<SANE_Int>(chunk.size())) length = 0;
      page.add(chunk.data(), static_cast<std::size_t>(length), error_);
      if (!stopping && progress && !progress(page.lines_done(), page.lines_expected())) {
        // The device finishes what it is doing and then answers the next read with "cancelled".
        stopping = true;
        api.cancel(handle_);
      }
    }
    page.end_frame();
  }
  // The scan stays open: a feeder's next page comes with the next start, and end_batch() closes it.
  return page.finish(error_);
}

void ScanSession::end_batch() {
  if (handle_) sane_api()->cancel(handle_);
}

}  // namespace scan
