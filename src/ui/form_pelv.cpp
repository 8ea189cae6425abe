#include "ui/form_pelv.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QSignalBlocker>
#include <QtMath>
#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "desktop/chosen_path.h"
#include "desktop/output_choice.h"
#include "desktop/path_parts.h"
#include "desktop/wait_cursor.h"
#include "drawings/results_picture.h"
#include "files/paths_and_messages.h"
#include "files/problem_file.h"
#include "files/state_names.h"
#include "load_cases_window/load_cases_window.h"
#include "model/input_rules.h"
#include "qt_text/text_edge.h"
#include "report/qt_page_surface.h"
#include "report/report.h"
#include "report/report_pdf.h"
#include "results_window/results_window.h"
#include "text/cp1252.h"
#include "ui/client_area.h"
#include "ui/help_texts.h"
#include "ui/input_table_models.h"
#include "ui/string_grid.h"

namespace pelvar {
namespace {

// Enter: the next row, or from the last row back to the first value row. The move commits the
// cell left.
void MoveToNextRow(StringGrid* grid) {
  const int row = grid->currentRow();
  if (row < 0) return;
  grid->setCurrentCell(row < grid->rowCount() - 1 ? row + 1 : grid->fixedRows(),
                       grid->currentColumn());
  grid->openEditor();
}

// Entering a table starts at its first value cell: the column first, then the row. Each move
// commits the cell tracked at that moment; a move to where the cell already is does nothing.
void MoveToFirstValueCell(StringGrid* grid) {
  const int col = grid->fixedCols();
  const int row = grid->fixedRows();
  if (grid->currentRow() < 0) {
    grid->setCurrentCell(row, col);
    return;
  }
  if (grid->currentColumn() != col) grid->setCurrentCell(grid->currentRow(), col);
  if (grid->currentRow() != row) grid->setCurrentCell(row, col);
}

}  // namespace

// ---- window events -------------------------------------------------------------------------

void TFormPelv::FormCreate() {
  // New drops whatever is typed and not yet committed, so nothing left in a cell is committed
  // over the defaults.
  dropTypedText();

  QString folder = QDir::currentPath();
  if (folder.isEmpty()) folder = QDir::homePath();
  OpenDialog1.initialFolder = SaveDialog1.initialFolder = QDir::toNativeSeparators(folder);

  resetClientSize();
  ResetToDefaults(data_);
  showOptions();
  dropResults();
  placeToolBarItems();
  rememberFile(std::string());  // no data file is worked on
  OpenDialog1.fileName = SaveDialog1.fileName = proposedFileName();

  layOutGeneralGrid();
  fitResultsImageToScreen();

  FillGeneralGrid();
  MainGrid->setCurrentCell(1, 1);
  MainGrid->trackCell(1, 1);

  BuildSectionsGrid();
  SoilGrid->trackCell(1, 2);
  SoilGrid->setCurrentCell(2, 1);

  BuildForcesGrid();
  if (loadCasesWindow_ != nullptr) loadCasesWindow_->reload();
  // Nothing of another problem can be undone into this one.
  history_.clear();
  editHistoryChanged();
}

void TFormPelv::FormActivate() {
  // The picture and the tables never stand together: an activation keeps whichever shows. The
  // cell editor of the table that has the focus is shown again.
  MainGrid->openEditor();
  SoilGrid->openEditor();
  ForcesGrid->openEditor();
}

void TFormPelv::FormMouseMove() { showInput(); }

void TFormPelv::FormKeyPress(int key) {
  switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
      return;  // only the start of a shortcut
    default:
      FormMouseMove();
  }
}

void TFormPelv::keyPressEvent(QKeyEvent* event) {
  // Keys reach the window when nothing else takes them, as on its own surface after Calculate.
  const bool picture = focusBeforePicture_ != nullptr && focusWidget() == clientArea_;
  FormKeyPress(event->key());
  // A character typed on the picture goes on into the cell that has the focus again, as if the
  // picture had not been there: typing a value needs no key to put the picture away first.
  QWidget* cell = QApplication::focusWidget();
  const QString text = event->text();
  if (picture && cell != nullptr && cell != clientArea_ && !text.isEmpty() &&
      text.at(0).isPrint()) {
    QKeyEvent typed(event->type(), event->key(), event->modifiers(), text);
    QApplication::sendEvent(cell, &typed);
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void TFormPelv::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

// ---- commands --------------------------------------------------------------------------------

void TFormPelv::SpeedButtonOpenClick() {
  // Text typed and not committed belongs to the problem being replaced.
  OpenDialog1.fileName = proposedFileName();
  const std::optional<QString> chosen = dialogs_.openFile(this, OpenDialog1);
  if (!chosen) {
    dialogs_.message(this, QStringLiteral("Unable to load datafile"));
    return;
  }
  OpenProblemFile(PathFromDialog(WithDefaultExtension(*chosen, OpenDialog1.defaultSuffix)));
}

void TFormPelv::OpenProblemFile(const std::string& path) {
  // The reader leaves the problem exactly as it was when it refuses the file.
  // Regular files only: a pipe or a device could keep the window waiting for ever.
  const FileResult read = ReadProblemFile(data_, path, InputKinds::RegularFilesOnly);
  if (!read.ok) {
    dialogs_.error(this, ReadableText(read.message));
    return;
  }

  showOptions();
  dropResults();
  rememberFile(path);
  OpenDialog1.fileName = SaveDialog1.fileName = proposedFileName();
  ReloadGrids();
  history_.clear();
  editHistoryChanged();
  showInput();
}

void TFormPelv::SpeedButtonNewClick() { FormCreate(); }

void TFormPelv::SpeedButtonSaveClick() {
  commitFocusedTable();
  SaveDialog1.fileName = proposedFileName();
  // An existing file other than the one worked on is replaced only once the user says so.
  const std::optional<std::string> chosen =
      ChooseSaveFile(dialogs_, this, SaveDialog1, filePath_, DataFileRule::Replaces);
  if (!chosen) {
    dialogs_.message(this, QStringLiteral("Datafile not saved."));
    return;
  }
  const std::string& path = *chosen;

  // The file carries the new name; should it not be written, the window keeps the old one and
  // nothing else has changed yet.
  const ShortText oldName = data_.fileName;
  // Longer names keep their first 59 bytes, and none keeps a comma, where the file ends it.
  data_.fileName.Set(NameAsFileKeepsIt(FileNameToCp1252(NameOfPath(path))));
  const FileResult written = WriteProblemFile(data_, path);
  if (!written.ok) {
    data_.fileName = oldName;
    dialogs_.error(this, ReadableText(written.message));
    return;
  }

  QString folder = FolderPart(DialogPath(path));
  if (folder.isEmpty() && path.starts_with('/')) folder = QStringLiteral("/");
  SaveDialog1.initialFolder = QDir::toNativeSeparators(folder);
  rememberFile(path);
  OpenDialog1.fileName = SaveDialog1.fileName = proposedFileName();
  // An editor open on the cell takes the new text with it.
  MainGrid->tableModel()->showStoredValue(static_cast<int>(GeneralRow::FileName), 1);
}

void TFormPelv::SpeedButtonPrintClick() {
  commitFocusedTable();
  QPrinter printer(QPrinter::HighResolution);
  // Printed into a file, the report replaces another file only once the user says so, and never
  // the data file worked on; either way the print dialog comes back.
  bool intoFile = false;
  const std::optional<std::string> file = ChooseOutputFile(
      dialogs_, this, filePath_, DataFileRule::Keeps, [&]() -> std::optional<std::string> {
        // Shown again, the dialog proposes the file chosen in it last.
        const QString proposal =
            printer.outputFileName().isEmpty() ? proposedReportFile() : printer.outputFileName();
        if (!dialogs_.print(this, printer, proposal)) return std::nullopt;
        intoFile = printer.outputFormat() == QPrinter::PdfFormat;
        return intoFile ? PathFromDialog(printer.outputFileName()) : std::string();
      });
  if (!file) return;
  if (intoFile) {
    // Through the safe writer, as pelvar-batch --report writes, so that a failure (a full disk)
    // keeps an earlier file as it was and says why.
    FileResult written;
    {
      const WaitCursor waiting;  // the report calculates the envelope of the load cases
      written = WriteReportPdf(data_, *file, printer.pageLayout(), printer.resolution());
    }
    if (!written.ok) dialogs_.error(this, ReadableText(written.message));
    return;
  }
  QtPageSurface surface(printer);
  FileResult printed;
  {
    const WaitCursor waiting;
    printed = PrintReport(surface, data_);
  }
  if (!printed.ok) {
    dialogs_.error(this, QString::fromStdString(printed.message));
  }
}

void TFormPelv::SpeedButtonCalcClick() {
  commitFocusedTable();
  const QSize client = clientSize();
  const PictureGeometry geometry = ComputePictureGeometry(client.width(), client.height());
  const CalculationOutcome outcome = RunCalculation(data_, *workspace_);
  switch (outcome.status) {
    case CalculationStatus::Success:
      break;
    case CalculationStatus::Singular:
      dialogs_.messageAt(this, QString::fromStdString(outcome.message),
                         QPoint(geometry.messageX, geometry.messageY));
      return;
    case CalculationStatus::Fault:
      // What the run cannot compute is an error of the input, shown as the general error
      // handler shows a fault; nothing is drawn.
      dialogs_.error(this, QString::fromStdString(outcome.message));
      return;
  }

  // The results window first: the picture shows what it shows.
  resultsChanged();
  showResultsPicture();
}

void TFormPelv::showResultsPicture() {
  // The results the results window shows, the first case's until it is first opened; none where
  // its choice could not be calculated, which it has said.
  const std::shared_ptr<const ResultsSnapshot> shown =
      resultsWindow_ != nullptr ? resultsWindow_->shownResults() : nullptr;
  if (!data_.resultsAvailable) return;
  if (resultsWindow_ != nullptr && shown == nullptr) {
    // No picture of other results stands for them.
    if (clientArea_->showsPicture()) showInput();
    return;
  }
  const QSize client = clientSize();
  const PictureGeometry geometry = ComputePictureGeometry(client.width(), client.height());
  // The picture is drawn in the window's pixels at the ratio of the screen the window is on; a
  // window larger than the screen, or one moved to a finer screen, still gets its whole picture.
  const QSize needed(geometry.drawWidth, geometry.drawHeight);
  const qreal ratio = devicePixelRatioF();
  const QSize neededPixels(qCeil(needed.width() * ratio), qCeil(needed.height() * ratio));
  if (ImageResults.devicePixelRatio() != ratio || ImageResults.width() < neededPixels.width() ||
      ImageResults.height() < neededPixels.height()) {
    const QSize pixels = ImageResults.devicePixelRatio() == ratio
                             ? ImageResults.size().expandedTo(neededPixels)
                             : neededPixels;
    ImageResults = QImage(pixels, QImage::Format_RGB32);
    ImageResults.setDevicePixelRatio(ratio);
    ImageResults.fill(Qt::white);
  }
  // A picture that stands already is drawn anew where it is: the input stays hidden, and the
  // table that had the focus before it gets it back when it goes.
  const bool standing = clientArea_->showsPicture();
  clientArea_->releasePicture();
  {
    QPainter painter(&ImageResults);
    if (shown != nullptr) {
      const ShownPicture what{shown->shown.toStdString(), shown->envelope.get()};
      DrawResults(painter, *shown->data, shown->summary, geometry.drawWidth, geometry.drawHeight,
                  nullptr, what);
    } else {
      // Named as the results window would name it, where the problem has load cases.
      const ShownPicture what{
          HasLoadCases(data_) ? StateTitle(data_, CaseAloneState(0)).toStdString() : std::string()};
      DrawResults(painter, data_, FindExtremes(data_), geometry.drawWidth, geometry.drawHeight,
                  nullptr, what);
    }
  }
  if (!standing) hideInput();
  clientArea_->copyPicture(ImageResults, QRect(QPoint(0, 0), needed),
                           QPoint(geometry.marginX, geometry.marginY));
}

void TFormPelv::hideInput() {
  // The focus goes to the window's own surface first: left to the toolkit it would move from
  // one table about to be hidden to the next. The table that had it gets it back with the
  // input.
  focusBeforePicture_ = nullptr;
  for (StringGrid* grid : {MainGrid, SoilGrid, ForcesGrid}) {
    if (grid->holdsWindowFocus()) focusBeforePicture_ = grid;
  }
  if (focusBeforePicture_ != nullptr) clientArea_->setFocus(Qt::OtherFocusReason);
  for (QWidget* control : inputControls()) control->hide();
}

void TFormPelv::showInput() {
  if (clientArea_->showsPicture()) clientArea_->eraseAll();
  for (QWidget* control : inputControls()) control->show();
  // Back to the cell that had the focus before the picture, without entering the table anew.
  if (focusBeforePicture_ != nullptr && focusWidget() == clientArea_) {
    focusBeforePicture_->setFocus(Qt::OtherFocusReason);
  }
  focusBeforePicture_ = nullptr;
}

void TFormPelv::commitFocusedTable() {
  for (StringGrid* grid : {MainGrid, SoilGrid, ForcesGrid}) {
    if (grid->holdsWindowFocus()) {
      grid->writeEditorText();
      grid->commitTrackedCell();
    }
  }
  // A command of this window works on what the load cases window holds too.
  if (loadCasesWindow_ != nullptr) loadCasesWindow_->commitFocusedTable();
}

void TFormPelv::dropTypedText() {
  for (StringGrid* grid : {MainGrid, SoilGrid, ForcesGrid}) {
    grid->discardEditor();
    grid->tableModel()->dropTypedText();
  }
}

void TFormPelv::dropResults() {
  data_.resultsAvailable = false;
  if (clientArea_->showsPicture()) showInput();
  resultsChanged();
}

QString TFormPelv::proposedFileName() const {
  if (!filePath_.empty() && data_.fileName == filePathName_) return NamePart(DialogPath(filePath_));
  // A stored or typed name may hold folders ("../notes/todo.txt"), which would steer the dialog
  // elsewhere: only its name part is proposed.
  const QString name = NamePart(QStringFromCp1252(data_.fileName.View()));
  return name == QLatin1String(".") || name == QLatin1String("..") ? QString() : name;
}

QString TFormPelv::proposedReportFile() const {
  QString folder = SaveDialog1.initialFolder;
  QString name = proposedFileName();
  if (!filePath_.empty()) {
    const QString path = DialogPath(filePath_);
    folder = FolderPart(path);
    name = NamePart(path);
    if (folder.isEmpty() && path.startsWith(QLatin1Char('/'))) folder = QStringLiteral("/");
  }
  QString base = WithoutExtension(name, QStringLiteral("plv"));
  if (base.isEmpty()) base = QStringLiteral("report");
  // A folder given relative to the working folder, as a command line may give it, is made full:
  // the print dialog would take it from the home folder.
  return QDir::toNativeSeparators(QDir(folder).absoluteFilePath(base + QStringLiteral(".pdf")));
}

void TFormPelv::rememberFile(const std::string& path) {
  filePath_ = path;
  filePathName_.Set(NameAsFileKeepsIt(FileNameToCp1252(NameOfPath(path))));
  // No export of the results window may replace it.
  if (resultsWindow_ != nullptr) resultsWindow_->setDataFile(filePath_);
}

void TFormPelv::SpeedButtonNoTensionClick() {
  const bool on = NoTension1->isChecked();
  if (on == data_.noTension) return;
  data_.noTension = on;
  // Another foundation is another problem: its results are not these.
  dropResults();
}

void TFormPelv::showOptions() {
  const QSignalBlocker quiet(NoTension1);
  NoTension1->setChecked(data_.noTension);
}

void TFormPelv::SpeedButtonHelpClick() { dialogs_.message(this, AboutText()); }
void TFormPelv::GeneralHelpClick() { dialogs_.message(this, GeneralDataHelpText()); }
void TFormPelv::SectionsHelpClick() { dialogs_.message(this, SectionsHelpText()); }
void TFormPelv::StepsHelpClick() { dialogs_.message(this, ForcesHelpText()); }

void TFormPelv::Open1Click() { SpeedButtonOpenClick(); }
void TFormPelv::New1Click() { SpeedButtonNewClick(); }
void TFormPelv::Save1Click() { SpeedButtonSaveClick(); }
void TFormPelv::Print1Click() { SpeedButtonPrintClick(); }
void TFormPelv::Help1Click() { SpeedButtonHelpClick(); }

void TFormPelv::Results1Click() {
  if (!data_.resultsAvailable) return;
  if (resultsWindow_ == nullptr) {
    resultsWindow_ = new ResultsWindow(dialogs_, *workspace_, this);
    // The picture, where it stands, shows what the user chose there.
    connect(resultsWindow_, &ResultsWindow::shownChanged, this, [this] {
      if (clientArea_->showsPicture()) showResultsPicture();
    });
    resultsWindow_->setDataFile(filePath_);
    resultsWindow_->setWarningBeneath(LabelAccuracy);
    resultsWindow_->showResults(data_);
    resultsWindow_->placeBeside(this);
  }
  resultsWindow_->show();
  resultsWindow_->raise();
  resultsWindow_->activateWindow();
}

void TFormPelv::LoadCases1Click() {
  commitFocusedTable();
  if (loadCasesWindow_ == nullptr) {
    loadCasesWindow_ = new LoadCasesWindow(data_, history_, dialogs_, this);
    // Its changes are the problem's: results no longer hold, and one history holds them all.
    connect(loadCasesWindow_, &LoadCasesWindow::problemChanged, this, [this] {
      if (data_.resultsAvailable) dropResults();
    });
    connect(loadCasesWindow_, &LoadCasesWindow::historyChanged, this,
            &TFormPelv::editHistoryChanged);
    connect(loadCasesWindow_, &LoadCasesWindow::undoRequested, this, &TFormPelv::Undo1Click);
    connect(loadCasesWindow_, &LoadCasesWindow::redoRequested, this, &TFormPelv::Redo1Click);
    // The first case's loads are the tables': the window shows what they hold.
    for (StringGrid* grid : {MainGrid, SoilGrid, ForcesGrid}) {
      connect(grid->tableModel(), &InputTableModel::committed, loadCasesWindow_,
              [this](const QModelIndex&, bool changed) {
                if (changed) loadCasesWindow_->showProblem();
              });
    }
    editHistoryChanged();
    loadCasesWindow_->placeOver(this);
  }
  loadCasesWindow_->show();
  loadCasesWindow_->raise();
  loadCasesWindow_->activateWindow();
}

void TFormPelv::showAccuracyWarning() {
  const std::optional<std::string> warning =
      data_.resultsAvailable ? AccuracyWarning(data_) : std::nullopt;
  LabelAccuracy->setVisible(warning.has_value());
  if (!warning) return;
  // Cut to the tool bar's width; the whole text stands in the tool tip.
  const QString text = QString::fromStdString(*warning);
  LabelAccuracy->setToolTip(text);
  LabelAccuracy->setText(
      LabelAccuracy->fontMetrics().elidedText(text, Qt::ElideRight, LabelAccuracy->width()));
}

void TFormPelv::resultsChanged() {
  Results1->setEnabled(data_.resultsAvailable);
  showAccuracyWarning();
  if (resultsWindow_ == nullptr) return;
  if (data_.resultsAvailable) {
    resultsWindow_->showResults(data_);
  } else if (resultsWindow_->hasResults()) {
    resultsWindow_->showOutdated();
  }
  resultsWindow_->showProblemName(QStringFromCp1252(data_.problemName.View()));
}

void TFormPelv::Quit1Click() {
  // Nothing is asked and nothing is saved.
  QCoreApplication::quit();
}

// ---- general data table ----------------------------------------------------------------------

int TFormPelv::mainGridTrackedRow() const { return MainGrid->trackedCell().y(); }
QPoint TFormPelv::soilGridTrackedCell() const { return SoilGrid->trackedCell(); }
QPoint TFormPelv::forcesGridTrackedCell() const { return ForcesGrid->trackedCell(); }

void TFormPelv::FillGeneralGrid() {
  MainGrid->discardEditor();
  MainGrid->tableModel()->rebuild();
  MainGrid->openEditor();
}

void TFormPelv::MainGridSelectCell(int col, int row) {
  MainGrid->commitTrackedCell();
  MainGrid->trackCell(col, row);
  MainGrid->openEditor();
}

void TFormPelv::generalDataCommitted(const QModelIndex& cell, bool changed) {
  switch (static_cast<GeneralRow>(cell.row())) {
    case GeneralRow::FileName:
      OpenDialog1.fileName = SaveDialog1.fileName = proposedFileName();
      break;
    case GeneralRow::SectionCount:
      if (changed) {
        BuildSectionsGrid();
        BuildForcesGrid();
      }
      break;
    case GeneralRow::StiffnessEI:
    case GeneralRow::BeamWidth:
      // The sections without their own show the new value.
      if (changed) {
        SoilGrid->tableModel()->showStoredColumn(
            static_cast<int>(static_cast<GeneralRow>(cell.row()) == GeneralRow::StiffnessEI
                                 ? SectionColumn::StiffnessEI
                                 : SectionColumn::Width));
      }
      break;
    default:
      break;
  }
  if (changed) dropResults();
}

void TFormPelv::MainGridKeyPress(int key) {
  if (key == '\r') MoveToNextRow(MainGrid);
}

// ---- sections and forces tables -------------------------------------------------------------

void TFormPelv::moveCurrentCellInto(StringGrid* grid, int rowCount) {
  // A current cell below the new last row moves to that row first, which commits like any
  // other move.
  if (grid->currentRow() >= rowCount) grid->setCurrentCell(rowCount - 1, grid->currentColumn());
}

void TFormPelv::BuildSectionsGrid() {
  SoilGrid->discardEditor();
  AssertCountsWithinLimits(data_);
  moveCurrentCellInto(SoilGrid, data_.sectionCount + 2);
  SoilGrid->tableModel()->rebuild();
  layOutSectionsGrid();
  SoilGrid->openEditor();
}

void TFormPelv::BuildForcesGrid() {
  ForcesGrid->discardEditor();
  AssertCountsWithinLimits(data_);
  moveCurrentCellInto(ForcesGrid, data_.sectionCount + 3);
  ForcesGrid->tableModel()->rebuild();
  layOutForcesGrid();
  ForcesGrid->openEditor();
}

void TFormPelv::ReloadGrids() {
  dropTypedText();
  FillGeneralGrid();
  BuildSectionsGrid();
  BuildForcesGrid();
  if (loadCasesWindow_ != nullptr) loadCasesWindow_->reload();
}

void TFormPelv::sectionCommitted(const QModelIndex& /*cell*/, bool changed) {
  if (!changed) return;
  dropResults();
  // The forces table shows the positions that follow from the lengths just stored.
  ForcesGrid->tableModel()->showStoredColumn(static_cast<int>(PointColumn::X));
}

void TFormPelv::forceCommitted(const QModelIndex& /*cell*/, bool changed) {
  if (!changed) return;
  dropResults();
  // A support's kind decides which of its row's cells take input, the current one included.
  if (ForcesGrid->isEditable(ForcesGrid->currentColumn(), ForcesGrid->currentRow())) {
    ForcesGrid->openEditor();
  } else {
    ForcesGrid->discardEditor();
  }
}

void TFormPelv::SoilGridSelectCell(int col, int row) {
  SoilGrid->commitTrackedCell();
  SoilGrid->trackCell(col, row);
  SoilGrid->openEditor();
}

void TFormPelv::ForcesGridSelectCell(int col, int row) {
  ForcesGrid->commitTrackedCell();
  ForcesGrid->trackCell(col, row);
  ForcesGrid->openEditor();
}

void TFormPelv::MainGridExit() { MainGrid->commitTrackedCell(); }
void TFormPelv::SoilGridExit() { SoilGrid->commitTrackedCell(); }
void TFormPelv::ForcesGridExit() { ForcesGrid->commitTrackedCell(); }

void TFormPelv::SoilGridEnter() {
  SoilGrid->trackCell(1, 2);
  MoveToFirstValueCell(SoilGrid);
}

void TFormPelv::ForcesGridEnter() {
  ForcesGrid->trackCell(2, 2);
  MoveToFirstValueCell(ForcesGrid);
}

void TFormPelv::moveToTable(StringGrid* from, bool backward, bool atEdge) {
  const std::array<StringGrid*, 3> order{MainGrid, SoilGrid, ForcesGrid};
  const auto at = std::find(order.begin(), order.end(), from) - order.begin();
  StringGrid* to = order[static_cast<std::size_t>((at + (backward ? 2 : 1)) % 3)];
  // The focus leaves first, which commits what was typed in the table left (a new number of
  // sections rebuilds the other tables); then the table entered moves to its cell as a move
  // within it would, and takes the focus there.
  clientArea_->setFocus(Qt::TabFocusReason);
  to->moveToCell(to->entryCell(backward, atEdge));
  to->setFocus(backward ? Qt::BacktabFocusReason : Qt::TabFocusReason);
}

void TFormPelv::SoilGridKeyPress(int key) {
  if (key == '\r') MoveToNextRow(SoilGrid);
}

void TFormPelv::ForcesGridKeyPress(int key) {
  if (key == '\r') MoveToNextRow(ForcesGrid);
}

}  // namespace pelvar
