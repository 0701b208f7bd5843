// What every benchmark program shares: timing, the scratch folder, loading peer modules, the result table.
#pragma once

#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/peers.h"
#include "platform/core/message_box.h"

namespace bench {

class SilentMessageBox : public pcore::MessageBoxService {
 public:
  int show(const void*, const std::string& text, const std::string& caption, pcore::MessageIcon,
           pcore::MessageButtons buttons) override {
    std::fprintf(stderr, "bench: %s: %s\n", caption.c_str(), text.c_str());
    return pcore::default_button(buttons);
  }
};

// Best time of `runs` calls in milliseconds, or -1 when a call fails.
inline double best_ms(int runs, const std::function<bool()>& op) {
  double best = -1;
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    if (!op()) return -1;
    std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    if (best < 0 || took.count() < best) best = took.count();
  }
  return best;
}

struct LoadedPeer {
  void* module;
  const BenchPeer* api;
};

// Loads each peer module with its own symbol scope (RTLD_LOCAL); modules that fail are reported and left out.
inline std::vector<LoadedPeer> load_peers(const std::vector<const char*>& modules) {
  std::vector<LoadedPeer> peers;
  for (const char* path : modules) {
    void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    auto* entry =
        module ? reinterpret_cast<const BenchPeer* (*)()>(dlsym(module, BENCH_PEER_ENTRY)) : nullptr;
    if (!entry) {
      std::fprintf(stderr, "bench: peer %s not loaded: %s\n", path, dlerror());
      continue;
    }
    peers.push_back({module, entry()});
  }
  return peers;
}

// A fresh folder on tmpfs when there is one, so that the disk does not set the pace.
inline std::filesystem::path scratch_folder(const std::string& name) {
  namespace fs = std::filesystem;
  fs::path base = ::access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm") : fs::temp_directory_path();
  std::string pattern = (base / (name + ".XXXXXX")).string();
  if (!::mkdtemp(pattern.data())) return {};
  return pattern;
}

inline std::string format_ms(double ms, const char* format) {
  if (ms < 0) return "failed";
  char text[32];
  std::snprintf(text, sizeof text, format, ms);
  return text;
}

inline void print_header() {
  std::printf("%-22s %-15s %10s %10s %10s\n", "operation", "peer", "ours ms", "peer ms", "peer/ours");
}

inline void print_row(const std::string& operation, const std::string& peer, double ours, double theirs) {
  const bool havePeer = !peer.empty();
  const std::string ratio = havePeer && ours > 0 && theirs > 0 ? format_ms(theirs / ours, "%.2f") : "-";
  std::printf("%-22s %-15s %10s %10s %10s\n", operation.c_str(), havePeer ? peer.c_str() : "-",
              format_ms(ours, "%.1f").c_str(), havePeer ? format_ms(theirs, "%.1f").c_str() : "-",
              ratio.c_str());
}

}  // namespace bench
