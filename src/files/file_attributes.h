#pragma once
// The extended attributes a replaced file keeps: its POSIX access list and the user's own
// attributes, read through whatever descriptor of the file the writer holds.

#include <sys/types.h>
#include <sys/xattr.h>

#include <cerrno>
#include <string>

#include "text/number_format.h"

namespace pelvar {

inline constexpr char kAccessList[] = "system.posix_acl_access";
inline constexpr char kDefaultAccessList[] = "system.posix_acl_default";

// Reads the extended attributes of a file or folder: through a descriptor open for reading
// where there is one, else through the /proc link of its O_PATH descriptor (the f*xattr calls
// do not take those), which leads to that very file.
class AttributeSource {
 public:
  AttributeSource(int readable, int pathOnly)
      : fd_(readable),
        link_(readable >= 0 ? std::string() : "/proc/self/fd/" + FormatText("%d", pathOnly)) {}

  // The names of its attributes, or false with errno.
  bool Names(std::string& names) const {
    return ReadWhole(names, [this](char* buffer, std::size_t size) {
      return fd_ >= 0 ? ::flistxattr(fd_, buffer, size) : ::listxattr(link_.c_str(), buffer, size);
    });
  }
  // The value of one, or false with errno (ENODATA where it has none).
  bool Value(const char* name, std::string& value) const {
    return ReadWhole(value, [this, name](char* buffer, std::size_t size) {
      return fd_ >= 0 ? ::fgetxattr(fd_, name, buffer, size)
                      : ::getxattr(link_.c_str(), name, buffer, size);
    });
  }

 private:
  // The size first, then the bytes; again where they grew in between.
  template <typename Call>
  static bool ReadWhole(std::string& out, Call call) {
    for (;;) {
      const ssize_t size = call(nullptr, 0);
      if (size < 0) return false;
      out.resize(static_cast<std::size_t>(size));
      const ssize_t got = call(out.data(), out.size());
      if (got >= 0) {
        out.resize(static_cast<std::size_t>(got));
        return true;
      }
      if (errno != ERANGE) return false;
    }
  }

  int fd_;
  std::string link_;
};

// The access list of a file made with mode in a folder whose default access list is given, by
// the kernel's rule for new files (empty for a list that is not of the kernel's form).
std::string InheritedAccessList(std::string list, mode_t mode);

}  // namespace pelvar
