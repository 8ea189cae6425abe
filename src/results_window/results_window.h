#pragma once
// The results window: a separate, resizable window beside the main window with the diagrams of
// w, Q, M and the soil pressure p, a readout of the values under the mouse, the node and element
// tables (copied as tab-separated text, exported as CSV) and the picture's export as PNG or SVG.
// It shows a copy of the last calculated results; once they no longer match the problem it says
// so and shows no numbers until the next Calculate.
//
// Where the problem has load cases, its Show box chooses what the window shows: a case on its
// own, a combination, or the envelope of every state. Each is calculated when first chosen and
// kept until the problem changes; the choice itself stays through a new Calculate wherever the
// problem still has it, and the main window's picture shows the same.

#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <memory>
#include <string>
#include <vector>

#include "drawings/results_diagrams.h"
#include "plot/picture_size.h"

class QAction;
class QComboBox;
class QLabel;
class QTabWidget;
class QTableView;

namespace pelvar {

struct AnalysisWorkspace;
class DiagramView;
class Dialogs;
class ResultsTableModel;

// Where a window of the wanted size (frame included) goes beside another window's frame, in the
// room a screen has: to its right where it fits there, else to its left; where it fits on
// neither side, beside it on the side with more room, narrowed (not below leastWidth) to that
// room; where even that fails, leastWidth wide over the side with more room against the
// screen's edge, so that it covers no more of the other than it must. Never larger than the room,
// and at the other's height as far as the room allows. Returns the frame's rectangle.
QRect PlaceBeside(const QRect& other, QSize wanted, int leastWidth, const QRect& room);

class ResultsWindow : public QMainWindow {
  Q_OBJECT
 public:
  // A case, a combination or the envelope is calculated in work, which the main window's
  // calculations share.
  ResultsWindow(Dialogs& dialogs, AnalysisWorkspace& work, QWidget* parent = nullptr);
  ~ResultsWindow() override;

  // Shows a copy of the calculated results of data (resultsAvailable must be set): those of its
  // first case, or of the case, combination or envelope chosen in the Show box.
  void showResults(const ProblemData& data);
  // The results shown no longer match the problem: say so and show no numbers.
  void showOutdated();
  bool hasResults() const { return snapshot_ != nullptr; }
  // The results shown; none while there are none.
  std::shared_ptr<const ResultsSnapshot> shownResults() const { return snapshot_; }
  // Puts the window beside another, as PlaceBeside says, on the other's screen.
  void placeBeside(const QWidget* other);
  // The data file the main window works on (the one it last opened or saved, as the system's
  // bytes; empty for none): no export may replace it.
  void setDataFile(const std::string& path) { dataFile_ = path; }
  // The title names the problem the main window holds, whether or not these are its results.
  void showProblemName(const QString& name);
  // The main window's accuracy warning: while this window covers it (a screen too small for the
  // two side by side), the warning of the results shown stands here too.
  void setWarningBeneath(const QWidget* label);

  // What is shown: each case by its name, each combination by its name, and "Envelope"; there
  // only where the problem has load cases.
  QWidget* showRow = nullptr;
  QComboBox* showBox = nullptr;
  DiagramView* diagrams = nullptr;
  QLabel* readout = nullptr;
  QLabel* equilibrium = nullptr;  // the balance of the vertical forces
  QLabel* accuracy = nullptr;     // how close the results come to the exact continuous beam
  QLabel* warning = nullptr;      // the accuracy warning of the window beneath, where covered
  QTabWidget* tables = nullptr;
  QTableView* nodeTable = nullptr;
  QTableView* elementTable = nullptr;
  // What the supports give the beam; its tab is there only for a beam with supports.
  QTableView* supportTable = nullptr;
  QAction* exportPictureAction = nullptr;
  QAction* exportCsvAction = nullptr;
  QAction* copyAction = nullptr;
  QAction* exactBeamAction = nullptr;  // draws the exact continuous beam over the diagrams
  QAction* closeAction = nullptr;

 public slots:
  void copySelection();
  void exportCsv();
  void exportPicture();
  void showExactBeam(bool shown);

 signals:
  // The user chose other results in the Show box.
  void shownChanged();

 protected:
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // The Show box's entries for the problem, keeping the one chosen where it still has it.
  void fillShowBox();
  // Shows the Show box's entry at index, calculated when first chosen.
  void showChoice(int index);
  // The results of the entry at index; none, with its message shown, where they cannot be
  // calculated.
  std::shared_ptr<const ResultsSnapshot> calculateChoice(int index);
  // Shows the results of a snapshot in every part of the window.
  void present(std::shared_ptr<const ResultsSnapshot> snapshot);
  void showReadout(int node, int element);
  void showEnvelopeReadout(int node, int element);
  // Shows the accuracy warning while this window covers the one beneath.
  void showCoveredWarning();
  QTableView* currentTable() const;

  Dialogs& dialogs_;
  AnalysisWorkspace& work_;
  // The problem as last calculated, with its first case's results; none while outdated.
  std::unique_ptr<ProblemData> problem_;
  std::unique_ptr<ProblemData> scratch_;  // where a state is calculated
  // The results of each entry of the Show box once calculated, by its index.
  std::vector<std::shared_ptr<const ResultsSnapshot>> calculated_;
  std::shared_ptr<const ResultsSnapshot> snapshot_;
  ResultsTableModel* nodeModel_ = nullptr;
  ResultsTableModel* elementModel_ = nullptr;
  ResultsTableModel* supportModel_ = nullptr;
  QString folder_;                                                  // where the last export went
  QSize pictureSize_{kDefaultPictureWidth, kDefaultPictureHeight};  // of the last picture
  std::string dataFile_;
  QPointer<const QWidget> warningBeneath_;
};

}  // namespace pelvar
