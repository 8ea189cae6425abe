#pragma once
// How the file code splits a path and words what went wrong: the pieces every message about a
// file is made of.

#include <string>
#include <string_view>

namespace pelvar {

// The folder of path, for files made beside it ("." for a bare name, "/" at the root), and the
// name after its last "/".
void SplitPath(const std::string& path, std::string& folder, std::string& name);

// The reason for an errno value in the system's own words ("No space left on device"), in
// English whatever the process locale.
std::string SystemErrorText(int errorNumber);

// A file name as messages show it: in double quotes.
std::string Quoted(std::string_view name);

}  // namespace pelvar
