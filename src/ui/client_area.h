#pragma once
// The client area of the main window: the surface the controls stand on and the results picture
// is copied onto. It reports its resizes and the mouse moving over its own surface, and keeps a
// copied picture only until the next repaint of the whole area.

#include <QImage>
#include <QWidget>
#include <functional>

namespace pelvar {

class ClientArea : public QWidget {
 public:
  explicit ClientArea(QWidget* parent);

  std::function<void()> onResize;
  std::function<void()> onMouseMove;

  // Copies the rectangle source of the image onto the client area with its top-left corner at
  // target, both in the area's own (logical) pixels; an image drawn at a device pixel ratio
  // above 1 gives its finer pixels. It stays until eraseAll.
  void copyPicture(const QImage& image, const QRect& source, QPoint target);
  bool showsPicture() const { return !picture_.isNull(); }
  // Lets go of the copied picture without repainting, just before its image is drawn anew: an
  // image still shared with this area would be copied whole by the painter.
  void releasePicture() { picture_ = QImage(); }
  // Repaints the whole area at once, which erases a copied picture.
  void eraseAll();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  QImage picture_;
  QRect pictureSource_;
  QPoint pictureTarget_;
};

}  // namespace pelvar
