#include "files/file_attributes.h"

namespace pelvar {

// The access list of a file made with mode in a folder whose default access list is given, by
// the kernel's rule for new files: the entries of the owner, of the group class (the mask, or
// the owning group where there is no mask) and of the others keep only what mode grants them.
// The lists are stored as a 4-byte version and 8-byte entries: tag, permissions, id, little
// endian. Empty for a list that is not of that form.
std::string InheritedAccessList(std::string list, mode_t mode) {
  constexpr std::size_t kHeader = 4, kEntry = 8;
  constexpr unsigned kOwner = 0x01, kOwningGroup = 0x04, kMask = 0x10, kOthers = 0x20;
  if (list.size() < kHeader || (list.size() - kHeader) % kEntry != 0) return {};
  const auto tag = [&list](std::size_t at) {
    return static_cast<unsigned char>(list[at]) | static_cast<unsigned char>(list[at + 1]) << 8;
  };
  bool masked = false;
  for (std::size_t at = kHeader; at < list.size(); at += kEntry) masked |= tag(at) == kMask;
  for (std::size_t at = kHeader; at < list.size(); at += kEntry) {
    unsigned granted = 7;
    if (tag(at) == kOwner) granted = (mode >> 6) & 7;
    if (tag(at) == kMask || (tag(at) == kOwningGroup && !masked)) granted = (mode >> 3) & 7;
    if (tag(at) == kOthers) granted = mode & 7;
    list[at + 2] = static_cast<char>(static_cast<unsigned char>(list[at + 2]) & granted);
  }
  return list;
}

}  // namespace pelvar
