#include "results_window/diagram_view.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>

namespace pelvar {
namespace {

// Texts smaller than this many pixels would be hard to read, at any scale.
constexpr int kLeastFontPixels = 9;
constexpr int kLeastWidth = 320;

QFont WithPixelSize(QFont font, int pixels) {
  font.setPixelSize(pixels);
  return font;
}

// The least height, to a pixel, at which the diagrams of snapshot with extras fit a drawing
// width wide in font; 0 where no height does (values too large to draw).
int LeastUsableHeight(const ResultsSnapshot& snapshot, int width, const QFont& font,
                      const DiagramExtras& extras) {
  auto usable = [&](int height) {
    return LayoutDiagrams(snapshot, QRectF(0, 0, width, height), font, extras).usable;
  };
  int high = 256;
  while (!usable(high)) {
    if (high >= 65536) return 0;
    high *= 2;
  }
  int low = 0;  // never usable
  while (high - low > 1) {
    const int middle = (low + high) / 2;
    (usable(middle) ? high : low) = middle;
  }
  return high;
}

}  // namespace

const char DiagramView::kOutdatedText[] =
    "The problem has changed since these results were calculated.\n"
    "Calculate again to see its results.";

DiagramView::DiagramView(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  drawingFont_ = font();
  notice_ = QString::fromLatin1(kOutdatedText);
}

QSize DiagramView::minimumSizeHint() const {
  // The notice takes two lines; the diagrams the height found for them.
  const int notice = 4 * fontMetrics().height();
  return {kLeastWidth, std::max(notice, leastHeight_)};
}

void DiagramView::layOut() {
  cache_ = QPixmap();
  drawingFont_ = font();
  layout_ = DiagramLayout{};
  if (!snapshot_) return;
  const QRectF area(rect());
  const int largest = QFontInfo(font()).pixelSize();
  for (int pixels = largest;; --pixels) {
    drawingFont_ = pixels == largest ? font() : WithPixelSize(font(), pixels);
    layout_ = LayoutDiagrams(*snapshot_, area, drawingFont_, extras_);
    if (layout_.usable || pixels <= kLeastFontPixels) return;
  }
}

void DiagramView::updateLeastHeight() {
  // Measured at the present width, so that a footnote that takes one line there is not counted
  // as two, with the overlay whose values the axes take in.
  const int least =
      snapshot_
          ? LeastUsableHeight(
                *snapshot_, std::max(width(), kLeastWidth),
                WithPixelSize(font(), std::min(kLeastFontPixels, QFontInfo(font()).pixelSize())),
                extras_)
          : 0;
  if (least != leastHeight_) {
    leastHeight_ = least;
    updateGeometry();
  }
}

void DiagramView::setSnapshot(std::shared_ptr<const ResultsSnapshot> snapshot) {
  snapshot_ = std::move(snapshot);
  notice_ = QString::fromLatin1(kOutdatedText);
  updateLeastHeight();
  layOut();
  setMarker(-1, -1);
  update();
}

void DiagramView::showNotice(const QString& text) {
  setSnapshot(nullptr);
  notice_ = text;
}

void DiagramView::setOverlay(PanelOverlay overlay) {
  extras_.overlay = std::move(overlay);
  // The axes take in the overlay's values.
  updateLeastHeight();
  layOut();
  update();
}

void DiagramView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!snapshot_) {
    painter.fillRect(rect(), Qt::white);
    painter.setPen(Qt::black);
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, notice_);
    return;
  }
  const qreal ratio = devicePixelRatioF();
  if (cache_.isNull() || cache_.devicePixelRatio() != ratio ||
      cache_.deviceIndependentSize() != QSizeF(size())) {
    cache_ = QPixmap(size() * ratio);
    cache_.setDevicePixelRatio(ratio);
    QPainter picture(&cache_);
    PaintDiagrams(picture, *snapshot_, layout_, drawingFont_, extras_);
  }
  painter.drawPixmap(0, 0, cache_);
  if (node_ >= 0) PaintMarker(painter, *snapshot_, layout_, node_, element_);
}

void DiagramView::resizeEvent(QResizeEvent* event) {
  if (event->size().width() != event->oldSize().width()) updateLeastHeight();
  layOut();
  setMarker(-1, -1);
}

void DiagramView::mouseMoveEvent(QMouseEvent* event) {
  if (!snapshot_ || !layout_.usable) return;
  const QPointF point = event->position();
  const double top = layout_.panels[0].plot.top() - layout_.lineHeight;
  const double bottom = layout_.panels[3].plot.bottom() + layout_.lineHeight;
  const double slack = 4.0;
  if (point.x() < layout_.left - slack || point.x() > layout_.right + slack || point.y() < top ||
      point.y() > bottom) {
    setMarker(-1, -1);
    return;
  }
  const double x =
      snapshot_->nodeX.front() + std::clamp(layout_.pixelToX(point.x()), 0.0, layout_.length);
  setMarker(NearestNode(snapshot_->nodeX, x), ElementAt(snapshot_->nodeX, x));
}

void DiagramView::leaveEvent(QEvent*) { setMarker(-1, -1); }

void DiagramView::setMarker(int node, int element) {
  if (node == node_ && element == element_) return;
  node_ = node;
  element_ = element;
  update();
  emit markerMoved(node, element);
}

}  // namespace pelvar
