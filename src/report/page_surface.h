#pragma once
// The page surface the report draws on: a paged device with a pen, a brush, two fonts and a text
// extent, in the device's own pixels. The printer (or PDF file) and the recording surface of the
// tests implement it.
//
// Coordinates are device pixels of the printable area, origin at its top-left corner, y growing
// downwards. Texts are Windows-1252 byte strings, as the problem holds them; a text is placed by
// the top-left corner of its cell.

#include <string>
#include <string_view>

#include "model/problem_data.h"
#include "plot/support_layout.h"

namespace pelvar {

enum class ReportFont {
  Bold,     // titles, the header's title and user line, the column grid
  Regular,  // everything else
};

struct TextExtent {
  int width = 0;
  int height = 0;  // the font's line height, whatever the text
};

struct Colour {
  unsigned char red = 0, green = 0, blue = 0;
  friend bool operator==(const Colour&, const Colour&) = default;
};
inline constexpr Colour kBlack{0, 0, 0};
inline constexpr Colour kWhite{255, 255, 255};

// How a stroke combines with the page: Black draws every stroke black whatever the pen colour,
// Copy draws the pen colour as it is.
enum class PenMode { Black, Copy };
enum class PenStyle { Solid, Dash, Dot, None };
// A solid brush fills the cell behind every text with its colour; a clear one leaves the page
// showing through.
enum class BrushStyle { Solid, Clear };

class PageSurface {
 public:
  virtual ~PageSurface() = default;

  // Starts the document; its first page begins and the page number is 1. False when the device
  // cannot be opened (see ErrorMessage).
  virtual bool BeginDocument() = 0;
  // Ends the last page and the document. False when the device reports a failure.
  virtual bool EndDocument() = 0;
  // Gives up an open document after a failure; what was printed so far may be lost.
  virtual void AbortDocument() = 0;
  // Ends the current page and begins the next; the page number rises by 1. False on failure.
  virtual bool NewPage() = 0;
  virtual int PageNumber() const = 0;

  // The printable area of the page, in device pixels.
  virtual int PageWidth() const = 0;
  virtual int PageHeight() const = 0;

  virtual void SelectFont(ReportFont font) = 0;
  virtual TextExtent TextSize(std::string_view text) = 0;
  virtual void TextOut(int x, int y, std::string_view text) = 0;

  virtual void SetPenColour(Colour colour) = 0;
  virtual void SetPenMode(PenMode mode) = 0;
  virtual void SetPenStyle(PenStyle style) = 0;
  virtual void SetPenWidth(int width) = 0;
  virtual void SetBrush(BrushStyle style, Colour colour) = 0;
  virtual void MoveTo(int x, int y) = 0;
  virtual void LineTo(int x, int y) = 0;
  // The symbol of a support, the same as in the pictures on the screen, with its point at (x, y)
  // and size pixels high (see plot/support_layout.h for its reach); always black, in a pen of its
  // own: the surface's pen, brush and position stay as they were.
  virtual void DrawSupport(const PointSupport& support, SupportPlace place, int x, int y,
                           int size) = 0;

  // True once the device has failed; the message says how, for the user.
  virtual bool Failed() const = 0;
  virtual std::string ErrorMessage() const = 0;
};

}  // namespace pelvar
