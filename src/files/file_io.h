#pragma once
// Byte-level file access for the data files and the batch command's outputs.

#include <cstddef>
#include <string>
#include <string_view>

#include "files/file_result.h"

namespace pelvar {

// The folder of path, for files made beside it ("." for a bare name, "/" at the root), and the
// name after its last "/".
void SplitPath(const std::string& path, std::string& folder, std::string& name);

// The reason for an errno value in the system's own words ("No space left on device"), in
// English whatever the process locale.
std::string SystemErrorText(int errorNumber);

// A file name as messages show it: in double quotes.
std::string Quoted(std::string_view name);

// Where a save to path writes: path itself, or the file its symbolic links lead to, also when
// that file does not exist yet (a dangling link). Returns false with an errno when the links
// cannot be followed.
bool SaveTarget(const std::string& path, std::string& target, int& error);

// Whether a save to first would replace the file at second (or the other way round): the same
// device and inode when both exist, the same resolved path when neither does.
bool SameFile(const std::string& first, const std::string& second);

// A file written under a temporary name in its target's folder and renamed over the target only
// when complete, so that a failure never destroys the old file. The temporary name carries the
// process id, and each save removes the temporary files of this naming that a process which no
// longer runs has left in the folder (one killed part way, say by a file size limit).
class PendingFile {
 public:
  PendingFile() = default;
  ~PendingFile();  // removes the temporary file unless it was committed
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Makes the temporary file for a save to path. A symbolic link is followed and kept; anything
  // other than a regular file (a folder, a device, a pipe) is refused, and so is a file this
  // process may not write, although a rename would replace it. Messages say
  // "Cannot save "<path>": <reason>.".
  FileResult Create(const std::string& path);
  const std::string& TemporaryPath() const { return temporaryPath_; }
  FileResult Write(std::string_view bytes);
  // Why a write at the end of the temporary file fails, found by trying one: the errno, or 0
  // when it succeeds. For a file that another writer (the printer) filled.
  int WriteError();
  // Gives the file the owner (where the process may set it) and the permissions of the file it
  // replaces, flushes it to the disk and renames it over the target.
  FileResult Commit();

 private:
  FileResult Fail(int error);
  void Discard();

  std::string path_;    // as given, for the messages
  std::string target_;  // where the links lead
  std::string temporaryPath_;
  int fd_ = -1;
  bool replacing_ = false;
  unsigned ownerId_ = 0, groupId_ = 0, mode_ = 0;
};

// Writes bytes to path through a PendingFile.
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
  // The size of a regular file, -1 for anything else (a pipe, a device).
  long long RegularFileSize() const;
  std::size_t Read(char* buffer, std::size_t capacity) override;
  int Error() const override { return error_; }

 private:
  int fd_ = -1;
  int error_ = 0;
};

}  // namespace pelvar
