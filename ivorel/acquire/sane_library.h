// SANE, loaded when the first scanner command needs it, so that the suite starts and runs on machines
// without scanner software. The entry points are looked up by name; nothing links against libsane.
#pragma once

#include <sane/sane.h>

#include <string>

namespace scan {

struct SaneApi {
  SANE_Status (*init)(SANE_Int* version, SANE_Auth_Callback authorize);
  void (*exit)();
  SANE_Status (*get_devices)(const SANE_Device*** list, SANE_Bool local_only);
  SANE_Status (*open)(SANE_String_Const name, SANE_Handle* handle);
  void (*close)(SANE_Handle handle);
  const SANE_Option_Descriptor* (*get_option_descriptor)(SANE_Handle handle, SANE_Int option);
  SANE_Status (*control_option)(SANE_Handle handle, SANE_Int option, SANE_Action action, void* value,
                                SANE_Int* info);
  SANE_Status (*get_parameters)(SANE_Handle handle, SANE_Parameters* params);
  SANE_Status (*start)(SANE_Handle handle);
  SANE_Status (*read)(SANE_Handle handle, SANE_Byte* data, SANE_Int max_length, SANE_Int* length);
  void (*cancel)(SANE_Handle handle);
  SANE_String_Const (*strstatus)(SANE_Status status);
};

// The library's entry points, loading it on the first call; null when it cannot be loaded (then `why` says
// so). The library is "libsane.so.1", or the file named by SUITE_SANE_LIBRARY (a missing file stands for a
// machine without SANE in tests).
const SaneApi* sane_api(std::string* why = nullptr);

// A status as words, also when the library is gone.
std::string status_text(SANE_Status status);

}  // namespace scan
