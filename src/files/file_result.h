#pragma once
// The outcome of reading or writing a file: whether it worked and, when it did not, why.

#include <string>

namespace pelvar {

struct FileResult {
  bool ok = false;
  std::string message;  // why it failed, naming the file; empty on success
};

}  // namespace pelvar
