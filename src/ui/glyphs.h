#pragma once
// The tool buttons' glyphs (24 x 22, transparent background) and the window icon (32 x 32),
// drawn in code with the colours of the 16-colour palette.

#include <QIcon>
#include <QPixmap>

class QPainter;

namespace pelvar {

QPixmap OpenGlyph();   // an opened folder with a curved arrow
QPixmap NewGlyph();    // a blank page with a folded corner
QPixmap SaveGlyph();   // a diskette
QPixmap PrintGlyph();  // a printer
QPixmap CalcGlyph();   // a pocket calculator
QPixmap HelpGlyph();   // a red question mark on a yellow disc
QIcon WindowIcon();    // a red beam bent down in its middle, lying on a green band

// Paints the window icon in a 32 x 32 square; scaled, the same drawing gives the installed
// icons of every size.
void PaintWindowIcon(QPainter& p);

}  // namespace pelvar
