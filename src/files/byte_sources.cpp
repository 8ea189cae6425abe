#include "files/byte_sources.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "files/descriptor.h"
#include "text/number_format.h"

namespace pelvar {

std::size_t MemorySource::Read(char* buffer, std::size_t capacity) {
  const std::size_t count = capacity < bytes_.size() ? capacity : bytes_.size();
  std::memcpy(buffer, bytes_.data(), count);
  bytes_.remove_prefix(count);
  return count;
}

FileSource::FileSource(const std::string& path, bool regularOnly) {
  if (regularOnly) {
    OpenRegular(path);
    return;
  }
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

void FileSource::OpenRegular(const std::string& path) {
  // The kind is told before anything is opened for reading: opening a pipe, even only to refuse
  // it, releases a writer waiting on it into a SIGPIPE, and a device may act on being opened. An
  // O_PATH descriptor opens nothing, and reopening it through /proc opens that very inode, so
  // nothing can be put in the file's place in between.
  const Descriptor found(::open(path.c_str(), O_PATH | O_CLOEXEC));
  struct stat info {};
  if (!found.IsOpen() || ::fstat(found.Get(), &info) != 0) {
    error_ = errno;
    return;
  }
  if (!S_ISREG(info.st_mode)) {
    notRegular_ = true;
    return;
  }
  const std::string reopened = "/proc/self/fd/" + FormatText("%d", found.Get());
  fd_ = ::open(reopened.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0 && errno == ENOENT) {
    // No /proc: opened by its path again, without waiting, and checked on the descriptor, where
    // a pipe swapped in meanwhile is at least refused.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  }
  struct stat opened {};
  if (fd_ < 0 || ::fstat(fd_, &opened) != 0) {
    error_ = errno;
    Close();
    return;
  }
  if (opened.st_dev != info.st_dev || opened.st_ino != info.st_ino || !S_ISREG(opened.st_mode)) {
    notRegular_ = true;
    Close();
  }
}

void FileSource::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

long long FileSource::RegularFileSize() const {
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return static_cast<long long>(info.st_size);
}

FileSource::~FileSource() { Close(); }

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
