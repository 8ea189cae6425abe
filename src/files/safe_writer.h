#pragma once
// The safe writer: how every save and export reaches the disk. A file is written under a
// temporary name in its target's folder and put in the target's place only when complete, so a
// failure never destroys the old file, and nobody else on the machine can redirect it.

#include <sys/stat.h>

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
// when complete, so that a failure never destroys the old file. A file whose owner or group a
// new file could not have (another user's file this user may write, through an access list or
// the group) is never handed to the saver: the complete new content, flushed in the temporary,
// is written into it, its old content kept in a private copy (".NAME.pelvar-PID-N.old") until
// the new one is on disk and put back should the write fail. /dev/stdout and the like are
// written through the descriptor itself, in place and after what went before, as tee does.
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
  // How the content reaches its target.
  enum class Way {
    Rename,      // a new file, or one whose owner and group the rename keeps
    InPlace,     // a file whose owner or group a new file could not have: written into
    Descriptor,  // a descriptor the process holds (/dev/stdout, /dev/fd/3): written through it
    Discard,     // /dev/null
  };

  PendingFile() = default;
  ~PendingFile();  // removes the temporary file unless it was committed
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Makes ready a save to path, checking everything that can be known before the first byte is
  // written: the place, the kind of file, the rules of shared folders, the file's flags, its
  // attributes, and whether the process may write it. Messages say
  // "Cannot save "<path>": <reason>.".
  FileResult Create(const std::string& path);
  Way HowWritten() const { return way_; }
  // The descriptor written through, for Way::Descriptor.
  int TargetDescriptor() const { return descriptor_; }
  // The temporary file, as a path through the folders followed (for the curious: the writer
  // itself never uses it); empty for the ways that need none.
  const std::string& TemporaryPath() const { return temporaryPath_; }
  FileResult Write(std::string_view bytes);
  // Puts the content in the target's place: renamed over it with what the file it replaces had
  // (its mode exactly, its access list and user attributes, its owner and group; a new file the
  // permissions any file made in the folder gets), written into it, or through the descriptor.
  FileResult Commit();

 private:
  FileResult Fail(int error);
  FileResult Fail(std::string_view reason);
  FileResult CheckExisting(int existing, const struct stat& info);
  FileResult CheckFlags(int readable, const struct stat& info);
  FileResult CheckFolderFlags();
  FileResult ReadAttributes(int existing, int readable);
  FileResult MakeTemporary(const std::string& folderText);
  FileResult MakeBackup(const std::string& folderText);
  bool IsOurs(const Descriptor& file, const std::string& name) const;
  FileResult KeepAttributes();
  FileResult GiveNewFilePermissions();
  FileResult CommitRename();
  FileResult CommitInPlace();
  void Discard();

  struct Attribute {
    std::string name, value;
  };

  std::string path_;  // as given, for the messages
  Way way_ = Way::Rename;
  Descriptor folder_;  // the target's folder (O_PATH)
  std::string name_;   // the target's name in it
  std::string temporaryName_;
  std::string temporaryPath_;
  Descriptor file_;  // the temporary file, locked
  bool replacing_ = false;
  unsigned ownerId_ = 0, groupId_ = 0, mode_ = 0;
  std::vector<Attribute> attributes_;  // those the replaced file keeps
  Descriptor target_;                  // the file written in place, read and write
  std::string backupName_, backupPath_;
  Descriptor backup_;  // its old content while it is written
  bool keepBackup_ = false;
  int descriptor_ = -1;  // not owned
  std::string held_;     // what goes through the descriptor at the commit
};

// Writes bytes to path through a PendingFile.
FileResult WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace pelvar
