#include "files/paths_and_messages.h"

#include <cstring>

#include "text/number_format.h"

namespace pelvar {

std::string_view NameOfPath(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string Quoted(std::string_view name) {
  // Built by appending: GCC 12 at -O3 sees a false overlap in "\"" + std::string(name).
  std::string quoted(1, '"');
  quoted.append(name).push_back('"');
  return quoted;
}

std::string SystemErrorText(int errorNumber) {
  // strerror would answer in the language of the user's locale, which Qt sets from the
  // environment; this text is English like every other message.
  const char* text = ::strerrordesc_np(errorNumber);
  if (text == nullptr) return "System error " + FormatText("%d", errorNumber);
  return text;
}

}  // namespace pelvar
