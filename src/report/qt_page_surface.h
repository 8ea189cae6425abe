#pragma once
// The page surface of a real printer, or of a PDF document (QPrinter's PDF output or a
// QPdfWriter): a QPainter on the paged device, with Liberation Sans (or the platform's sans-serif)
// in bold 10 pt and regular 8 pt, so texts keep their physical size at any resolution.

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPoint>
#include <string>

#include "report/page_surface.h"

class QPagedPaintDevice;
class QPrinter;

namespace pelvar {

class QtPageSurface : public PageSurface {
 public:
  // The device is set up by the caller (print dialog, PDF writer) and must outlive the surface;
  // a printer's own error state counts as a failure as well.
  explicit QtPageSurface(QPagedPaintDevice& device);
  ~QtPageSurface() override;
  QtPageSurface(const QtPageSurface&) = delete;
  QtPageSurface& operator=(const QtPageSurface&) = delete;

  bool BeginDocument() override;
  bool EndDocument() override;
  void AbortDocument() override;
  bool NewPage() override;
  int PageNumber() const override { return page_; }
  int PageWidth() const override;
  int PageHeight() const override;
  void SelectFont(ReportFont font) override;
  TextExtent TextSize(std::string_view text) override;
  void TextOut(int x, int y, std::string_view text) override;
  void SetPenColour(Colour colour) override;
  void SetPenMode(PenMode mode) override;
  void SetPenStyle(PenStyle style) override;
  void SetPenWidth(int width) override;
  void SetBrush(BrushStyle style, Colour colour) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void DrawSupport(const PointSupport& support, SupportPlace place, int x, int y,
                   int size) override;
  bool Failed() const override;
  std::string ErrorMessage() const override;

  // The two fonts as the report asks for them, before they are fitted to a device.
  static QFont ReportQFont(ReportFont font);

 private:
  void ApplyPen();
  void Fail(const std::string& message);
  bool PrinterFailed() const;

  QPagedPaintDevice& device_;
  QPrinter* printer_;  // the same device where it is a printer
  QPainter painter_;
  ReportFont font_ = ReportFont::Regular;
  Colour penColour_ = kBlack;
  PenMode penMode_ = PenMode::Black;
  PenStyle penStyle_ = PenStyle::Solid;
  int penWidth_ = 1;
  BrushStyle brushStyle_ = BrushStyle::Solid;
  Colour brushColour_ = kWhite;
  QPoint position_;
  int page_ = 0;
  bool failed_ = false;
  std::string error_;
};

}  // namespace pelvar
