#include "files/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "text/number_format.h"

namespace pelvar {
namespace {

std::string SaveFailure(const std::string& path, std::string_view reason) {
  return "Cannot save \"" + path + "\": " + std::string(reason) + ".";
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

// Makes the temporary file next to the target, under a name no other file has. It is created
// with the usual permissions (0666 less the umask), so the saved file looks like any other. Only
// the start of the target's name goes into it, so that any name the folder takes leaves room
// for the additions.
int CreateTemporary(const std::string& path, std::string& temporaryPath) {
  std::string folder, name;
  SplitPath(path, folder, name);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporaryPath = (folder == "/" ? std::string() : folder) + "/." + name.substr(0, 100) +
                    ".pelvar-" + FormatText("%d", static_cast<long>(::getpid())) + "-" +
                    FormatText("%d", attempt) + ".tmp";
    const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

void SplitPath(const std::string& path, std::string& folder, std::string& name) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    folder = ".";
    name = path;
  } else {
    folder = slash == 0 ? "/" : path.substr(0, slash);
    name = path.substr(slash + 1);
  }
}

std::string SystemErrorText(int errorNumber) {
  switch (errorNumber) {
    case ENOENT:
      return "no such file or folder";
    case ENOTDIR:
      return "a part of the path is not a folder";
    case EISDIR:
      return "it is a folder";
    case EACCES:
    case EPERM:
      return "permission denied";
    case EROFS:
      return "the file system is read-only";
    case ENOSPC:
      return "no space left on the device";
    case EDQUOT:
      return "the disk quota is exceeded";
    case EFBIG:
      return "the file is too large";
    case ENAMETOOLONG:
      return "the name is too long";
    case ELOOP:
      return "too many symbolic links";
    case EMFILE:
    case ENFILE:
      return "too many open files";
    case EEXIST:
      return "no free name for a temporary file";
    case EBUSY:
      return "the file is busy";
    case EIO:
      return "input/output error";
    default:
      return "system error " + FormatText("%d", errorNumber);
  }
}

FileResult WriteFileAtomically(const std::string& path, std::string_view bytes) {
  // Only a regular file is replaced: renaming over a device such as /dev/null or a pipe would
  // swap it for a plain file. A symbolic link stays, and the file it leads to is replaced.
  std::string target = path;
  struct stat existing {};
  const bool exists = ::stat(path.c_str(), &existing) == 0;
  if (exists) {
    if (S_ISDIR(existing.st_mode)) return {false, SaveFailure(path, SystemErrorText(EISDIR))};
    if (!S_ISREG(existing.st_mode)) return {false, SaveFailure(path, "it is not a regular file")};
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
      char* resolved = ::realpath(path.c_str(), nullptr);
      if (resolved == nullptr) return {false, SaveFailure(path, SystemErrorText(errno))};
      target = resolved;
      std::free(resolved);
    }
  }

  std::string temporaryPath;
  const int fd = CreateTemporary(target, temporaryPath);
  if (fd < 0) return {false, SaveFailure(path, SystemErrorText(errno))};
  // An existing file keeps its permissions.
  if (exists) ::fchmod(fd, existing.st_mode & 07777);

  int failure = 0;
  if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) failure = errno;
  if (::close(fd) != 0 && failure == 0) failure = errno;
  if (failure == 0 && ::rename(temporaryPath.c_str(), target.c_str()) != 0) failure = errno;
  if (failure != 0) {
    ::unlink(temporaryPath.c_str());
    return {false, SaveFailure(path, SystemErrorText(failure))};
  }

  // The new directory entry should survive a crash as well; a folder that cannot be synced
  // does not make the save fail, the file itself is complete.
  std::string folder, name;
  SplitPath(target, folder, name);
  const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {
    ::fsync(folderFd);
    ::close(folderFd);
  }
  return {true, {}};
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
