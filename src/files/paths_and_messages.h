#pragma once
// How the file code splits a path and words what went wrong: the pieces every message about a
// file is made of.

#include <string>
#include <string_view>

namespace pelvar {

// The name after the last "/" of a path (the whole path when it has none).
std::string_view NameOfPath(std::string_view path);

// The reason for an errno value in the system's own words ("No space left on device"), in
// English whatever the process locale.
std::string SystemErrorText(int errorNumber);

// A file name as messages show it: in double quotes.
std::string Quoted(std::string_view name);

}  // namespace pelvar
