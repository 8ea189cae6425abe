#include "files/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "text/number_format.h"
#include "text/number_reader.h"

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

std::string InFolder(const std::string& folder, std::string_view name) {
  return (folder == "/" ? std::string() : folder) + "/" + std::string(name);
}

// The process that made a temporary file of this writer's naming
// (".<name>.pelvar-<process id>-<attempt>.tmp"), 0 for any other name.
long TemporaryOwner(std::string_view name) {
  if (name.size() < 2 || name[0] != '.' || !name.ends_with(kTemporaryEnd)) return 0;
  name.remove_suffix(kTemporaryEnd.size());
  const std::size_t mark = name.rfind(kTemporaryMark);
  if (mark == std::string_view::npos || mark == 0) return 0;
  name.remove_prefix(mark + kTemporaryMark.size());
  const std::size_t dash = name.find('-');
  if (dash == std::string_view::npos || dash == 0 || dash > 9 || dash + 1 == name.size()) return 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (i != dash && (name[i] < '0' || name[i] > '9')) return 0;
  }
  return ReadInteger(name.substr(0, dash));
}

// A save killed part way leaves its temporary file behind; nobody else would ever remove it.
// Only files of a process that no longer runs are taken: a live one may be writing its own.
void RemoveStaleTemporaries(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const int folderFd = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    const long owner = TemporaryOwner(entry->d_name);
    if (owner <= 0 || owner == ::getpid()) continue;
    if (::kill(static_cast<pid_t>(owner), 0) == 0 || errno != ESRCH) continue;
    struct stat info {};
    if (::fstatat(folderFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(info.st_mode)) {
      ::unlinkat(folderFd, entry->d_name, 0);
    }
  }
  ::closedir(dir);
}

// Makes the temporary file next to the target, under a name no other file has. It is created
// with the usual permissions (0666 less the umask), so a new saved file looks like any other.
// Only the start of the target's name goes into it, so that any name the folder takes leaves
// room for the additions.
int CreateTemporary(const std::string& folder, const std::string& name,
                    std::string& temporaryPath) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string hidden(1, '.');
    hidden.append(name, 0, 100).append(kTemporaryMark);
    hidden.append(FormatText("%d", static_cast<long>(::getpid()))).append(1, '-');
    hidden.append(FormatText("%d", attempt)).append(kTemporaryEnd);
    temporaryPath = InFolder(folder, hidden);
    const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Where a file that does not exist yet would be made, with the links and the folders resolved.
std::string ResolvedNewPath(const std::string& path) {
  std::string target;
  int error = 0;
  if (!SaveTarget(path, target, error)) return path;
  std::string folder, name;
  SplitPath(target, folder, name);
  char* resolved = ::realpath(folder.c_str(), nullptr);
  if (resolved == nullptr) return target;
  const std::string full = InFolder(resolved, name);
  std::free(resolved);
  return full;
}

}  // namespace

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

bool SaveTarget(const std::string& path, std::string& target, int& error) {
  target = path;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0) {
      if (errno == ENOENT) return true;  // a new file, also at the end of a dangling link
      error = errno;
      return false;
    }
    if (!S_ISLNK(info.st_mode)) return true;
    char link[4096];
    const ssize_t length = ::readlink(target.c_str(), link, sizeof link);
    if (length < 0) {
      error = errno;
      return false;
    }
    if (length == 0 || static_cast<std::size_t>(length) == sizeof link) {
      error = length == 0 ? ENOENT : ENAMETOOLONG;
      return false;
    }
    const std::string_view destination(link, static_cast<std::size_t>(length));
    if (destination.front() == '/') {
      target = destination;
    } else {
      std::string folder, name;
      SplitPath(target, folder, name);
      target = folder == "." ? std::string(destination) : InFolder(folder, destination);
    }
  }
  error = ELOOP;
  return false;
}

bool SameFile(const std::string& first, const std::string& second) {
  struct stat a {
  }, b{};
  const bool firstExists = ::stat(first.c_str(), &a) == 0;
  const bool secondExists = ::stat(second.c_str(), &b) == 0;
  if (firstExists || secondExists) {
    return firstExists && secondExists && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
  }
  return ResolvedNewPath(first) == ResolvedNewPath(second);
}

PendingFile::~PendingFile() { Discard(); }

void PendingFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporaryPath_.empty()) ::unlink(temporaryPath_.c_str());
  temporaryPath_.clear();
}

FileResult PendingFile::Fail(int error) {
  Discard();
  return {false, SaveFailure(path_, SystemErrorText(error))};
}

FileResult PendingFile::Create(const std::string& path) {
  Discard();
  path_ = path;
  replacing_ = false;
  int error = 0;
  if (!SaveTarget(path, target_, error)) return Fail(error);

  // Only a regular file is replaced: renaming over a device such as /dev/null or a pipe would
  // swap it for a plain file.
  struct stat existing {};
  if (::stat(target_.c_str(), &existing) == 0) {
    if (S_ISDIR(existing.st_mode)) return Fail(EISDIR);
    if (!S_ISREG(existing.st_mode)) return {false, SaveFailure(path_, "it is not a regular file")};
    // The rename would replace a write-protected file as well, whenever the folder is writable.
    if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) return Fail(errno);
    replacing_ = true;
    ownerId_ = existing.st_uid;
    groupId_ = existing.st_gid;
    mode_ = existing.st_mode & 07777;
  } else if (errno != ENOENT) {
    return Fail(errno);
  }

  std::string folder, name;
  SplitPath(target_, folder, name);
  RemoveStaleTemporaries(folder);
  fd_ = CreateTemporary(folder, name, temporaryPath_);
  if (fd_ < 0) {
    const int failure = errno;
    temporaryPath_.clear();
    return Fail(failure);
  }
  return {true, {}};
}

FileResult PendingFile::Write(std::string_view bytes) {
  if (fd_ < 0) return Fail(EBADF);
  if (!WriteAll(fd_, bytes)) return Fail(errno);
  return {true, {}};
}

int PendingFile::WriteError() {
  if (fd_ < 0) return EBADF;
  struct stat info {};
  if (::fstat(fd_, &info) != 0) return errno;
  // A few blocks past the end: a full disk may still take the rest of the last one.
  static const char zeros[65536] = {};
  off_t end = info.st_size;
  for (int block = 0; block < 16; ++block) {
    const ssize_t written = ::pwrite(fd_, zeros, sizeof zeros, end);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    end += written;
  }
  if (::ftruncate(fd_, info.st_size) != 0) return errno;
  return 0;
}

FileResult PendingFile::Commit() {
  if (fd_ < 0) return Fail(EBADF);
  if (replacing_) {
    // Only a privileged process may give a file to another owner; any other keeps at least the
    // group where it belongs to it. The mode comes after, as a change of owner clears the
    // set-id bits.
    if (::fchown(fd_, ownerId_, groupId_) != 0) {
      const int groupKept = ::fchown(fd_, static_cast<uid_t>(-1), groupId_);
      static_cast<void>(groupKept);
    }
    ::fchmod(fd_, mode_);
  }
  if (::fsync(fd_) != 0) return Fail(errno);
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) return Fail(errno);
  if (::rename(temporaryPath_.c_str(), target_.c_str()) != 0) return Fail(errno);
  temporaryPath_.clear();

  // The new directory entry should survive a crash as well; a folder that cannot be synced
  // does not make the save fail, the file itself is complete.
  std::string folder, name;
  SplitPath(target_, folder, name);
  const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {
    ::fsync(folderFd);
    ::close(folderFd);
  }
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
  fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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
