#include "results_window/diagram_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace pelvar {

const char DiagramView::kOutdatedText[] =
    "The problem has changed since these results were calculated.\n"
    "Calculate again to see its results.";

DiagramView::DiagramView(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(320, 260);
}

void DiagramView::setSnapshot(std::shared_ptr<const ResultsSnapshot> snapshot) {
  snapshot_ = std::move(snapshot);
  relayout();
  setMarker(-1, -1);
  update();
}

void DiagramView::setOverlay(PanelOverlay overlay) {
  extras_.overlay = std::move(overlay);
  // The axes take in the overlay's values.
  relayout();
  update();
}

void DiagramView::relayout() {
  layout_ =
      snapshot_ ? LayoutDiagrams(*snapshot_, QRectF(rect()), font(), extras_) : DiagramLayout{};
  cache_ = QPixmap();
}

void DiagramView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!snapshot_) {
    painter.fillRect(rect(), Qt::white);
    painter.setPen(Qt::black);
    painter.drawText(rect(), Qt::AlignCenter, QString::fromLatin1(kOutdatedText));
    return;
  }
  const qreal ratio = devicePixelRatioF();
  if (cache_.isNull() || cache_.devicePixelRatio() != ratio ||
      cache_.deviceIndependentSize() != QSizeF(size())) {
    cache_ = QPixmap(size() * ratio);
    cache_.setDevicePixelRatio(ratio);
    QPainter picture(&cache_);
    PaintDiagrams(picture, *snapshot_, layout_, font(), extras_);
  }
  painter.drawPixmap(0, 0, cache_);
  if (node_ >= 0) PaintMarker(painter, *snapshot_, layout_, node_, element_);
}

void DiagramView::resizeEvent(QResizeEvent*) {
  relayout();
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
