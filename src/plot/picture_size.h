#pragma once
// The size of a picture file of the diagrams, in pixels, the same for the results window's
// export and pelvar-batch --picture: its default and the limits of each side.

#include <algorithm>

namespace pelvar {

inline constexpr int kDefaultPictureWidth = 1200;
inline constexpr int kDefaultPictureHeight = 900;
inline constexpr int kMinPictureSide = 100;
inline constexpr int kMaxPictureSide = 8000;

// A side held within its limits.
constexpr int ClampPictureSide(int side) {
  return std::clamp(side, kMinPictureSide, kMaxPictureSide);
}

}  // namespace pelvar
