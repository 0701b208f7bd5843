// The verbs of the imgtools command. Each takes its own arguments (after the verb) and returns the exit
// status: 0 success, 1 a file could not be read or written, 2 a usage error.
#pragma once

#include <string>
#include <vector>

#include "ivorel/windows/imagedescriptor.h"

namespace imgtools {

using Args = std::vector<std::string>;

int info_verb(const Args& args);
int convert_verb(const Args& args);
int render_verb(const Args& args);
int apply_verb(const Args& args);
int list_verb(const Args& args);
int scan_verb(const Args& args);
int print_verb(const Args& args);
int combine_verb(const Args& args);
int fill_verb(const Args& args);

// The first frame of a file as a descriptor over a block of its own (the caller frees it); false after
// printing why.
bool load_descriptor(const std::string& path, _IMAGEDESCRIPTOR& d);
int frames_verb(const Args& args);

// Prints a usage error and returns 2.
int usage_error(const std::string& message);

}  // namespace imgtools
