#include "files/save_place.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <deque>

#include "files/paths_and_messages.h"

namespace pelvar {
namespace {

constexpr int kMaxLinks = 40;  // as the kernel, before it says ELOOP

// The kernel's rule for protected links (fs.protected_symlinks), applied whatever the system's
// setting: in a folder that is sticky and writable by all, such as /tmp, a link is followed only
// when it belongs to the user or to the folder's owner. Anyone may put a link there, and
// following it would send the save (root's too) into a file of the link maker's choosing.
bool MayFollow(const struct stat& link, const struct stat& folder) {
  constexpr mode_t kShared = S_ISVTX | S_IWOTH;
  return (folder.st_mode & kShared) != kShared || link.st_uid == ::geteuid() ||
         link.st_uid == folder.st_uid;
}

// Puts the components of path before those still to be walked. A path that ends in "/" ends in
// an empty component: it names a folder.
void PrependParts(std::string_view path, std::deque<std::string>& parts) {
  std::deque<std::string> ahead;
  std::size_t start = path.starts_with('/') ? 1 : 0;
  for (;;) {
    const std::size_t slash = path.find('/', start);
    ahead.emplace_back(path.substr(start, slash == std::string_view::npos ? slash : slash - start));
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  parts.insert(parts.begin(), ahead.begin(), ahead.end());
}

Descriptor OpenFolder(int at, const char* name) {
  return Descriptor(::openat(at, name, O_PATH | O_DIRECTORY | O_CLOEXEC));
}

}  // namespace

bool SameInode(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string InFolder(const std::string& folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  return (folder == "/" ? std::string() : folder) + "/" + std::string(name);
}

std::string PlaceFailureText(const PlaceFailure& failure) {
  if (failure.link.empty()) return SystemErrorText(failure.error);
  return Quoted(failure.link) +
         " is another user's symbolic link in a folder that is sticky and writable by all; it is "
         "not followed";
}

// Follows path to the folder a save writes in and the name it writes there, one component at a
// time, each opened relative to the folder before it without following links. Threat model:
// other users may plant links in shared folders on the way, and anyone who may write a folder
// may rename or swap it while the save runs. So links are read and followed by this walk itself,
// and only where the protected-links rule allows, for every link on the way, the last one
// included (a dangling link at the end names the file it would make); and the folder found is
// held open, so that what happens to the path afterwards does not move the save.
bool FindSavePlace(const std::string& path, SavePlace& place, PlaceFailure& failure) {
  if (path.empty()) {
    failure.error = ENOENT;
    return false;
  }
  std::deque<std::string> parts;
  PrependParts(path, parts);
  const bool absolute = path.front() == '/';
  Descriptor folder = OpenFolder(AT_FDCWD, absolute ? "/" : ".");
  std::string text = absolute ? "/" : "";
  int links = 0;
  for (;;) {
    if (!folder.IsOpen()) {
      failure.error = errno;
      return false;
    }
    std::string part = std::move(parts.front());
    parts.pop_front();
    const bool last = parts.empty();
    if (part.empty() || part == "." || part == "..") {
      if (last) {
        failure.error = EISDIR;
        return false;
      }
      if (part == "..") {
        folder = OpenFolder(folder.Get(), "..");
        text = InFolder(text, "..");
      }
      continue;
    }
    const Descriptor entry(::openat(folder.Get(), part.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    const bool found = entry.IsOpen() && ::fstat(entry.Get(), &info) == 0;
    if (!found && (errno != ENOENT || !last)) {
      failure.error = errno;
      return false;
    }
    if (found && S_ISLNK(info.st_mode)) {
      struct stat folderInfo {};
      if (::fstat(folder.Get(), &folderInfo) != 0) {
        failure.error = errno;
        return false;
      }
      if (!MayFollow(info, folderInfo)) {
        failure.link = InFolder(text, part);
        return false;
      }
      char target[4096];
      const ssize_t length = ::readlinkat(entry.Get(), "", target, sizeof target);
      if (length < 0) {
        failure.error = errno;
        return false;
      }
      if (length == 0 || static_cast<std::size_t>(length) == sizeof target || ++links > kMaxLinks) {
        failure.error = length == 0 ? ENOENT : links > kMaxLinks ? ELOOP : ENAMETOOLONG;
        return false;
      }
      const std::string_view destination(target, static_cast<std::size_t>(length));
      PrependParts(destination, parts);
      if (destination.front() == '/') {
        folder = OpenFolder(AT_FDCWD, "/");
        text = std::string(
            1, '/');  // a move: GCC 12 at -O3 misreads an assign of "/" as an overlapping copy
      }
      continue;
    }
    if (last) {  // a new file, or the existing one
      place.folder = std::move(folder);
      place.folderText = std::move(text);
      place.name = std::move(part);
      return true;
    }
    if (!S_ISDIR(info.st_mode)) {
      failure.error = ENOTDIR;
      return false;
    }
    folder = OpenFolder(entry.Get(), ".");
    text = InFolder(text, part);
  }
}

bool SameFile(const std::string& first, const std::string& second) {
  struct stat a {
  }, b{};
  const bool firstExists = ::stat(first.c_str(), &a) == 0;
  const bool secondExists = ::stat(second.c_str(), &b) == 0;
  if (firstExists || secondExists) {
    return firstExists && secondExists && SameInode(a, b);
  }
  // Neither exists yet: the same name in the same folder, where the saves would make them. A
  // path that cannot be followed is refused by the save anyway.
  SavePlace one, other;
  PlaceFailure failure;
  if (!FindSavePlace(first, one, failure) || !FindSavePlace(second, other, failure)) {
    return first == second;
  }
  return one.name == other.name && ::fstat(one.folder.Get(), &a) == 0 &&
         ::fstat(other.folder.Get(), &b) == 0 && SameInode(a, b);
}

}  // namespace pelvar
