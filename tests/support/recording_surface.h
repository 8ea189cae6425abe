#pragma once
// A page surface that draws nothing and records every call, with the page and drawing state it
// was made in. Its text metric is fixed per font (a width per byte and a line height), so tests
// can work out every expected coordinate by hand.

#include <string>
#include <string_view>
#include <vector>

#include "report/page_surface.h"

namespace pelvar {

struct RecordingMetrics {
  int boldCharWidth = 9;
  int boldHeight = 17;
  int regularCharWidth = 7;
  int regularHeight = 13;
};

enum class CallKind {
  BeginDocument,
  EndDocument,
  AbortDocument,
  NewPage,
  SelectFont,
  TextSize,
  TextOut,
  PenColour,
  PenMode,
  PenStyle,
  PenWidth,
  Brush,
  MoveTo,
  LineTo,
  Support,
};

// One call with the state in force when it was made (after it, for the state setters).
struct RecordedCall {
  CallKind kind = CallKind::BeginDocument;
  int page = 0;
  int x = 0, y = 0;
  std::string text;
  ReportFont font = ReportFont::Regular;
  Colour penColour;
  PenMode penMode = PenMode::Copy;
  PenStyle penStyle = PenStyle::Solid;
  int penWidth = 1;
  BrushStyle brushStyle = BrushStyle::Solid;
  Colour brushColour = kWhite;
  // Support: the support drawn at (x, y), its place on the beam and its size.
  PointSupport support;
  SupportPlace place = SupportPlace::Inside;
  int size = 0;
};

class RecordingSurface : public PageSurface {
 public:
  RecordingSurface(int pageWidth, int pageHeight, RecordingMetrics metrics = {});

  // Simulated device failures: the start of the document, or the page break that would begin
  // the given page number, fail.
  void FailBegin() { failBegin_ = true; }
  void FailAtPage(int page) { failAtPage_ = page; }

  bool BeginDocument() override;
  bool EndDocument() override;
  void AbortDocument() override;
  bool NewPage() override;
  int PageNumber() const override { return page_; }
  int PageWidth() const override { return pageWidth_; }
  int PageHeight() const override { return pageHeight_; }
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
  bool Failed() const override { return failed_; }
  std::string ErrorMessage() const override { return failed_ ? "Simulated printer failure" : ""; }

  const std::vector<RecordedCall>& Calls() const { return calls_; }
  // The TextOut calls only, in order; optionally those of one page.
  std::vector<RecordedCall> Texts(int page = 0) const;
  // The calls of one kind, in order.
  std::vector<RecordedCall> CallsOf(CallKind kind) const;
  // The first TextOut of exactly this text, or nullptr.
  const RecordedCall* FindText(std::string_view text) const;
  int PageCount() const { return page_; }

 private:
  RecordedCall& Record(CallKind kind);

  int pageWidth_;
  int pageHeight_;
  RecordingMetrics metrics_;
  bool failBegin_ = false;
  int failAtPage_ = 0;
  bool failed_ = false;
  int page_ = 0;
  RecordedCall state_;
  std::vector<RecordedCall> calls_;
};

}  // namespace pelvar
