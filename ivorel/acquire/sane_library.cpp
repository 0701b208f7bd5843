#include "ivorel/acquire/sane_library.h"

#include <dlfcn.h>

#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace scan {

namespace {

// Scanner backends keep what they allocate for the life of the process (device lists, names, buffers) and
// are outside our reach; in sanitiser builds their allocations are not counted as our leaks.
struct OutsideAllocations {
#if defined(__SANITIZE_ADDRESS__)
  OutsideAllocations() {
    __lsan_disable();
  }
  ~OutsideAllocations() {
    __lsan_enable();
  }
#endif
};

SaneApi g_real{};

template <auto Member, typename... A>
auto guarded(A... args) {
  [[maybe_unused]] const OutsideAllocations outside;
  return (g_real.*Member)(args...);
}

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
    if (!ok) {
      why = "The scanner software (" + std::string(file) + ") lacks entry points this program needs.";
      return;
    }
    g_real = api;
    api.init = guarded<&SaneApi::init, SANE_Int*, SANE_Auth_Callback>;
    api.exit = guarded<&SaneApi::exit>;
    api.get_devices = guarded<&SaneApi::get_devices, const SANE_Device***, SANE_Bool>;
    api.open = guarded<&SaneApi::open, SANE_String_Const, SANE_Handle*>;
    api.close = guarded<&SaneApi::close, SANE_Handle>;
    api.get_option_descriptor = guarded<&SaneApi::get_option_descriptor, SANE_Handle, SANE_Int>;
    api.control_option =
        guarded<&SaneApi::control_option, SANE_Handle, SANE_Int, SANE_Action, void*, SANE_Int*>;
    api.get_parameters = guarded<&SaneApi::get_parameters, SANE_Handle, SANE_Parameters*>;
    api.start = guarded<&SaneApi::start, SANE_Handle>;
    api.read = guarded<&SaneApi::read, SANE_Handle, SANE_Byte*, SANE_Int, SANE_Int*>;
    api.cancel = guarded<&SaneApi::cancel, SANE_Handle>;
    api.strstatus = guarded<&SaneApi::strstatus, SANE_Status>;
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
