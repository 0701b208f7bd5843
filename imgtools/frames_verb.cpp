// frames: builds or edits an animation with Framora's document, so that scripts and the program make the
// same files. The inputs are appended in order; the edits then run in the order given, on frames counted
// from 0 as the stack stands at that moment.
#include <sys/stat.h>

#include <charconv>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "apps/framora/document/framora_doc.h"
#include "imgtools/image_source.h"
#include "imgtools/verbs.h"

namespace imgtools {

namespace {

using framora::CFramoraDoc;
using framora::Status;
using Edit = std::function<Status(CFramoraDoc&)>;

bool parse_int(const std::string& text, int& value) {
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && p == end;
}

// "A<sep>B" as two integers.
bool parse_pair(const std::string& text, char sep, int& a, int& b) {
  const auto at = text.find(sep);
  return at != std::string::npos && parse_int(text.substr(0, at), a) && parse_int(text.substr(at + 1), b);
}

// "[I=]VALUE": the frame (-1 for every frame) and the value's text.
bool split_frame(const std::string& text, int& frame, std::string& value) {
  const auto at = text.find('=');
  frame = -1;
  value = text;
  if (at == std::string::npos) return true;
  value = text.substr(at + 1);
  return parse_int(text.substr(0, at), frame) && frame >= 0;
}

int disposal_value(const std::string& text) {
  static const char* const kWords[4] = {"none", "keep", "background", "previous"};
  for (int d = 0; d < 4; ++d) {
    if (text == kWords[d]) return d;
  }
  int d;
  return parse_int(text, d) && d >= 0 && d <= framora::kMaxDisposal ? d : -1;
}

// Runs `set` on one frame or, for -1, on every frame.
Edit each_frame(int frame, std::function<Status(CFramoraDoc&, int)> set) {
  return [frame, set](CFramoraDoc& doc) {
    if (frame >= 0) return set(doc, frame);
    for (int i = 0; i < doc.GetFrameCount(); ++i) {
      if (const Status s = set(doc, i); s != Status::Ok) return s;
    }
    return Status::Ok;
  };
}

struct Parsed {
  std::vector<std::string> files;  // the inputs, then OUT
  std::vector<std::pair<std::string, Edit>> edits;
  framora::PaletteMapping mapping = framora::PaletteMapping::Dither;
};

// The edit of one option with its value, or an empty function when the value does not parse.
Edit edit_of(const std::string& option, const std::string& value, Parsed& parsed) {
  int frame, a, b;
  std::string rest;
  if (option == "--delay" && split_frame(value, frame, rest) && parse_int(rest, a) && a >= 0) {
    return each_frame(frame, [a](CFramoraDoc& doc, int i) { return doc.SetDelay(i, a); });
  }
  if (option == "--dispose" && split_frame(value, frame, rest) && (a = disposal_value(rest)) >= 0) {
    return each_frame(frame, [a](CFramoraDoc& doc, int i) { return doc.SetDisposal(i, a); });
  }
  if (option == "--transparent" && split_frame(value, frame, rest) &&
      (rest == "none" || (parse_int(rest, a) && a >= 0 && a <= 255))) {
    const int index = rest == "none" ? -1 : a;
    return each_frame(frame, [index](CFramoraDoc& doc, int i) { return doc.SetTransparency(i, index); });
  }
  if (option == "--position" && split_frame(value, frame, rest) && frame >= 0 &&
      parse_pair(rest, ',', a, b) && a >= 0 && b >= 0 && a <= framora::kMaxCoordinate &&
      b <= framora::kMaxCoordinate) {
    return [frame, a, b](CFramoraDoc& doc) { return doc.SetPosition(frame, a, b); };
  }
  if (option == "--comment" && split_frame(value, frame, rest) && frame >= 0) {
    return [frame, rest](CFramoraDoc& doc) { return doc.SetComment(frame, rest); };
  }
  if (option == "--delete" && parse_int(value, frame)) {
    return [frame](CFramoraDoc& doc) { return doc.DeleteFrame(frame); };
  }
  if (option == "--duplicate" && parse_int(value, frame)) {
    return [frame](CFramoraDoc& doc) { return doc.DuplicateFrame(frame); };
  }
  if (option == "--move" && parse_pair(value, ':', a, b)) {
    return [a, b](CFramoraDoc& doc) { return doc.MoveFrame(a, b); };
  }
  if (option == "--screen" && parse_pair(value, 'x', a, b)) {
    return [a, b](CFramoraDoc& doc) { return doc.SetScreenSize(a, b); };
  }
  if (option == "--loop" && parse_int(value, a) && a >= 0 && a <= 65535) {
    return [a](CFramoraDoc& doc) { return doc.SetLoopCount(a); };
  }
  if (option == "--palette") {
    const framora::PaletteMapping* mapping = &parsed.mapping;  // read when the edit runs: the last one given
    if (value == "fixed") {
      return [mapping](CFramoraDoc& doc) {
        return doc.SetColourPolicy(framora::ColourPolicy::FixedPalette, 0, {}, *mapping);
      };
    }
    if (value.rfind("frame=", 0) == 0 && parse_int(value.substr(6), a)) {
      return [mapping, a](CFramoraDoc& doc) {
        return doc.SetColourPolicy(framora::ColourPolicy::FramePalette, a, {}, *mapping);
      };
    }
    if (value.rfind("file=", 0) == 0 && value.size() > 5) {
      const std::string file = value.substr(5);
      return [mapping, file](CFramoraDoc& doc) {
        return doc.SetColourPolicy(framora::ColourPolicy::FilePalette, 0, file, *mapping);
      };
    }
  }
  return {};
}

bool takes_value(const std::string& option) {
  static const char* const kOptions[] = {"--delay",  "--dispose", "--transparent", "--position",
                                         "--delete", "--move",    "--duplicate",   "--comment",
                                         "--screen", "--loop",    "--palette"};
  for (const char* o : kOptions) {
    if (option == o) return true;
  }
  return false;
}

// Parses the arguments; a usage error's status, or 0.
int parse(const Args& args, Parsed& parsed) {
  for (std::size_t k = 0; k < args.size(); ++k) {
    const std::string& a = args[k];
    if (a == "--global-colours" || a == "--local-colours") {
      const auto policy =
          a == "--global-colours" ? framora::ColourPolicy::KeepPalettes : framora::ColourPolicy::LocalTables;
      parsed.edits.emplace_back(a, [policy](CFramoraDoc& doc) { return doc.SetColourPolicy(policy); });
    } else if (a == "--nearest") {
      parsed.mapping = framora::PaletteMapping::Nearest;
    } else if (takes_value(a)) {
      if (k + 1 >= args.size()) return usage_error("frames: " + a + " needs a value");
      const std::string& value = args[++k];
      Edit edit = edit_of(a, value, parsed);
      if (!edit) return usage_error("frames: " + a + " " + value + ": not a valid value");
      parsed.edits.emplace_back(a + " " + value, std::move(edit));
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      return usage_error("frames: unknown option " + a);
    } else {
      parsed.files.push_back(a);
    }
  }
  if (parsed.files.size() < 2) return usage_error("frames: needs IN... OUT");
  return 0;
}

// Says why an input cannot be read before the library is asked.
bool readable(const std::string& path) {
  struct stat st;
  if (Compand::FileTypeFromName(path.c_str()) == CT_NONE) {
    std::fprintf(stderr, "%s: not a file type this tool reads\n", path.c_str());
    return false;
  }
  if (::stat(path.c_str(), &st) != 0) {
    std::fprintf(stderr, "%s: no such file\n", path.c_str());
    return false;
  }
  return true;
}

const char* why(Status s, const CFramoraDoc& doc) {
  static std::string text;
  switch (s) {
    case Status::BadFrame:
      text = "no such frame (the animation has " + std::to_string(doc.GetFrameCount()) + ")";
      return text.c_str();
    case Status::BadValue:
      return "value out of range";
    case Status::OutOfMemory:
      return "not enough memory";
    default:
      return framora::status_message(s);
  }
}

}  // namespace

int frames_verb(const Args& args) {
  Parsed parsed;
  if (const int status = parse(args, parsed)) return status;
  const std::string out = parsed.files.back();
  parsed.files.pop_back();
  if (writable_type(out) == CT_NONE && Compand::FileTypeFromName(out.c_str()) != CT_NONE) {
    return usage_error("frames: " + out + " does not name a file type this tool writes");
  }
  Compand::SetErrorMessageOutputStream(stderr);
  CFramoraDoc doc;
  doc.SetUndoEnabled(false);
  for (const std::string& in : parsed.files) {
    if (!readable(in)) return 1;
    if (doc.AddFile(in) == 0) {
      std::fprintf(stderr, "\n%s: could not be read\n", in.c_str());
      return 1;
    }
  }
  for (const auto& [text, edit] : parsed.edits) {
    if (const Status s = edit(doc); s != Status::Ok) {
      std::fprintf(stderr, "imgtools: frames: %s: %s\n", text.c_str(), why(s, doc));
      return s == Status::Unreadable || s == Status::OutOfMemory ? 1 : 2;
    }
  }
  if (doc.GetFrameCount() == 0) {
    std::fprintf(stderr, "imgtools: frames: no frame left to write\n");
    return 2;
  }
  if (doc.Save(out) != Status::Ok) {
    std::fprintf(stderr, "\n%s: could not be written\n", out.c_str());
    return 1;
  }
  return 0;
}

}  // namespace imgtools
