#pragma once
// Byte-level file access for the data files and the batch command's outputs.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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

// Ends the process's default of being killed by SIGXFSZ: beyond the file size limit (ulimit -f)
// a write then fails with EFBIG, and the save says "File too large" instead of the process
// vanishing without a word. Both programs call it first thing.
void IgnoreFileSizeSignal();

// Whether a save to first would replace the file at second (or the other way round): the same
// device and inode when both exist, the same name in the same folder when neither does.
bool SameFile(const std::string& first, const std::string& second);

// An open file descriptor, closed when it goes.
class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() { Reset(); }
  Descriptor(Descriptor&& other) noexcept : fd_(other.Release()) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  int Get() const { return fd_; }
  bool IsOpen() const { return fd_ >= 0; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset(int fd = -1);

 private:
  int fd_ = -1;
};

// A file written under a temporary name in its target's folder and renamed over the target only
// when complete, so that a failure never destroys the old file.
//
// The target's folder is found once and then held open: the temporary file is made, renamed and
// removed relative to that descriptor, so a folder renamed or swapped during the save neither
// redirects the file nor leaves the temporary behind. Symbolic links on the way are followed
// only where the kernel's protected-links rule would follow them (see FindSavePlace). The
// temporary is made with O_EXCL and mode 0600, so nobody else can read it or open it for writing
// while it is written, and it is locked (flock) from its making to its rename: a later save into
// the folder removes such files only when they belong to the same user and can be locked, that
// is when the process that wrote them has ended (killed part way, say by a file size limit).
class PendingFile {
 public:
  PendingFile() = default;
  ~PendingFile();  // removes the temporary file unless it was committed
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Makes the temporary file for a save to path. Anything other than a regular file (a folder, a
  // device, a pipe) is refused, and so is a file this process may not write, although a rename
  // would replace it. Messages say "Cannot save "<path>": <reason>.".
  FileResult Create(const std::string& path);
  // The temporary file, as a path through the folders followed (for the curious: the writer
  // itself never uses it).
  const std::string& TemporaryPath() const { return temporaryPath_; }
  FileResult Write(std::string_view bytes);
  // Gives the file what the file it replaces had (its mode exactly, its access list and user
  // attributes, its owner where the process may set it; a new file the permissions any file made
  // in the folder gets), flushes it to the disk and renames it over the target.
  FileResult Commit();

 private:
  FileResult Fail(int error);
  FileResult Fail(std::string_view reason);
  bool TemporaryIsOurs() const;
  FileResult KeepAttributes();
  FileResult GiveNewFilePermissions();
  void Discard();

  struct Attribute {
    std::string name, value;
  };

  std::string path_;   // as given, for the messages
  Descriptor folder_;  // the target's folder (O_PATH)
  std::string name_;   // the target's name in it
  std::string temporaryName_;
  std::string temporaryPath_;
  Descriptor file_;  // the temporary file, locked
  bool replacing_ = false;
  unsigned ownerId_ = 0, groupId_ = 0, mode_ = 0;
  std::vector<Attribute> attributes_;  // those the replaced file keeps
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
