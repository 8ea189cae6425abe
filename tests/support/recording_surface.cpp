#include "support/recording_surface.h"

namespace pelvar {

RecordingSurface::RecordingSurface(int pageWidth, int pageHeight, RecordingMetrics metrics)
    : pageWidth_(pageWidth), pageHeight_(pageHeight), metrics_(metrics) {}

RecordedCall& RecordingSurface::Record(CallKind kind) {
  RecordedCall call = state_;
  call.kind = kind;
  call.page = page_;
  calls_.push_back(call);
  return calls_.back();
}

bool RecordingSurface::BeginDocument() {
  if (failBegin_) {
    failed_ = true;
    return false;
  }
  page_ = 1;
  Record(CallKind::BeginDocument);
  return true;
}

bool RecordingSurface::EndDocument() {
  Record(CallKind::EndDocument);
  return !failed_;
}

void RecordingSurface::AbortDocument() { Record(CallKind::AbortDocument); }

bool RecordingSurface::NewPage() {
  if (failAtPage_ != 0 && page_ + 1 >= failAtPage_) {
    failed_ = true;
    return false;
  }
  ++page_;
  Record(CallKind::NewPage);
  return true;
}

void RecordingSurface::SelectFont(ReportFont font) {
  state_.font = font;
  Record(CallKind::SelectFont);
}

TextExtent RecordingSurface::TextSize(std::string_view text) {
  Record(CallKind::TextSize).text = text;
  const bool bold = state_.font == ReportFont::Bold;
  const int perByte = bold ? metrics_.boldCharWidth : metrics_.regularCharWidth;
  return {static_cast<int>(text.size()) * perByte,
          bold ? metrics_.boldHeight : metrics_.regularHeight};
}

void RecordingSurface::TextOut(int x, int y, std::string_view text) {
  RecordedCall& call = Record(CallKind::TextOut);
  call.x = x;
  call.y = y;
  call.text = text;
}

void RecordingSurface::SetPenColour(Colour colour) {
  state_.penColour = colour;
  Record(CallKind::PenColour);
}

void RecordingSurface::SetPenMode(PenMode mode) {
  state_.penMode = mode;
  Record(CallKind::PenMode);
}

void RecordingSurface::SetPenStyle(PenStyle style) {
  state_.penStyle = style;
  Record(CallKind::PenStyle);
}

void RecordingSurface::SetPenWidth(int width) {
  state_.penWidth = width;
  Record(CallKind::PenWidth);
}

void RecordingSurface::SetBrush(BrushStyle style, Colour colour) {
  state_.brushStyle = style;
  state_.brushColour = colour;
  Record(CallKind::Brush);
}

void RecordingSurface::MoveTo(int x, int y) {
  RecordedCall& call = Record(CallKind::MoveTo);
  call.x = x;
  call.y = y;
}

void RecordingSurface::LineTo(int x, int y) {
  RecordedCall& call = Record(CallKind::LineTo);
  call.x = x;
  call.y = y;
}

void RecordingSurface::DrawSupport(const PointSupport& support, SupportPlace place, int x, int y,
                                   int size) {
  RecordedCall& call = Record(CallKind::Support);
  call.x = x;
  call.y = y;
  call.support = support;
  call.place = place;
  call.size = size;
}

std::vector<RecordedCall> RecordingSurface::CallsOf(CallKind kind) const {
  std::vector<RecordedCall> calls;
  for (const RecordedCall& call : calls_) {
    if (call.kind == kind) calls.push_back(call);
  }
  return calls;
}

std::vector<RecordedCall> RecordingSurface::Texts(int page) const {
  std::vector<RecordedCall> texts;
  for (const RecordedCall& call : calls_) {
    if (call.kind == CallKind::TextOut && (page == 0 || call.page == page)) texts.push_back(call);
  }
  return texts;
}

const RecordedCall* RecordingSurface::FindText(std::string_view text) const {
  for (const RecordedCall& call : calls_) {
    if (call.kind == CallKind::TextOut && call.text == text) return &call;
  }
  return nullptr;
}

}  // namespace pelvar
