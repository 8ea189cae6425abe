#include "report/qt_page_surface.h"

#include <QFontMetrics>
#include <QPen>
#include <QPrinter>
#include <QRect>
#include <QString>
#include <QStringList>

#include "drawings/support_symbols.h"
#include "qt_text/text_edge.h"
#include "text/number_format.h"

namespace pelvar {
namespace {

QColor ToQColor(Colour colour) { return QColor(colour.red, colour.green, colour.blue); }

}  // namespace

QtPageSurface::QtPageSurface(QPagedPaintDevice& device)
    : device_(device), printer_(dynamic_cast<QPrinter*>(&device)) {}

QtPageSurface::~QtPageSurface() {
  if (painter_.isActive()) painter_.end();
}

QFont QtPageSurface::ReportQFont(ReportFont font) {
  QFont qfont;
  // Metric-compatible with the classic Windows sans; the style hint picks the platform's
  // sans-serif where it is missing.
  qfont.setFamilies(QStringList{QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
  qfont.setStyleHint(QFont::SansSerif);
  const bool bold = font == ReportFont::Bold;
  qfont.setPointSizeF(bold ? 10.0 : 8.0);
  qfont.setBold(bold);
  // The letters keep the outline's own advances: hinting would move each glyph to the device's
  // grid and let neighbours collide or drift apart.
  qfont.setHintingPreference(QFont::PreferNoHinting);
  return qfont;
}

void QtPageSurface::Fail(const std::string& message) {
  if (!failed_) error_ = message;
  failed_ = true;
}

bool QtPageSurface::PrinterFailed() const {
  return printer_ != nullptr && printer_->printerState() == QPrinter::Error;
}

bool QtPageSurface::Failed() const { return failed_ || PrinterFailed(); }

std::string QtPageSurface::ErrorMessage() const {
  if (error_.empty() && Failed()) return "The printer failed; the report was not finished.";
  return error_;
}

bool QtPageSurface::BeginDocument() {
  if (!painter_.begin(&device_) || PrinterFailed()) {
    if (painter_.isActive()) painter_.end();
    Fail("The printer could not start the report.");
    return false;
  }
  page_ = 1;
  position_ = QPoint(0, 0);
  painter_.setBrush(Qt::NoBrush);
  painter_.setBackgroundMode(Qt::TransparentMode);
  SelectFont(font_);
  ApplyPen();
  return true;
}

bool QtPageSurface::EndDocument() {
  const bool ended = painter_.isActive() && painter_.end();
  if (!ended || PrinterFailed()) {
    Fail("The printer failed at the end of the report; the report may be incomplete.");
  }
  return !failed_;
}

void QtPageSurface::AbortDocument() {
  if (printer_ != nullptr) printer_->abort();
  if (painter_.isActive()) painter_.end();
}

bool QtPageSurface::NewPage() {
  if (failed_) return false;
  if (!device_.newPage() || PrinterFailed()) {
    Fail(FormatText("The printer failed at the start of page %d; the report was not finished.",
                    page_ + 1));
    return false;
  }
  ++page_;
  return true;
}

int QtPageSurface::PageWidth() const { return device_.width(); }

int QtPageSurface::PageHeight() const { return device_.height(); }

void QtPageSurface::SelectFont(ReportFont font) {
  font_ = font;
  // The painter fits the point size to the printer's resolution.
  if (painter_.isActive()) painter_.setFont(ReportQFont(font));
}

TextExtent QtPageSurface::TextSize(std::string_view text) {
  const QFontMetrics metrics =
      painter_.isActive() ? painter_.fontMetrics() : QFontMetrics(ReportQFont(font_), &device_);
  return {metrics.horizontalAdvance(QStringFromCp1252(text)), metrics.height()};
}

void QtPageSurface::TextOut(int x, int y, std::string_view text) {
  if (!painter_.isActive()) return;
  const QString qtext = QStringFromCp1252(text);
  const QFontMetrics metrics = painter_.fontMetrics();
  if (brushStyle_ == BrushStyle::Solid) {
    painter_.fillRect(QRect(x, y, metrics.horizontalAdvance(qtext), metrics.height()),
                      ToQColor(brushColour_));
  }
  painter_.setPen(QPen(Qt::black));
  painter_.drawText(QPoint(x, y + metrics.ascent()), qtext);
  ApplyPen();
}

void QtPageSurface::ApplyPen() {
  if (!painter_.isActive()) return;
  if (penStyle_ == PenStyle::None) {
    painter_.setPen(Qt::NoPen);
    return;
  }
  QPen pen(penMode_ == PenMode::Black ? QColor(Qt::black) : ToQColor(penColour_));
  // Width 0 draws the thinnest line the device has, as width 1 does.
  pen.setWidth(penWidth_ < 1 ? 1 : penWidth_);
  pen.setStyle(penStyle_ == PenStyle::Dash  ? Qt::DashLine
               : penStyle_ == PenStyle::Dot ? Qt::DotLine
                                            : Qt::SolidLine);
  painter_.setPen(pen);
}

void QtPageSurface::SetPenColour(Colour colour) {
  penColour_ = colour;
  ApplyPen();
}

void QtPageSurface::SetPenMode(PenMode mode) {
  penMode_ = mode;
  ApplyPen();
}

void QtPageSurface::SetPenStyle(PenStyle style) {
  penStyle_ = style;
  ApplyPen();
}

void QtPageSurface::SetPenWidth(int width) {
  penWidth_ = width;
  ApplyPen();
}

void QtPageSurface::SetBrush(BrushStyle style, Colour colour) {
  brushStyle_ = style;
  brushColour_ = colour;
}

void QtPageSurface::MoveTo(int x, int y) { position_ = QPoint(x, y); }

void QtPageSurface::LineTo(int x, int y) {
  const QPoint to(x, y);
  if (painter_.isActive()) painter_.drawLine(position_, to);
  position_ = to;
}

void QtPageSurface::DrawSupport(const PointSupport& support, SupportPlace place, int x, int y,
                                int size) {
  // On the line through the pixel coordinates, as LineTo draws the axis the symbol stands on.
  if (painter_.isActive()) PaintSupport(painter_, support, place, QPointF(x, y), size);
}

}  // namespace pelvar
