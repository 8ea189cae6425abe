#pragma once
// The tool buttons' glyphs (24 x 22, transparent background) and the window icon (32 x 32),
// drawn in code with the colours of the 16-colour palette, at whatever size and screen scale
// they are shown.

#include <QIcon>

class QPainter;

namespace pelvar {

QIcon OpenGlyph();   // an opened folder with a curved arrow
QIcon NewGlyph();    // a blank page with a folded corner
QIcon SaveGlyph();   // a diskette
QIcon PrintGlyph();  // a printer
QIcon CalcGlyph();   // a pocket calculator
QIcon NoTensionGlyph();  // a loaded beam on soil: lying on it, or (checked) its ends lifted off
QIcon HelpGlyph();   // a red question mark on a yellow disc
QIcon WindowIcon();  // a red beam bent down in its middle, lying on a green band

// Paints the window icon in a 32 x 32 square; scaled, the same drawing gives the installed
// icons of every size.
void PaintWindowIcon(QPainter& p);

}  // namespace pelvar
