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

bool SameInode(const struct stat& a, const struct stat& b);

// Whether a save to first would replace the file at second (or the other way round): the same
// device and inode when both exist, the same name in the same folder when neither does.
bool SameFile(const std::string& first, const std::string& second);

}  // namespace pelvar
