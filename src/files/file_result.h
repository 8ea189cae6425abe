#pragma once
// The outcome of reading or writing a file or printing the report: whether it worked and, when it
// did not, why, in words for the user.

#include <string>

namespace pelvar {

struct FileResult {
  bool ok = false;
  std::string message;  // why it failed, naming the file; empty on success
};

}  // namespace pelvar
