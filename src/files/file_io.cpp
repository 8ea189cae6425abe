#include "files/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <deque>

#include "text/number_format.h"

namespace pelvar {
namespace {

constexpr std::string_view kTemporaryMark = ".pelvar-";
constexpr std::string_view kTemporaryEnd = ".tmp";
constexpr int kMaxLinks = 40;  // as the kernel, before it says ELOOP
constexpr char kAccessList[] = "system.posix_acl_access";
constexpr char kDefaultAccessList[] = "system.posix_acl_default";

std::string SaveFailure(const std::string& path, std::string_view reason) {
  return "Cannot save " + Quoted(path) + ": " + std::string(reason) + ".";
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool SameInode(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A path as text, for the messages and TemporaryPath; "" stands for the current folder.
std::string InFolder(const std::string& folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  return (folder == "/" ? std::string() : folder) + "/" + std::string(name);
}

// Whether name has this writer's naming: ".<name>.pelvar-<process id>-<attempt>.tmp".
bool IsTemporaryName(std::string_view name) {
  if (name.size() < 2 || name[0] != '.' || !name.ends_with(kTemporaryEnd)) return false;
  name.remove_suffix(kTemporaryEnd.size());
  const std::size_t mark = name.rfind(kTemporaryMark);
  if (mark == std::string_view::npos || mark == 0) return false;
  name.remove_prefix(mark + kTemporaryMark.size());
  const std::size_t dash = name.find('-');
  if (dash == std::string_view::npos || dash == 0 || dash > 9 || dash + 1 == name.size()) {
    return false;
  }
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (i != dash && (name[i] < '0' || name[i] > '9')) return false;
  }
  return true;
}

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

struct SavePlace {
  Descriptor folder;       // O_PATH
  std::string folderText;  // the folders walked, as a path
  std::string name;
};

// Why a save's path was not followed to its end: an errno, or a link that is not followed.
struct PlaceFailure {
  int error = 0;
  std::string link;
};

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
        text = std::string(1, '/');  // a move: GCC 12 at -O3 misreads an assign of "/" as an overlapping copy
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
// the kernel's rule for new files: the entries of the owner, of the group class (the mask, or
// the owning group where there is no mask) and of the others keep only what mode grants them.
// The lists are stored as a 4-byte version and 8-byte entries: tag, permissions, id, little
// endian. Empty for a list that is not of that form.
std::string InheritedAccessList(std::string list, mode_t mode) {
  constexpr std::size_t kHeader = 4, kEntry = 8;
  constexpr unsigned kOwner = 0x01, kOwningGroup = 0x04, kMask = 0x10, kOthers = 0x20;
  if (list.size() < kHeader || (list.size() - kHeader) % kEntry != 0) return {};
  const auto tag = [&list](std::size_t at) {
    return static_cast<unsigned char>(list[at]) | static_cast<unsigned char>(list[at + 1]) << 8;
  };
  bool masked = false;
  for (std::size_t at = kHeader; at < list.size(); at += kEntry) masked |= tag(at) == kMask;
  for (std::size_t at = kHeader; at < list.size(); at += kEntry) {
    unsigned granted = 7;
    if (tag(at) == kOwner) granted = (mode >> 6) & 7;
    if (tag(at) == kMask || (tag(at) == kOwningGroup && !masked)) granted = (mode >> 3) & 7;
    if (tag(at) == kOthers) granted = mode & 7;
    list[at + 2] = static_cast<char>(static_cast<unsigned char>(list[at + 2]) & granted);
  }
  return list;
}

// Removes the temporary files that saves into this folder left when their process ended part
// way. Threat model: the folder may be shared with other users (a sticky /tmp) and with
// processes in other PID namespaces (containers sharing it), so neither a file's name nor the
// process id in it proves anything. A file is removed only when it is a regular file of this
// user with a single link and can be locked: each writer holds a lock on its temporary from its
// making to its rename, so one that can be locked is not being written. The name is checked
// again under the lock, so that a file put in its place meanwhile is left alone.
void RemoveStaleTemporaries(int folder) {
  const int listed = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listed < 0) return;  // a folder the user may write but not list
  DIR* entries = ::fdopendir(listed);
  if (entries == nullptr) {
    ::close(listed);
    return;
  }
  const uid_t user = ::geteuid();
  while (const dirent* entry = ::readdir(entries)) {
    if (!IsTemporaryName(entry->d_name)) continue;
    struct stat named {
    }, opened{};
    if (::fstatat(folder, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(named.st_mode) || named.st_uid != user || named.st_nlink != 1) {
      continue;
    }
    const Descriptor file(
        ::openat(folder, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.IsOpen() || ::fstat(file.Get(), &opened) != 0 || !SameInode(named, opened) ||
        ::flock(file.Get(), LOCK_EX | LOCK_NB) != 0) {
      continue;
    }
    if (::fstatat(folder, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        SameInode(named, opened)) {
      ::unlinkat(folder, entry->d_name, 0);
    }
  }
  ::closedir(entries);
}

}  // namespace

void Descriptor::Reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

void SplitPath(const std::string& path, std::string& folder, std::string& name) {
  const std::size_t slash = path.rfind('/');
  // Assigned in place: GCC 12 at -O3 sees a false overlap in a copy of a short literal.
  if (slash == std::string::npos) {
    folder.assign(1, '.');
    name = path;
  } else {
    folder = slash == 0 ? std::string(1, '/') : path.substr(0, slash);
    name = path.substr(slash + 1);
  }
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

void IgnoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

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

PendingFile::~PendingFile() { Discard(); }

bool PendingFile::TemporaryIsOurs() const {
  struct stat mine {
  }, named{};
  return ::fstat(file_.Get(), &mine) == 0 &&
         ::fstatat(folder_.Get(), temporaryName_.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         SameInode(mine, named);
}

void PendingFile::Discard() {
  // Threat model: the temporary is removed by its name, relative to the folder held open, and
  // only while that name is still the file this writer made and holds locked.
  if (file_.IsOpen() && !temporaryName_.empty() && TemporaryIsOurs()) {
    ::unlinkat(folder_.Get(), temporaryName_.c_str(), 0);
  }
  file_.Reset();
  folder_.Reset();
  temporaryName_.clear();
  temporaryPath_.clear();
  attributes_.clear();
}

FileResult PendingFile::Fail(int error) { return Fail(SystemErrorText(error)); }

FileResult PendingFile::Fail(std::string_view reason) {
  Discard();
  return {false, SaveFailure(path_, reason)};
}

FileResult PendingFile::Create(const std::string& path) {
  Discard();
  path_ = path;
  replacing_ = false;
  SavePlace place;
  PlaceFailure failure;
  if (!FindSavePlace(path, place, failure)) {
    if (failure.link.empty()) return Fail(failure.error);
    return Fail(Quoted(failure.link) +
                " is another user's symbolic link in a folder that is sticky and writable by "
                "all; it is not followed");
  }
  folder_ = std::move(place.folder);
  name_ = std::move(place.name);

  // Only a regular file is replaced: renaming over a device such as /dev/null or a pipe would
  // swap it for a plain file.
  const Descriptor existing(
      ::openat(folder_.Get(), name_.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
  struct stat info {};
  if (existing.IsOpen() && ::fstat(existing.Get(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return Fail(EISDIR);
    if (!S_ISREG(info.st_mode)) return Fail("it is not a regular file");
    // The rename would replace a write-protected file as well, whenever the folder is writable.
    // Root may write any file, and replaces one of mode 444 as cp does.
    if (::faccessat(folder_.Get(), name_.c_str(), W_OK, AT_EACCESS) != 0) return Fail(errno);
    replacing_ = true;
    ownerId_ = info.st_uid;
    groupId_ = info.st_gid;
    mode_ = info.st_mode & 07777;
    // What the file keeps of its extended attributes: its access list and the user's own. The
    // others are the system's (a security label comes from the policy; capabilities must not
    // pass to a data file).
    const Descriptor readable(::openat(folder_.Get(), name_.c_str(),
                                       O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat readableInfo {};
    const bool same = readable.IsOpen() && ::fstat(readable.Get(), &readableInfo) == 0 &&
                      SameInode(info, readableInfo);
    const AttributeSource source(same ? readable.Get() : -1, existing.Get());
    std::string names;
    if (!source.Names(names)) {
      if (errno != ENOTSUP) return Fail(errno);
      names.clear();  // a file system without them
    }
    for (std::size_t at = 0; at < names.size();) {
      std::string name(names.c_str() + at);
      at += name.size() + 1;
      if (name != kAccessList && !name.starts_with("user.")) continue;
      std::string value;
      if (!source.Value(name.c_str(), value)) {
        if (errno == ENODATA) continue;  // removed meanwhile
        return Fail(errno);
      }
      attributes_.push_back({std::move(name), std::move(value)});
    }
  } else if (errno != ENOENT) {
    return Fail(errno);
  }

  RemoveStaleTemporaries(folder_.Get());
  // Only the start of the target's name goes into the temporary's, so that any name the folder
  // takes leaves room for the additions.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string hidden(1, '.');
    hidden.append(name_, 0, 100).append(kTemporaryMark);
    hidden.append(FormatText("%d", static_cast<long>(::getpid()))).append(1, '-');
    hidden.append(FormatText("%d", attempt)).append(kTemporaryEnd);
    Descriptor file(::openat(folder_.Get(), hidden.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file.IsOpen()) {
      if (errno == EEXIST) continue;
      return Fail(errno);
    }
    file_ = std::move(file);
    temporaryName_ = std::move(hidden);
    // A save into the same folder that came between the making and the lock found the file
    // lockable and removed it; then the name is no longer this file's, and another is taken. On a
    // file system without locks nobody can lock it, so nobody removes it either.
    if ((::flock(file_.Get(), LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK) &&
        TemporaryIsOurs()) {
      temporaryPath_ = InFolder(place.folderText, temporaryName_);
      return {true, {}};
    }
    file_.Reset();
    temporaryName_.clear();
  }
  return Fail(EEXIST);
}

FileResult PendingFile::Write(std::string_view bytes) {
  if (!file_.IsOpen()) return Fail(EBADF);
  if (!WriteAll(file_.Get(), bytes)) return Fail(errno);
  return {true, {}};
}

FileResult PendingFile::KeepAttributes() {
  // The temporary may have an access list from the folder's default one; the file it replaces
  // decides whether it has one.
  bool listed = false;
  for (const Attribute& attribute : attributes_) listed |= attribute.name == kAccessList;
  if (!listed && ::fremovexattr(file_.Get(), kAccessList) != 0 && errno != ENODATA &&
      errno != ENOTSUP) {
    return Fail(errno);
  }
  for (const Attribute& attribute : attributes_) {
    if (::fsetxattr(file_.Get(), attribute.name.c_str(), attribute.value.data(),
                    attribute.value.size(), 0) != 0) {
      return Fail("its extended attribute " + Quoted(attribute.name) +
                  " cannot be kept: " + SystemErrorText(errno));
    }
  }
  return {true, {}};
}

FileResult PendingFile::GiveNewFilePermissions() {
  // The temporary was made 0600; the new file gets what any file made with 0666 in the folder
  // gets: the folder's default access list cut to that mode where it has one, else the mode less
  // the umask.
  constexpr mode_t kUsualMode = 0666;
  const Descriptor readable(::openat(folder_.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  std::string defaults;
  if (AttributeSource(readable.Get(), folder_.Get()).Value(kDefaultAccessList, defaults)) {
    const std::string list = InheritedAccessList(defaults, kUsualMode);
    if (!list.empty()) {
      if (::fsetxattr(file_.Get(), kAccessList, list.data(), list.size(), 0) != 0) {
        return Fail(errno);
      }
      return {true, {}};
    }
  }
  // The umask is read by setting it, for that moment to the strictest value: a file another
  // thread makes meanwhile only comes out more private.
  const mode_t mask = ::umask(077);
  ::umask(mask);
  if (::fchmod(file_.Get(), kUsualMode & ~mask) != 0) return Fail(errno);
  return {true, {}};
}

FileResult PendingFile::Commit() {
  if (!file_.IsOpen()) return Fail(EBADF);
  const int fd = file_.Get();
  if (replacing_) {
    if (FileResult kept = KeepAttributes(); !kept.ok) return kept;
    // Only a privileged process may give a file to another owner; any other keeps at least the
    // group where it belongs to it. The mode comes after, as a change of owner clears the set-id
    // bits; set exactly, it also gives an access list its mask back.
    if (::fchown(fd, ownerId_, groupId_) != 0) {
      const int groupKept = ::fchown(fd, static_cast<uid_t>(-1), groupId_);
      static_cast<void>(groupKept);
    }
    if (::fchmod(fd, mode_) != 0) return Fail(errno);
  } else if (FileResult given = GiveNewFilePermissions(); !given.ok) {
    return given;
  }
  if (::fsync(fd) != 0) return Fail(errno);
  // Threat model: in a folder that others may write, the temporary's name could have been given
  // to another file meanwhile (only by those who may replace the target itself as well); such a
  // file is not put in the target's place.
  if (!TemporaryIsOurs()) return Fail("its temporary file was removed or replaced meanwhile");
  if (::renameat(folder_.Get(), temporaryName_.c_str(), folder_.Get(), name_.c_str()) != 0) {
    return Fail(errno);
  }
  temporaryName_.clear();
  temporaryPath_.clear();
  file_.Reset();  // the lock goes once the temporary name has gone

  // The new directory entry should survive a crash as well; a folder that cannot be synced does
  // not make the save fail, the file itself is complete.
  const Descriptor synced(::openat(folder_.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (synced.IsOpen()) ::fsync(synced.Get());
  folder_.Reset();
  return {true, {}};
}

FileResult WriteFileAtomically(const std::string& path, std::string_view bytes) {
  PendingFile file;
  FileResult result = file.Create(path);
  if (result.ok) result = file.Write(bytes);
  if (result.ok) result = file.Commit();
  return result;
}

std::size_t MemorySource::Read(char* buffer, std::size_t capacity) {
  const std::size_t count = capacity < bytes_.size() ? capacity : bytes_.size();
  std::memcpy(buffer, bytes_.data(), count);
  bytes_.remove_prefix(count);
  return count;
}

FileSource::FileSource(const std::string& path) {
  // A terminal named as the file does not become the process's controlling terminal.
  fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) {
    error_ = errno;
    return;
  }
  // Non-blocking only for the open itself; reads wait for data as usual.
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
}

long long FileSource::RegularFileSize() const {
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return static_cast<long long>(info.st_size);
}

FileSource::~FileSource() {
  if (fd_ >= 0) ::close(fd_);
}

std::size_t FileSource::Read(char* buffer, std::size_t capacity) {
  if (fd_ < 0) return 0;
  for (;;) {
    const ssize_t count = ::read(fd_, buffer, capacity);
    if (count >= 0) return static_cast<std::size_t>(count);
    if (errno == EINTR) continue;
    error_ = errno;
    return 0;
  }
}

}  // namespace pelvar
