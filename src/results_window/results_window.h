#pragma once
// The results window: a separate, resizable window beside the main window with the diagrams of
// w, Q, M and the soil pressure p, a readout of the values under the mouse, the node and element
// tables (copied as tab-separated text, exported as CSV) and the picture's export as PNG or SVG.
// It shows a copy of the last calculated results; once they no longer match the problem it says
// so and shows no numbers until the next Calculate.

#include <QMainWindow>
#include <memory>

#include "results_window/results_diagrams.h"

class QAction;
class QLabel;
class QTabWidget;
class QTableView;

namespace pelvar {

class DiagramView;
class Dialogs;
class ResultsTableModel;

class ResultsWindow : public QMainWindow {
  Q_OBJECT
 public:
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
