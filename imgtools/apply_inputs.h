// The options of `apply` that feed operations from outside their words: --seed N, --colours FIRST,SECOND,
// --texture FILE and --palette FILE.
#pragma once

#include <memory>
#include <string>

#include "imgtools/verbs.h"

namespace imgtools {

class OperationInputs {
 public:
  OperationInputs();
  ~OperationInputs();
  // Takes the options out of `args` and puts them in force for the operations; returns 0, or the exit
  // status of a usage error or an unreadable texture.
  int take(Args& args);

 private:
  struct Texture;
  std::unique_ptr<Texture> texture_;
};

// The options an operation reads ("--seed --colours"), empty when none.
std::string input_options(unsigned inputs);

}  // namespace imgtools
