#pragma once
// The results window: a separate, resizable window beside the main window with the diagrams of
// w, Q, M and the soil pressure p, a readout of the values under the mouse, the node and element
// tables (copied as tab-separated text, exported as CSV) and the picture's export as PNG or SVG.
// It shows a copy of the last calculated results; once they no longer match the problem it says
// so and shows no numbers until the next Calculate.

#include <QMainWindow>
#include <QPixmap>
#include <QWidget>
#include <memory>

#include "ui/results_diagrams.h"

class QAction;
class QLabel;
class QTabWidget;
class QTableView;

namespace pelvar {

class Dialogs;
class ResultsTableModel;

// The diagrams at the widget's size, kept as a picture at the screen's scale, with the marker
// under the mouse drawn over it.
class DiagramView : public QWidget {
  Q_OBJECT
 public:
  explicit DiagramView(QWidget* parent = nullptr);

  void setSnapshot(std::shared_ptr<const ResultsSnapshot> snapshot);
  const DiagramLayout& layout() const { return layout_; }
  // The node nearest to the mouse and the element under it; -1 while the mouse is elsewhere.
  int markedNode() const { return node_; }
  int markedElement() const { return element_; }

  // The picture without marker at a given size, as the screen shows it.
  void paintPicture(QPainter& painter, const QSize& size) const;

 signals:
  void markerMoved(int node, int element);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void setMarker(int node, int element);

  std::shared_ptr<const ResultsSnapshot> snapshot_;
  DiagramLayout layout_;
  QPixmap cache_;  // the diagrams without marker; null when they must be drawn anew
  int node_ = -1;
  int element_ = -1;
};

class ResultsWindow : public QMainWindow {
  Q_OBJECT
 public:
  // The message shown in place of results that no longer match the problem.
  static const char kOutdatedText[];

  explicit ResultsWindow(Dialogs& dialogs, QWidget* parent = nullptr);
  ~ResultsWindow() override;

  // Shows a copy of the calculated results of data (resultsAvailable must be set).
  void showResults(const ProblemData& data);
  // The results shown no longer match the problem: say so and show no numbers.
  void showOutdated();
  bool hasResults() const { return snapshot_ != nullptr; }
  // Puts the window to the right of another where the screen has room for it there.
  void placeBeside(const QWidget* other);

  DiagramView* diagrams = nullptr;
  QLabel* readout = nullptr;
  QLabel* equilibrium = nullptr;  // the balance of the vertical forces
  QTabWidget* tables = nullptr;
  QTableView* nodeTable = nullptr;
  QTableView* elementTable = nullptr;
  QAction* exportPictureAction = nullptr;
  QAction* exportCsvAction = nullptr;
  QAction* copyAction = nullptr;
  QAction* closeAction = nullptr;

 public slots:
  void copySelection();
  void exportCsv();
  void exportPicture();

 private:
  void showReadout(int node, int element);
  QTableView* currentTable() const;

  Dialogs& dialogs_;
  std::shared_ptr<const ResultsSnapshot> snapshot_;
  ResultsTableModel* nodeModel_ = nullptr;
  ResultsTableModel* elementModel_ = nullptr;
  QString folder_;  // where the last export went
};

}  // namespace pelvar
