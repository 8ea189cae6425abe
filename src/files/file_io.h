#pragma once
// Byte-level file access for the data files and the batch command's outputs.

#include <cstddef>
#include <string>
#include <string_view>

#include "files/problem_file.h"

namespace pelvar {

// The folder of path, for files made beside it ("." for a bare name, "/" at the root), and the
// name after its last "/".
void SplitPath(const std::string& path, std::string& folder, std::string& name);

// A short English text for an errno value that does not depend on the process locale.
std::string SystemErrorText(int errorNumber);

// Writes bytes to a new file in the folder of path and renames it over path once everything is
// written and flushed to the disk. A symbolic link is followed and kept; anything at path other
// than a regular file (a folder, a device, a pipe) is refused. On any failure an existing file
// at path is left untouched, the temporary file is removed, and the message says
// "Cannot save "<path>": <reason>.".
FileResult WriteFileAtomically(const std::string& path, std::string_view bytes);

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
  // never waits for a writer, so a named pipe without one reads as an empty file.
  explicit FileSource(const std::string& path);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  std::size_t Read(char* buffer, std::size_t capacity) override;
  int Error() const override { return error_; }

 private:
  int fd_ = -1;
  int error_ = 0;
};

}  // namespace pelvar
