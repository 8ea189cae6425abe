#pragma once
// The colours of the window and its pictures: the classic 16-colour palette, named once, and the
// colour each result is drawn in wherever it is drawn on the screen.

#include <QColor>

namespace pelvar::palette {

inline constexpr QColor kBlack(0, 0, 0);
inline constexpr QColor kMaroon(128, 0, 0);
inline constexpr QColor kGreen(0, 128, 0);
inline constexpr QColor kOlive(128, 128, 0);
inline constexpr QColor kNavy(0, 0, 128);
inline constexpr QColor kPurple(128, 0, 128);
inline constexpr QColor kTeal(0, 128, 128);
inline constexpr QColor kGray(128, 128, 128);
inline constexpr QColor kSilver(192, 192, 192);
inline constexpr QColor kRed(255, 0, 0);
inline constexpr QColor kLime(0, 255, 0);
inline constexpr QColor kYellow(255, 255, 0);
inline constexpr QColor kBlue(0, 0, 255);
inline constexpr QColor kFuchsia(255, 0, 255);
inline constexpr QColor kAqua(0, 255, 255);
inline constexpr QColor kWhite(255, 255, 255);

// w, Q and M: red, green and blue in the main window's picture and in the results window alike.
inline constexpr QColor kDisplacementColour = kRed;
inline constexpr QColor kShearColour = kGreen;
inline constexpr QColor kMomentColour = kBlue;
// Where the beam has lifted off soil that takes no tension.
inline constexpr QColor kLiftOffColour = kFuchsia;

}  // namespace pelvar::palette
