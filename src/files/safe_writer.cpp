#include "files/safe_writer.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <vector>

#include "files/file_attributes.h"
#include "files/paths_and_messages.h"
#include "files/save_place.h"
#include "text/number_format.h"

namespace pelvar {
namespace {

constexpr std::string_view kTemporaryMark = ".pelvar-";
constexpr std::string_view kTemporaryEnd = ".tmp";
constexpr std::string_view kBackupEnd = ".old";
constexpr int kReadOpen = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

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

// ".<name>.pelvar-<process id>-<attempt><end>". Only the start of the target's name goes into
// it, so that any name the folder takes leaves room for the additions.
std::string HiddenName(const std::string& name, int attempt, std::string_view end) {
  std::string hidden(1, '.');
  hidden.append(name, 0, 100).append(kTemporaryMark);
  hidden.append(FormatText("%d", static_cast<long>(::getpid()))).append(1, '-');
  hidden.append(FormatText("%d", attempt)).append(end);
  return hidden;
}

// Makes a private file (mode 0600) beside the target under the first hidden name from attempt on
// that no file has; the name goes to hidden. Not open, with errno, where none can be made.
Descriptor MakeHiddenFile(int folder, const std::string& target, std::string_view end, int& attempt,
                          std::string& hidden) {
  for (; attempt < 100; ++attempt) {
    hidden = HiddenName(target, attempt, end);
    Descriptor file(
        ::openat(folder, hidden.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.IsOpen() || errno != EEXIST) return file;
  }
  errno = EEXIST;
  return Descriptor();
}

// Copies the first size bytes of one file over the start of another.
bool CopyBytes(int from, int to, off_t size) {
  char buffer[65536];
  for (off_t at = 0; at < size;) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<off_t>(size - at, static_cast<off_t>(sizeof buffer)));
    const ssize_t got = ::pread(from, buffer, want, at);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      if (got == 0) errno = EIO;  // the file shrank meanwhile
      return false;
    }
    for (ssize_t put = 0; put < got;) {
      const ssize_t written =
          ::pwrite(to, buffer + put, static_cast<std::size_t>(got - put), at + put);
      if (written < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      put += written;
    }
    at += got;
  }
  return true;
}

// The inode flags of an open file (FS_IMMUTABLE_FL, FS_APPEND_FL, ...); 0 where the file system
// keeps none.
unsigned FileFlags(int fd) {
  int flags = 0;
  return ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 ? static_cast<unsigned>(flags) : 0u;
}

// Whether group is the process's own, one a file it makes may be given.
bool IsOwnGroup(gid_t group) {
  if (group == ::getegid()) return true;
  const int count = ::getgroups(0, nullptr);
  if (count <= 0) return false;
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  const int got = ::getgroups(count, groups.data());
  return got > 0 && std::find(groups.begin(), groups.begin() + got, group) != groups.begin() + got;
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

bool PendingFile::IsOurs(const Descriptor& file, const std::string& name) const {
  struct stat mine {
  }, named{};
  return file.IsOpen() && !name.empty() && ::fstat(file.Get(), &mine) == 0 &&
         ::fstatat(folder_.Get(), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         SameInode(mine, named);
}

void PendingFile::Discard() {
  // Threat model: a temporary or a copy is removed by its name, relative to the folder held
  // open, and only while that name is still the file this writer made and holds.
  if (IsOurs(file_, temporaryName_)) ::unlinkat(folder_.Get(), temporaryName_.c_str(), 0);
  if (!keepBackup_ && IsOurs(backup_, backupName_)) {
    ::unlinkat(folder_.Get(), backupName_.c_str(), 0);
  }
  file_.Reset();
  backup_.Reset();
  target_.Reset();
  folder_.Reset();
  temporaryName_.clear();
  temporaryPath_.clear();
  backupName_.clear();
  backupPath_.clear();
  attributes_.clear();
  held_.clear();
  descriptor_ = -1;
  keepBackup_ = false;
}

FileResult PendingFile::Fail(int error) { return Fail(SystemErrorText(error)); }

FileResult PendingFile::Fail(std::string_view reason) {
  Discard();
  return {false, SaveFailure(path_, reason)};
}

FileResult PendingFile::Create(const std::string& path) {
  Discard();
  path_ = path;
  way_ = Way::Rename;
  replacing_ = false;
  SavePlace place;
  PlaceFailure failure;
  if (!FindSavePlace(path, place, failure)) return Fail(PlaceFailureText(failure));
  folder_ = std::move(place.folder);
  name_ = std::move(place.name);

  if (place.descriptor >= 0) {
    const int flags = ::fcntl(place.descriptor, F_GETFL);
    if (flags < 0) return Fail(errno);
    if ((flags & O_PATH) != 0 || (flags & O_ACCMODE) == O_RDONLY) {
      return Fail("its descriptor is not open for writing");
    }
    folder_.Reset();
    way_ = Way::Descriptor;
    descriptor_ = place.descriptor;
    return {true, {}};
  }

  const Descriptor existing(
      ::openat(folder_.Get(), name_.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
  struct stat info {};
  if (existing.IsOpen() && ::fstat(existing.Get(), &info) == 0) {
    if (FileResult checked = CheckExisting(existing.Get(), info); !checked.ok) return checked;
    if (way_ == Way::Discard) return {true, {}};
  } else if (errno != ENOENT) {
    return Fail(errno);
  }
  if (FileResult checked = CheckFolderFlags(); !checked.ok) return checked;
  if (FileResult made = MakeTemporary(place.folderText); !made.ok) return made;
  if (way_ == Way::InPlace) return MakeBackup(place.folderText);
  return {true, {}};
}

FileResult PendingFile::CheckExisting(int existing, const struct stat& info) {
  if (S_ISDIR(info.st_mode)) return Fail(EISDIR);
  if (S_ISCHR(info.st_mode) && info.st_rdev == makedev(1, 3)) {  // /dev/null
    folder_.Reset();
    way_ = Way::Discard;
    return {true, {}};
  }
  // Only a regular file is replaced: renaming over a device or a pipe would swap it for a plain
  // file.
  if (!S_ISREG(info.st_mode)) return Fail("it is not a regular file");
  // Another user's file planted in a shared folder under the name the save takes is not written.
  struct stat folderInfo {};
  if (::fstat(folder_.Get(), &folderInfo) != 0) return Fail(errno);
  if (!SharedFolderAllows(info, folderInfo)) {
    return Fail(
        "it belongs to another user in a folder that is sticky and writable by all; it is not "
        "written");
  }
  const Descriptor readable(::openat(folder_.Get(), name_.c_str(), kReadOpen));
  struct stat readableInfo {};
  const bool same = readable.IsOpen() && ::fstat(readable.Get(), &readableInfo) == 0 &&
                    SameInode(info, readableInfo);
  if (FileResult checked = CheckFlags(same ? readable.Get() : -1, info); !checked.ok) {
    return checked;
  }
  // A rename would replace a write-protected file as well, whenever the folder is writable.
  // Root may write any file, and replaces one of mode 444 as cp does.
  if (::faccessat(folder_.Get(), name_.c_str(), W_OK, AT_EACCESS) != 0) return Fail(errno);
  replacing_ = true;
  ownerId_ = info.st_uid;
  groupId_ = info.st_gid;
  mode_ = info.st_mode & 07777;

  // A file whose owner and group a file made by this process could not be given is written
  // into, so that it stays whose it was; only a privileged process gives a file away.
  const uid_t user = ::geteuid();
  if (user == 0 || (info.st_uid == user && IsOwnGroup(info.st_gid))) {
    return ReadAttributes(existing, same ? readable.Get() : -1);
  }
  way_ = Way::InPlace;
  target_.Reset(::openat(folder_.Get(), name_.c_str(),
                         O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!target_.IsOpen()) {
    if (errno != EACCES) return Fail(errno);
    return Fail(
        "it can only be written into, to keep its owner and group, and it cannot be read to put "
        "its content back should that fail");
  }
  struct stat targetInfo {};
  if (::fstat(target_.Get(), &targetInfo) != 0 || !SameInode(info, targetInfo)) {
    return Fail("it was replaced meanwhile");
  }
  return {true, {}};
}

FileResult PendingFile::CheckFlags(int readable, const struct stat& info) {
  // Immutable and append-only files (chattr +i, +a) can be neither replaced nor written from
  // the start; the rename would find out only after earlier outputs were in place. A file this
  // process may write but not read is asked through a descriptor opened for writing alone,
  // which changes nothing in it.
  Descriptor writable;
  if (readable < 0) {
    writable.Reset(::openat(folder_.Get(), name_.c_str(),
                            O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat writableInfo {};
    if (!writable.IsOpen()) {
      if (errno == EPERM) return Fail("it is marked immutable or append-only (chattr +i, +a)");
    } else if (::fstat(writable.Get(), &writableInfo) != 0 || !SameInode(info, writableInfo)) {
      return Fail("it was replaced meanwhile");
    }
    readable = writable.Get();
  }
  const unsigned flags = readable >= 0 ? FileFlags(readable) : 0;
  if ((flags & FS_IMMUTABLE_FL) != 0) return Fail("it is marked immutable (chattr +i)");
  if ((flags & FS_APPEND_FL) != 0) return Fail("it is marked append-only (chattr +a)");
  return {true, {}};
}

FileResult PendingFile::CheckFolderFlags() {
  // Neither a temporary can be made nor a name replaced in an immutable folder, nor a name
  // renamed or removed in an append-only one.
  const Descriptor listed(::openat(folder_.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  const unsigned flags = listed.IsOpen() ? FileFlags(listed.Get()) : 0;
  if ((flags & FS_IMMUTABLE_FL) != 0) return Fail("its folder is marked immutable (chattr +i)");
  if ((flags & FS_APPEND_FL) != 0) return Fail("its folder is marked append-only (chattr +a)");
  return {true, {}};
}

FileResult PendingFile::ReadAttributes(int existing, int readable) {
  // What the file keeps of its extended attributes: its access list and the user's own. The
  // others are the system's (a security label comes from the policy; capabilities must not pass
  // to a data file).
  const AttributeSource source(readable, existing);
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
      // A file the user may write but not read (mode 200) keeps user attributes it cannot read.
      return Fail("its extended attribute " + Quoted(name) +
                  " cannot be read to keep it: " + SystemErrorText(errno));
    }
    attributes_.push_back({std::move(name), std::move(value)});
  }
  return {true, {}};
}

FileResult PendingFile::MakeTemporary(const std::string& folderText) {
  RemoveStaleTemporaries(folder_.Get());
  for (int attempt = 0;; ++attempt) {
    std::string hidden;
    Descriptor file = MakeHiddenFile(folder_.Get(), name_, kTemporaryEnd, attempt, hidden);
    if (!file.IsOpen()) return Fail(errno);
    file_ = std::move(file);
    temporaryName_ = std::move(hidden);
    // A save into the same folder that came between the making and the lock found the file
    // lockable and removed it; then the name is no longer this file's, and another is taken. On a
    // file system without locks nobody can lock it, so nobody removes it either.
    if ((::flock(file_.Get(), LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK) &&
        IsOurs(file_, temporaryName_)) {
      temporaryPath_ = InFolder(folderText, temporaryName_);
      return {true, {}};
    }
    file_.Reset();
    temporaryName_.clear();
  }
}

FileResult PendingFile::MakeBackup(const std::string& folderText) {
  // Made now, so that a folder without room for it fails the save before anything is written;
  // filled at the commit with what the file then holds. Not a ".tmp": a save killed while it
  // writes into the file leaves it for the user, as the only whole copy of the old content.
  int attempt = 0;
  backup_ = MakeHiddenFile(folder_.Get(), name_, kBackupEnd, attempt, backupName_);
  if (!backup_.IsOpen()) return Fail(errno);
  backupPath_ = InFolder(folderText, backupName_);
  return {true, {}};
}

FileResult PendingFile::Write(std::string_view bytes) {
  switch (way_) {
    case Way::Discard:
      return {true, {}};
    case Way::Descriptor:
      if (descriptor_ < 0) return Fail(EBADF);
      held_.append(bytes);
      return {true, {}};
    case Way::Rename:
    case Way::InPlace:
      break;
  }
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
  switch (way_) {
    case Way::Discard:
      return {true, {}};
    case Way::Descriptor: {
      if (descriptor_ < 0) return Fail(EBADF);
      if (!WriteAll(descriptor_, held_)) return Fail(errno);
      held_.clear();
      descriptor_ = -1;
      return {true, {}};
    }
    case Way::InPlace:
      return CommitInPlace();
    case Way::Rename:
      break;
  }
  return CommitRename();
}

FileResult PendingFile::CommitRename() {
  if (!file_.IsOpen()) return Fail(EBADF);
  const int fd = file_.Get();
  if (replacing_) {
    if (FileResult kept = KeepAttributes(); !kept.ok) return kept;
    // The owner and group first, as a change of owner clears the set-id bits; the mode, set
    // exactly, also gives an access list its mask back.
    if (::fchown(fd, ownerId_, groupId_) != 0) {
      return Fail("its owner and group cannot be kept: " + SystemErrorText(errno));
    }
    if (::fchmod(fd, mode_) != 0) return Fail(errno);
  } else if (FileResult given = GiveNewFilePermissions(); !given.ok) {
    return given;
  }
  if (::fsync(fd) != 0) return Fail(errno);
  // Threat model: in a folder that others may write, the temporary's name could have been given
  // to another file meanwhile (only by those who may replace the target itself as well); such a
  // file is not put in the target's place.
  if (!IsOurs(file_, temporaryName_)) {
    return Fail("its temporary file was removed or replaced meanwhile");
  }
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

FileResult PendingFile::CommitInPlace() {
  // The new content is whole and on disk before the file is touched, and so is a copy of the old
  // one; a write that fails part way puts the old content back. Threat model: the file's owner,
  // or anyone who may write its folder, may put another file under its name between the check
  // and the write; the write goes only into the file checked (opened then, without following
  // links, relative to the folder held), and only while it still stands under that name.
  if (!file_.IsOpen() || !target_.IsOpen() || !backup_.IsOpen()) return Fail(EBADF);
  struct stat now {
  }, named{};
  if (::fstat(target_.Get(), &now) != 0) return Fail(errno);
  if (::fstatat(folder_.Get(), name_.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
      !SameInode(now, named)) {
    return Fail("it was replaced meanwhile");
  }
  const off_t newSize = ::lseek(file_.Get(), 0, SEEK_END);
  if (newSize < 0 || ::fsync(file_.Get()) != 0) return Fail(errno);
  const off_t oldSize = now.st_size;
  if (!CopyBytes(target_.Get(), backup_.Get(), oldSize) || ::fsync(backup_.Get()) != 0) {
    return Fail(errno);
  }
  if (CopyBytes(file_.Get(), target_.Get(), newSize) && ::ftruncate(target_.Get(), newSize) == 0 &&
      ::fsync(target_.Get()) == 0) {
    Discard();  // removes the temporary and the copy
    return {true, {}};
  }
  const int error = errno;
  if (CopyBytes(backup_.Get(), target_.Get(), oldSize) &&
      ::ftruncate(target_.Get(), oldSize) == 0 && ::fsync(target_.Get()) == 0) {
    return Fail(error);
  }
  keepBackup_ = true;
  return Fail(SystemErrorText(error) + "; its earlier content is kept in " + Quoted(backupPath_));
}

FileResult WriteFileAtomically(const std::string& path, std::string_view bytes) {
  PendingFile file;
  FileResult result = file.Create(path);
  if (result.ok) result = file.Write(bytes);
  if (result.ok) result = file.Commit();
  return result;
}

}  // namespace pelvar
