#pragma once
// The diagrams as a picture file, for the results window's export and pelvar-batch --picture:
// PNG at a device pixel ratio, or, for a name ending in ".svg", SVG in logical pixels with its
// texts as text. Every step is checked (the painter, the encoder, the SVG read back as XML) and
// the file goes through the safe writer.

#include <QByteArray>
#include <QDate>
#include <QFont>
#include <QSize>
#include <QString>
#include <string>

#include "drawings/results_diagrams.h"
#include "files/file_result.h"

namespace pelvar {

enum class PictureFormat { Png, Svg };

// The largest side of a PNG picture, in its device pixels.
inline constexpr int kMaxPicturePixels = 16384;

// SVG for a name ending in ".svg" (in any case), PNG for every other.
PictureFormat PictureFormatOf(const std::string& path);

struct PictureRequest {
  QSize size;            // in logical pixels
  qreal ratio = 1.0;     // device pixels per logical pixel of a PNG
  QFont font;            // of the texts
  int dotsPerInch = 96;  // what an SVG viewer takes for the size of the texts
  QString title;         // an SVG's title, such as the problem's name
  DiagramExtras extras;  // an overlay as on the screen, and a heading
};

// The date as the pictures write it under their heading: "2026-12-08", the same in every
// country.
QString DateText(QDate day);

// The picture file of a calculated problem's diagrams at a size in pixels, as both the results
// window's Export picture and pelvar-batch --picture make it: one device pixel per pixel, the
// window's sans-serif growing with the picture's height, the problem's name as the heading and
// the SVG's title, and the date of the day given at the heading's right; no overlay.
PictureRequest DiagramFileRequest(const ProblemData& data, QSize size, QDate day);

// A picture's heading for the problem's name: with what the snapshot shows after it where the
// problem has load cases ("Demo - Envelope of 12 states").
QString ShownHeading(const QString& name, const ResultsSnapshot& snapshot);

// The picture's bytes; a failure says which step failed.
FileResult EncodeDiagramPicture(const ResultsSnapshot& snapshot, const PictureRequest& request,
                                PictureFormat format, QByteArray& bytes);

// The picture's bytes in the format its path names; a failure says "Cannot save "<path>": ...",
// as the safe writer does.
FileResult MakeDiagramPicture(const std::string& path, const ResultsSnapshot& snapshot,
                              const PictureRequest& request, std::string& bytes);

// Makes the picture so and writes it through the safe writer; the messages of a failed write
// are the writer's ("Cannot save "<path>": <reason>.").
FileResult WriteDiagramPicture(const std::string& path, const ResultsSnapshot& snapshot,
                               const PictureRequest& request);

// Text for the character data or an attribute value of an XML document: the five markup
// characters as entities, characters XML cannot hold (most controls, unpaired surrogates) as
// U+FFFD.
QString XmlEscaped(const QString& text);

}  // namespace pelvar
