#include "files/save_place.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <deque>

#include "files/paths_and_messages.h"

namespace pelvar {
namespace {

constexpr int kMaxLinks = 40;  // as the kernel, before it says ELOOP

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

// Whether folder is this process's own folder of descriptors (/proc/self/fd, also reached as
// /dev/fd or /proc/<its number>/fd). Its entries are links whose text is no path to follow
// ("pipe:[4026]", "/home/ann/gone.csv (deleted)"): each stands for the open file itself.
bool IsOwnDescriptorFolder(int folder) {
  struct statfs system {};
  struct stat info {
  }, own{};
  if (::fstatfs(folder, &system) != 0 || system.f_type != PROC_SUPER_MAGIC ||
      ::fstat(folder, &info) != 0) {
    return false;
  }
  for (const char* ownFolder : {"/proc/self/fd", "/proc/thread-self/fd"}) {
    const Descriptor opened = OpenFolder(AT_FDCWD, ownFolder);
    if (opened.IsOpen() && ::fstat(opened.Get(), &own) == 0 && SameInode(info, own)) return true;
  }
  return false;
}

// The descriptor number an entry of that folder stands for, or -1.
int DescriptorNumber(std::string_view name) {
  if (name.empty() || name.size() > 9) return -1;
  int number = 0;
  for (const char c : name) {
    if (c < '0' || c > '9') return -1;
    number = number * 10 + (c - '0');
  }
  return number;
}

}  // namespace

bool SharedFolderAllows(const struct stat& entry, const struct stat& folder) {
  constexpr mode_t kShared = S_ISVTX | S_IWOTH;
  return (folder.st_mode & kShared) != kShared || entry.st_uid == ::geteuid() ||
         entry.st_uid == folder.st_uid;
}

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
      if (const int number = DescriptorNumber(part);
          number >= 0 && IsOwnDescriptorFolder(folder.Get())) {
        if (last) {  // written through the descriptor itself
          place.folder = std::move(folder);
          place.folderText = std::move(text);
          place.name = std::move(part);
          place.descriptor = number;
          return true;
        }
        // A folder held open: the link leads to that very folder, whatever its text says.
        folder = OpenFolder(folder.Get(), part.c_str());
        text = InFolder(text, part);
        continue;
      }
      if (!SharedFolderAllows(info, folderInfo)) {
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

FileIdentity IdentifyDescriptor(int descriptor) {
  FileIdentity identity;
  struct stat info {};
  if (::fstat(descriptor, &info) != 0) return identity;
  identity.found = identity.exists = true;
  identity.device = info.st_dev;
  identity.inode = info.st_ino;
  identity.type = info.st_mode & S_IFMT;
  identity.descriptor = descriptor;
  return identity;
}

FileIdentity IdentifyFile(const std::string& path) {
  FileIdentity identity;
  SavePlace place;
  PlaceFailure failure;
  if (!FindSavePlace(path, place, failure)) return identity;
  if (place.descriptor >= 0) return IdentifyDescriptor(place.descriptor);
  struct stat info {};
  if (::fstatat(place.folder.Get(), place.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    // A new file: it would be made under this name in this folder.
    if (errno != ENOENT || ::fstat(place.folder.Get(), &info) != 0) return identity;
    identity.name = std::move(place.name);
  }
  identity.found = true;
  identity.exists = identity.name.empty();
  identity.device = info.st_dev;
  identity.inode = info.st_ino;
  identity.type = info.st_mode & S_IFMT;
  return identity;
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.found && b.found && a.exists == b.exists && a.device == b.device && a.inode == b.inode &&
         a.name == b.name;
}

bool SameFile(const std::string& first, const std::string& second) {
  const FileIdentity a = IdentifyFile(first), b = IdentifyFile(second);
  // A path that cannot be followed is refused by the save anyway.
  if (!a.found || !b.found) return first == second;
  return SameFile(a, b);
}

}  // namespace pelvar
