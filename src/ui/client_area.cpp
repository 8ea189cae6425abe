#include "ui/client_area.h"

#include <QMouseEvent>
#include <QPainter>

namespace pelvar {

ClientArea::ClientArea(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAutoFillBackground(true);
}

void ClientArea::copyPicture(const QImage& image, const QRect& source, QPoint target) {
  picture_ = image;  // shared, not copied
  pictureSource_ = source;
  pictureTarget_ = target;
  update(QRect(target, source.size()));
}

void ClientArea::eraseAll() {
  picture_ = QImage();
  repaint();
}

void ClientArea::paintEvent(QPaintEvent* /*event*/) {
  if (picture_.isNull()) return;
  QPainter painter(this);
  const qreal ratio = picture_.devicePixelRatio();
  const QRectF source(pictureSource_.x() * ratio, pictureSource_.y() * ratio,
                      pictureSource_.width() * ratio, pictureSource_.height() * ratio);
  painter.drawImage(QRectF(pictureTarget_, pictureSource_.size()), picture_, source);
}

void ClientArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (onResize) onResize();
}

void ClientArea::mouseMoveEvent(QMouseEvent* event) {
  // Moves over a child control reach this surface when the child passes them on; only the
  // window's own surface counts.
  if (childAt(event->position().toPoint()) == nullptr && onMouseMove) onMouseMove();
  QWidget::mouseMoveEvent(event);
}

}  // namespace pelvar
