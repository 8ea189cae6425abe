#pragma once
// The diagrams of the results window at the widget's size, kept as a picture at the screen's
// scale, with the marker under the mouse drawn over it. Where the widget is too small for the
// diagrams in its font, they are drawn in a smaller one, down to a least size that stays
// readable; the widget asks for the least height at which that font still holds them.

#include <QPixmap>
#include <QWidget>
#include <memory>

#include "drawings/results_diagrams.h"

namespace pelvar {

class DiagramView : public QWidget {
  Q_OBJECT
 public:
  // Shown in place of results that no longer match the problem.
  static const char kOutdatedText[];

  explicit DiagramView(QWidget* parent = nullptr);

  // The results drawn; none shows the notice that the results no longer match the problem.
  void setSnapshot(std::shared_ptr<const ResultsSnapshot> snapshot);
  // No results, and a notice of why in their place.
  void showNotice(const QString& text);
  // Drawn over every panel after its own curve, inside the panels' axes; none draws nothing
  // more.
  void setOverlay(PanelOverlay overlay);
  const PanelOverlay& overlay() const { return extras_.overlay; }
  const DiagramLayout& layout() const { return layout_; }
  // The font the diagrams are drawn in at the widget's present size.
  const QFont& drawingFont() const { return drawingFont_; }
  // The least height that holds the diagrams of the results shown (in the least font) and the
  // notice shown in their place.
  QSize minimumSizeHint() const override;
  // The node nearest to the mouse and the element under it; -1 while the mouse is elsewhere.
  int markedNode() const { return node_; }
  int markedElement() const { return element_; }

 signals:
  void markerMoved(int node, int element);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void setMarker(int node, int element);
  // The layout, and the picture to be drawn anew, at the widget's size in the largest font, down
  // to the least, that holds it.
  void layOut();
  // The least height that holds the diagrams at the present width.
  void updateLeastHeight();

  std::shared_ptr<const ResultsSnapshot> snapshot_;
  QString notice_;        // shown without results
  DiagramExtras extras_;  // the overlay; the screen has no heading
  DiagramLayout layout_;
  QFont drawingFont_;
  int leastHeight_ = 0;
  QPixmap cache_;  // the diagrams without marker; null when they must be drawn anew
  int node_ = -1;
  int element_ = -1;
};

}  // namespace pelvar
