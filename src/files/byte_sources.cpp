#include "files/byte_sources.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pelvar {

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
