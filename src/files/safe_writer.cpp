#include "files/safe_writer.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "files/file_attributes.h"
#include "files/paths_and_messages.h"
#include "files/save_place.h"
#include "text/number_format.h"

namespace pelvar {
namespace {

constexpr std::string_view kTemporaryMark = ".pelvar-";
constexpr std::string_view kTemporaryEnd = ".tmp";

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

void IgnoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

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
  if (!FindSavePlace(path, place, failure)) return Fail(PlaceFailureText(failure));
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

}  // namespace pelvar
