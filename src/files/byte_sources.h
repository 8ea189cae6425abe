#pragma once
// Where the data file reader takes its bytes from: a file or a buffer, read in chunks.

#include <cstddef>
#include <string>
#include <string_view>

namespace pelvar {

// A source of bytes read in chunks: a file or a buffer.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Fills up to capacity bytes; returns how many, 0 at the end or on an error.
  virtual std::size_t Read(char* buffer, std::size_t capacity) = 0;
  // The errno of a failed read, 0 when the source simply ended.
  virtual int Error() const { return 0; }
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  std::size_t Read(char* buffer, std::size_t capacity) override;

 private:
  std::string_view bytes_;
};

// Reads an open file descriptor, which it closes when destroyed.
class FileSource final : public ByteSource {
 public:
  // Opens path for reading; IsOpen() is false and Error() tells why when that fails. Opening
  // never waits for a writer, so a named pipe without one reads as an empty file. With
  // regularOnly anything but a regular file is refused (NotRegular()) without being opened.
  explicit FileSource(const std::string& path, bool regularOnly = false);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  bool NotRegular() const { return notRegular_; }
  // The size of a regular file, -1 for anything else (a pipe, a device).
  long long RegularFileSize() const;
  std::size_t Read(char* buffer, std::size_t capacity) override;
  int Error() const override { return error_; }

 private:
  void OpenRegular(const std::string& path);
  void Close();

  int fd_ = -1;
  int error_ = 0;
  bool notRegular_ = false;
};

}  // namespace pelvar
