#pragma once
// Where a save lands: the folder it writes in, held open, and the name it writes there, found by
// walking the path one component at a time as the kernel would, but following symbolic links
// only where the kernel's protected-links rule would follow them.

#include <sys/stat.h>

#include <string>

#include "files/descriptor.h"

namespace pelvar {

struct SavePlace {
  Descriptor folder;       // O_PATH
  std::string folderText;  // the folders walked, as a path
  std::string name;
  // A descriptor this process holds, where the path names one (/dev/stdout, /dev/fd/3,
  // /proc/self/fd/3): the output is written through it, in place, and folder and name are those
  // of its entry in /proc.
  int descriptor = -1;
};

// Why a save's path was not followed to its end: an errno, or a link that is not followed.
struct PlaceFailure {
  int error = 0;
  std::string link;
};

// Follows path to the folder a save writes in and the name it writes there. See the threat
// model in the source.
bool FindSavePlace(const std::string& path, SavePlace& place, PlaceFailure& failure);

// The reason a failed walk gives in a message.
std::string PlaceFailureText(const PlaceFailure& failure);

// A path as text, for messages: name in folder, "" standing for the current folder.
std::string InFolder(const std::string& folder, std::string_view name);

// The kernel's rules for shared folders (fs.protected_symlinks and fs.protected_regular),
// applied whatever the system's settings: in a folder that is sticky and writable by all, such as
// /tmp, a link is followed and a file written only when it belongs to the user or to the
// folder's owner. Anyone may plant one there, and following or writing it would send the save
// (root's too) into a file of the planter's choosing, or hand the output to the planter.
bool SharedFolderAllows(const struct stat& entry, const struct stat& folder);

bool SameInode(const struct stat& a, const struct stat& b);

// What a path names, found by the same walk as a save to it takes, so that links, "..", paths
// beyond PATH_MAX and descriptors count as the file they lead to.
struct FileIdentity {
  bool found = false;   // the walk reached the path's end
  bool exists = false;  // the file is there; else name is a new file's name in the folder
  dev_t device = 0;     // of the file, or of the folder a new file would be made in
  ino_t inode = 0;
  mode_t type = 0;  // S_IFREG, S_IFIFO, ... of an existing file
  std::string name;
  int descriptor = -1;  // the path names this descriptor of the process
};
FileIdentity IdentifyFile(const std::string& path);
// The file behind a descriptor of the process.
FileIdentity IdentifyDescriptor(int descriptor);

// Whether a save to one would replace the file at the other: the same device and inode when both
// exist, the same name in the same folder when neither does.
bool SameFile(const FileIdentity& a, const FileIdentity& b);
// The same for two paths; paths that cannot be followed are the same only as the same text.
bool SameFile(const std::string& first, const std::string& second);

}  // namespace pelvar
