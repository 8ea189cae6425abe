#pragma once
// The diagrams of the results window at the widget's size, kept as a picture at the screen's
// scale, with the marker under the mouse drawn over it.

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
  // Drawn over every panel after its own curve, inside the panels' axes; none draws nothing
  // more.
  void setOverlay(PanelOverlay overlay);
  const PanelOverlay& overlay() const { return extras_.overlay; }
  const DiagramLayout& layout() const { return layout_; }
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
  // The layout for the widget's size, the picture to be drawn anew.
  void relayout();

  std::shared_ptr<const ResultsSnapshot> snapshot_;
  DiagramExtras extras_;  // the overlay; the screen has no heading
  DiagramLayout layout_;
  QPixmap cache_;  // the diagrams without marker; null when they must be drawn anew
  int node_ = -1;
  int element_ = -1;
};

}  // namespace pelvar
