#pragma once
// The safe writer: how every save and export reaches the disk. A file is written under a
// temporary name in its target's folder and put in the target's place only when complete, so a
// failure never destroys the old file, and nobody else on the machine can redirect it.

#include <string>
#include <string_view>
#include <vector>

#include "files/descriptor.h"
#include "files/file_result.h"

namespace pelvar {

// Ends the process's default of being killed by SIGXFSZ: beyond the file size limit (ulimit -f)
// a write then fails with EFBIG, and the save says "File too large" instead of the process
// vanishing without a word. Both programs call it first thing.
void IgnoreFileSizeSignal();

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

}  // namespace pelvar
