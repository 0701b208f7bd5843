#include "ivorel/acquire/sane_library.h"

#include <dlfcn.h>

#include <cstdlib>

namespace scan {

namespace {

template <typename F>
bool resolve(void* module, const char* name, F& into) {
  into = reinterpret_cast<F>(dlsym(module, name));
  return into != nullptr;
}

struct Loaded {
  SaneApi api{};
  bool ok = false;
  std::string why;

  Loaded() {
    const char* override_name = std::getenv("SUITE_SANE_LIBRARY");
    const char* file = override_name && *override_name ? override_name : "libsane.so.1";
    // Never unloaded: backends keep threads and atexit handlers that outlive a dlclose.
    void* module = dlopen(file, RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      why = "No scanner software is installed (" + std::string(file) + " could not be loaded).";
      return;
    }
    ok = resolve(module, "sane_init", api.init) && resolve(module, "sane_exit", api.exit) &&
         resolve(module, "sane_get_devices", api.get_devices) && resolve(module, "sane_open", api.open) &&
         resolve(module, "sane_close", api.close) &&
         resolve(module, "sane_get_option_descriptor", api.get_option_descriptor) &&
         resolve(module, "sane_control_option", api.control_option) &&
         resolve(module, "sane_get_parameters", api.get_parameters) &&
         resolve(module, "sane_start", api.start) && resolve(module, "sane_read", api.read) &&
         resolve(module, "sane_cancel", api.cancel) && resolve(module, "sane_strstatus", api.strstatus);
    if (!ok) why = "The scanner software (" + std::string(file) + ") lacks entry points this program needs.";
  }
};

}  // namespace

const SaneApi* sane_api(std::string* why) {
  static const Loaded loaded;
  if (!loaded.ok && why) *why = loaded.why;
  return loaded.ok ? &loaded.api : nullptr;
}

std::string status_text(SANE_Status status) {
  if (const SaneApi* api = sane_api()) return api->strstatus(status);
  return "status " + std::to_string(static_cast<int>(status));
}

}  // namespace scan
