#include "load_cases_window/load_cases_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "desktop/colours.h"
#include "desktop/dialogs.h"
#include "load_cases_window/load_case_models.h"
#include "load_cases_window/load_cases_help.h"
#include "qt_text/text_edge.h"
#include "text/number_format.h"
#include "ui/glyphs.h"
#include "ui/string_grid.h"
#include "ui/table_clipboard.h"

namespace pelvar {
namespace {

constexpr int kRowHeight = 18;
constexpr int kNumberWidth = 50;
constexpr int kValueWidth = 90;
constexpr int kNameWidth = 150;
constexpr int kLabelWidth = 190;
constexpr int kCaptionHeight = 30;

bool IsCaseTable(InputTable table) {
  return table == InputTable::CaseSectionLoads || table == InputTable::CasePointLoads ||
         table == InputTable::LoadsAnywhere;
}

// The value columns of a list table's entry, which move up with it when an entry above goes.
std::vector<int> EntryColumns(InputTable table) {
  switch (table) {
    case InputTable::LoadsAnywhere:
      return {1, 2, 3};
    case InputTable::Axles:
      return {1, 2};
    case InputTable::Combinations: {
      std::vector<int> cols{1};
      for (int c = 0; c < kMaxLoadCases; ++c) cols.push_back(2 + c);
      return cols;
    }
    default:
      return {1};
  }
}

// The keys of Ctrl++ and Ctrl+- are still down when a row comes or goes, and a current cell
// moved with Ctrl held would add to the selection: only the current cell stays selected.
void SelectCurrentOnly(StringGrid* grid) {
  if (!grid->currentIndex().isValid()) return;
  grid->selectionModel()->select(grid->currentIndex(), QItemSelectionModel::ClearAndSelect);
}

// What the rows of a list table are, as a message names them.
QString EntriesName(InputTable table) {
  switch (table) {
    case InputTable::Cases:
      return QStringLiteral("cases");
    case InputTable::LoadsAnywhere:
      return QStringLiteral("loads anywhere in each case");
    case InputTable::Combinations:
      return QStringLiteral("combinations");
    case InputTable::Axles:
      return QStringLiteral("axles");
    default:
      return QStringLiteral("soil factors");
  }
}

QFont SansFont(int pixelSize, bool bold) {
  QFont font;
  font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

QToolButton* MakeButton(QWidget* parent, const QString& text, const QString& hint) {
  auto* button = new QToolButton(parent);
  // As the main window's tool buttons: the focus and the current cell stay where they are.
  button->setFocusPolicy(Qt::NoFocus);
  button->setText(text);
  button->setToolTip(hint);
  return button;
}

}  // namespace

LoadCasesWindow::LoadCasesWindow(ProblemData& data, EditHistory& history, Dialogs& dialogs,
                                 QWidget* parent)
    : QMainWindow(parent), data_(data), history_(history), dialogs_(dialogs) {
  setWindowFlag(Qt::Window);
  setWindowTitle(QStringLiteral("Pelvar - Load cases"));
  setWindowIcon(WindowIcon());
  setFont(SansFont(11, false));
  buildMenu();
  buildPages();
  reload();
  // The window opens with the names of the cases, where a newcomer starts.
  CasesGrid->setFocus(Qt::OtherFocusReason);
}

LoadCasesWindow::~LoadCasesWindow() = default;

void LoadCasesWindow::buildMenu() {
  QMenuBar* bar = menuBar();
  bar->setNativeMenuBar(false);
  QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
  Undo1 = edit->addAction(QStringLiteral("&Undo"), this, [this] {
    commitFocusedTable();
    emit undoRequested();
  });
  Undo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  Redo1 = edit->addAction(QStringLiteral("&Redo"), this, [this] {
    commitFocusedTable();
    emit redoRequested();
  });
  Redo1->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  edit->addSeparator();
  Copy1 = edit->addAction(QStringLiteral("&Copy"), this, &LoadCasesWindow::Copy1Click);
  Copy1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  Paste1 = edit->addAction(QStringLiteral("&Paste"), this, &LoadCasesWindow::Paste1Click);
  Paste1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
  edit->addSeparator();
  // A spreadsheet's keys for a row in and a row out.
  AddRow1 = edit->addAction(QStringLiteral("&Add a row"), this, &LoadCasesWindow::AddRow1Click);
  AddRow1->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
  RemoveRow1 =
      edit->addAction(QStringLiteral("Re&move the row"), this, &LoadCasesWindow::RemoveRow1Click);
  RemoveRow1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
  edit->addSeparator();
  Close1 = edit->addAction(QStringLiteral("C&lose"), this, &QWidget::close);
  Close1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
  Help1 = bar->addAction(QStringLiteral("&Help"), this, &LoadCasesWindow::Help1Click);
}

LoadCasesWindow::TablePanel LoadCasesWindow::makeTable(InputTable table, const QString& caption,
                                                       const QString& help, bool rows) {
  TablePanel panel;
  panel.caption = new QFrame;
  panel.caption->setAutoFillBackground(true);
  QPalette lime = panel.caption->palette();
  lime.setColor(QPalette::Window, palette::kLime);
  lime.setColor(QPalette::WindowText, Qt::white);
  panel.caption->setPalette(lime);
  panel.caption->setFrameStyle(QFrame::Box | QFrame::Plain);
  panel.caption->setFixedHeight(kCaptionHeight);
  auto* line = new QHBoxLayout(panel.caption);
  line->setContentsMargins(8, 2, 2, 2);
  auto* label = new QLabel(caption, panel.caption);
  label->setFont(SansFont(11, true));
  line->addWidget(label);
  line->addStretch(1);
  auto* model = new LoadCaseTableModel(data_, table, this);
  panel.grid = new StringGrid(model, nullptr);
  if (rows) {
    StringGrid* grid = panel.grid;
    QToolButton* add =
        MakeButton(panel.caption, QStringLiteral("+"), QStringLiteral("Add a row (Ctrl++)"));
    QToolButton* remove = MakeButton(panel.caption, QStringLiteral("\u2212"),
                                     QStringLiteral("Remove the current row (Ctrl+-)"));
    connect(add, &QToolButton::clicked, this, [this, grid] {
      grid->setFocus(Qt::OtherFocusReason);
      AddRow1Click();
    });
    connect(remove, &QToolButton::clicked, this, [this, grid] {
      grid->setFocus(Qt::OtherFocusReason);
      RemoveRow1Click();
    });
    line->addWidget(add);
    line->addWidget(remove);
  }
  QToolButton* helpButton = MakeButton(panel.caption, QString(), QStringLiteral("Help"));
  helpButton->setIcon(HelpGlyph());
  helpButton->setIconSize(QSize(24, 22));
  connect(helpButton, &QToolButton::clicked, this, [this, help] { dialogs_.message(this, help); });
  line->addWidget(helpButton);

  StringGrid* grid = panel.grid;
  grid->setFont(font());
  grid->setRowHeightPixels(kRowHeight);
  for (int col = 0; col < model->columnCount(); ++col) {
    int width = kValueWidth;
    if (col == 0) width = table == InputTable::MovingLoad ? kLabelWidth : kNumberWidth;
    if (col == 1 && HoldsName(table, col)) width = kNameWidth;
    grid->setColumnWidthPixels(col, width);
  }
  connectGrid(grid);
  return panel;
}

void LoadCasesWindow::buildPages() {
  Pages = new QTabWidget(this);
  Pages->setFocusPolicy(Qt::NoFocus);
  setCentralWidget(Pages);
  const auto column = [](const TablePanel& panel) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel.caption);
    layout->addWidget(panel.grid, 1);
    panel.caption->setMaximumWidth(panel.grid->maximumWidth());
    return box;
  };
  // A table as wide as its columns, down to its fixed ones and one value column where the room
  // is short; its rows scroll where they do not fit.
  const auto fit = [](StringGrid* grid) {
    // The width its columns take is what it asks the layout for.
    grid->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    grid->setMinimumWidth(grid->widthWithin(0));
    grid->setMaximumWidth(grid->widthWithin(100000));
    grid->setMinimumHeight(3 * (kRowHeight + 1) + 2);
  };

  // Cases and their loads.
  TablePanel cases =
      makeTable(InputTable::Cases, QStringLiteral("Cases"), TableHelpText(InputTable::Cases), true);
  TablePanel sections = makeTable(InputTable::CaseSectionLoads, QStringLiteral("Section loads"),
                                  TableHelpText(InputTable::CaseSectionLoads), false);
  TablePanel points = makeTable(InputTable::CasePointLoads, QStringLiteral("Point loads"),
                                TableHelpText(InputTable::CasePointLoads), false);
  TablePanel anywhere = makeTable(InputTable::LoadsAnywhere, QStringLiteral("Loads anywhere"),
                                  TableHelpText(InputTable::LoadsAnywhere), true);
  CasesGrid = cases.grid;
  SectionLoadsGrid = sections.grid;
  PointLoadsGrid = points.grid;
  AnywhereGrid = anywhere.grid;
  for (StringGrid* grid : {CasesGrid, SectionLoadsGrid, PointLoadsGrid, AnywhereGrid}) fit(grid);
  auto* casesPage = new QWidget;
  auto* casesLayout = new QGridLayout(casesPage);
  casesLayout->setContentsMargins(5, 5, 5, 5);
  CaseLoadsLabel = new QLabel(casesPage);
  CaseLoadsLabel->setFont(SansFont(11, true));
  casesLayout->addWidget(column(cases), 0, 0, 3, 1);
  casesLayout->addWidget(CaseLoadsLabel, 0, 1, 1, 2);
  casesLayout->addWidget(column(sections), 1, 1);
  casesLayout->addWidget(column(points), 1, 2);
  casesLayout->addWidget(column(anywhere), 2, 1, 1, 2);
  casesLayout->setRowStretch(1, 1);
  casesLayout->setRowStretch(2, 1);
  casesLayout->setColumnStretch(3, 1);
  Pages->addTab(casesPage, QStringLiteral("&Cases"));

  TablePanel combinations =
      makeTable(InputTable::Combinations, QStringLiteral("Combinations: factors of the cases"),
                TableHelpText(InputTable::Combinations), true);
  CombinationsGrid = combinations.grid;
  CombinationsGrid->setMinimumHeight(3 * (kRowHeight + 1) + 2);
  auto* combinationsPage = new QWidget;
  auto* combinationsLayout = new QVBoxLayout(combinationsPage);
  combinationsLayout->setContentsMargins(5, 5, 5, 5);
  combinationsLayout->addWidget(column(combinations), 1);
  Pages->addTab(combinationsPage, QStringLiteral("C&ombinations"));

  TablePanel moving = makeTable(InputTable::MovingLoad, QStringLiteral("Moving load"),
                                TableHelpText(InputTable::MovingLoad), false);
  TablePanel axles =
      makeTable(InputTable::Axles, QStringLiteral("Axles"), TableHelpText(InputTable::Axles), true);
  MovingLoadGrid = moving.grid;
  AxlesGrid = axles.grid;
  fit(MovingLoadGrid);
  MovingLoadGrid->setMinimumHeight(2 * (kRowHeight + 1) + 2);
  MovingLoadGrid->setMaximumHeight(2 * (kRowHeight + 1) + 2);
  fit(AxlesGrid);
  auto* movingPage = new QWidget;
  auto* movingLayout = new QVBoxLayout(movingPage);
  movingLayout->setContentsMargins(5, 5, 5, 5);
  movingLayout->addWidget(column(moving), 0, Qt::AlignLeft);
  movingLayout->addSpacing(10);
  movingLayout->addWidget(column(axles), 1, Qt::AlignLeft);
  Pages->addTab(movingPage, QStringLiteral("&Moving load"));

  TablePanel factors = makeTable(InputTable::SoilFactors, QStringLiteral("Soil factors"),
                                 TableHelpText(InputTable::SoilFactors), true);
  SoilFactorsGrid = factors.grid;
  fit(SoilFactorsGrid);
  auto* factorsPage = new QWidget;
  auto* factorsLayout = new QVBoxLayout(factorsPage);
  factorsLayout->setContentsMargins(5, 5, 5, 5);
  factorsLayout->addWidget(column(factors), 1, Qt::AlignLeft);
  Pages->addTab(factorsPage, QStringLiteral("&Soil factors"));

  // A page opened by its key puts the focus into its first table.
  connect(Pages, &QTabWidget::currentChanged, this, [this](int index) {
    QWidget* page = Pages->widget(index);
    for (StringGrid* grid : grids()) {
      if (page->isAncestorOf(grid) && isActiveWindow()) {
        // The focus may have come to it already, while its page was still hidden.
        grid->setFocus(Qt::TabFocusReason);
        grid->openEditor();
        break;
      }
    }
  });
  resize(760, 480);
}

void LoadCasesWindow::connectGrid(StringGrid* grid) {
  LoadCaseTableModel* model = modelOf(grid);
  connect(grid, &StringGrid::currentCellChanged, this, [this, grid](int row, int col, int, int) {
    if (row < 0 || col < 0) return;
    grid->commitTrackedCell();
    grid->trackCell(col, row);
    grid->openEditor();
    if (grid == CasesGrid && row >= 2 && row - 2 != page_) showCase(row - 2);
  });
  connect(grid, &StringGrid::left, grid, &StringGrid::commitTrackedCell);
  connect(grid, &StringGrid::enterKeyPressed, this, [grid] {
    // Down a row, and from the last back to the first, as in the main window's tables.
    if (grid->rowCount() <= grid->fixedRows()) return;
    const int next =
        grid->currentRow() + 1 < grid->rowCount() ? grid->currentRow() + 1 : grid->fixedRows();
    if (next == grid->currentRow()) {
      // A table of one row: Enter stays, and commits what was typed all the same.
      grid->writeEditorText();
      grid->commitTrackedCell();
    }
    grid->setCurrentCell(next, std::max(grid->currentColumn(), grid->fixedCols()));
    grid->openEditor();
  });
  connect(grid, &StringGrid::nextTableRequested, this,
          [this, grid](bool backward) { moveToTable(grid, backward, false); });
  connect(grid, &StringGrid::tabbedPastEnd, this,
          [this, grid](bool backward) { moveToTable(grid, backward, true); });
  connect(model, &InputTableModel::valueChanged, this,
          [this, model](int row, int col, const StoredValue& before, const StoredValue& after) {
            history_.record({model->table(), row, col, before, after, model->page()});
          });
  connect(model, &InputTableModel::commitStarted, this, [this] { history_.beginGroup(); });
  connect(model, &InputTableModel::commitFinished, this, [this] {
    history_.endGroup();
    emit historyChanged();
  });
  connect(model, &InputTableModel::committed, this, [this](const QModelIndex&, bool changed) {
    if (!changed) return;
    // A name shows in other tables' captions and lists.
    followAll();
    emit problemChanged();
  });
}

LoadCaseTableModel* LoadCasesWindow::modelOf(StringGrid* grid) const {
  return static_cast<LoadCaseTableModel*>(grid->tableModel());
}

std::vector<StringGrid*> LoadCasesWindow::grids() const {
  return {CasesGrid,        SectionLoadsGrid, PointLoadsGrid, AnywhereGrid,
          CombinationsGrid, MovingLoadGrid,   AxlesGrid,      SoilFactorsGrid};
}

std::vector<StringGrid*> LoadCasesWindow::pageGrids(StringGrid* grid) const {
  std::vector<StringGrid*> page;
  for (QWidget* p = grid->parentWidget(); p != nullptr; p = p->parentWidget()) {
    if (Pages->indexOf(p) < 0) continue;
    for (StringGrid* other : grids()) {
      if (p->isAncestorOf(other)) page.push_back(other);
    }
    break;
  }
  if (page.empty()) page.push_back(grid);
  return page;
}

StringGrid* LoadCasesWindow::tableOf(InputTable table) const {
  for (StringGrid* grid : grids()) {
    if (modelOf(grid)->table() == table) return grid;
  }
  return nullptr;
}

StringGrid* LoadCasesWindow::focusedTable() const {
  for (StringGrid* grid : grids()) {
    if (grid->holdsWindowFocus()) return grid;
  }
  return nullptr;
}

void LoadCasesWindow::moveToTable(StringGrid* from, bool backward, bool atEdge) {
  // The tables of the page in turn, the first case's grey ones passed over; an empty table is
  // entered all the same, for Ctrl++ to give it a row.
  std::vector<StringGrid*> order;
  for (StringGrid* grid : pageGrids(from)) {
    const QPoint first = grid->firstEditableCell();
    if (grid == from || grid->rowCount() <= grid->fixedRows() ||
        grid->isEditable(first.x(), first.y())) {
      order.push_back(grid);
    }
  }
  const auto at = std::find(order.begin(), order.end(), from) - order.begin();
  const auto count = static_cast<std::ptrdiff_t>(order.size());
  StringGrid* to = order[static_cast<std::size_t>((at + (backward ? count - 1 : 1)) % count)];
  if (to != from) from->commitTrackedCell();
  const QPoint cell = to->entryCell(backward, atEdge);
  if (to->isEditable(cell.x(), cell.y())) to->moveToCell(cell);
  to->setFocus(backward ? Qt::BacktabFocusReason : Qt::TabFocusReason);
}

void LoadCasesWindow::showCase(int page) {
  page_ = std::clamp(page, 0, data_.loadCases.caseCount - 1);
  for (StringGrid* grid : {SectionLoadsGrid, PointLoadsGrid, AnywhereGrid}) {
    grid->commitTrackedCell();
    grid->discardEditor();
    modelOf(grid)->setPage(page_);
    modelOf(grid)->rebuild();
    const QPoint first = grid->firstEditableCell();
    if (grid->currentRow() >= grid->rowCount() || grid->currentRow() < grid->fixedRows()) {
      if (grid->rowCount() > grid->fixedRows()) grid->setCurrentCell(first.y(), first.x());
    }
    grid->trackCell(grid->currentColumn(), grid->currentRow());
    grid->openEditor();
  }
  if (CasesGrid->currentRow() != page_ + 2) {
    CasesGrid->setCurrentCell(page_ + 2, 1);
  }
  showCaseLabel();
}

void LoadCasesWindow::showCaseLabel() {
  const QString name =
      QStringFromCp1252(data_.loadCases.cases[static_cast<std::size_t>(page_)].name.View());
  QString text = QStringLiteral("Loads of case %1: %2").arg(page_ + 1).arg(name);
  if (page_ == 0) text += QStringLiteral(" (its section and point loads are the main window's)");
  CaseLoadsLabel->setText(text);
}

void LoadCasesWindow::followAll() {
  for (StringGrid* grid : grids()) {
    const int rows = grid->rowCount();
    const int columns = grid->columnCount();
    modelOf(grid)->follow();
    if (rows != grid->rowCount() || columns != grid->columnCount()) {
      grid->discardEditor();
      // A combination's factor for each case: the columns of cases added take their width.
      for (int col = columns; col < grid->columnCount(); ++col) {
        grid->setColumnWidthPixels(col, kValueWidth);
      }
      grid->dropColumnWidthsFrom(grid->columnCount());
      if (grid->currentRow() >= grid->rowCount()) {
        grid->setCurrentCell(grid->rowCount() - 1, grid->currentColumn());
      }
      if (grid->currentColumn() >= grid->columnCount()) {
        grid->setCurrentCell(grid->currentRow(), grid->columnCount() - 1);
      }
      grid->trackCell(grid->currentColumn(), grid->currentRow());
      grid->openEditor();
    }
  }
  showCaseLabel();
}

void LoadCasesWindow::showProblem() {
  if (page_ >= data_.loadCases.caseCount) showCase(data_.loadCases.caseCount - 1);
  followAll();
}

void LoadCasesWindow::reload() {
  for (StringGrid* grid : grids()) {
    grid->discardEditor();
    modelOf(grid)->rebuild();
  }
  // A factor for each case of the problem now held.
  for (int col = 2; col < CombinationsGrid->columnCount(); ++col) {
    CombinationsGrid->setColumnWidthPixels(col, kValueWidth);
  }
  CombinationsGrid->dropColumnWidthsFrom(CombinationsGrid->columnCount());
  showCase(0);
  for (StringGrid* grid : grids()) {
    const QPoint first = grid->firstEditableCell();
    if (grid->rowCount() > grid->fixedRows() &&
        (grid->currentRow() < grid->fixedRows() || grid->currentRow() >= grid->rowCount())) {
      grid->setCurrentCell(first.y(), first.x());
    }
    grid->trackCell(grid->currentColumn(), grid->currentRow());
  }
  for (StringGrid* grid : grids()) grid->openEditor();
}

void LoadCasesWindow::commitFocusedTable() {
  if (StringGrid* grid = focusedTable()) {
    grid->writeEditorText();
    grid->commitTrackedCell();
  }
}

void LoadCasesWindow::restore(const CellChange& change, const StoredValue& value) {
  WriteCell(data_, change.table, change.page, change.row, change.col, value);
}

void LoadCasesWindow::showChange(const CellChange& change) {
  for (StringGrid* grid : grids()) grid->discardEditor();
  if (IsCaseTable(change.table)) {
    showCase(change.page);
  } else if (page_ >= data_.loadCases.caseCount) {
    showCase(data_.loadCases.caseCount - 1);
  }
  followAll();
  // The page of the change comes to the front, at its cell where the cell is there.
  StringGrid* grid = tableOf(change.table);
  if (grid == nullptr) return;
  for (int i = 0; i < Pages->count(); ++i) {
    if (Pages->widget(i)->isAncestorOf(grid)) Pages->setCurrentIndex(i);
  }
  if (change.col >= grid->fixedCols() && change.row < grid->rowCount() &&
      change.col < grid->columnCount() && grid->holdsWindowFocus()) {
    grid->setCurrentCell(change.row, change.col);
  }
  emit problemChanged();
}

void LoadCasesWindow::closeEvent(QCloseEvent* event) {
  // What was typed and not yet committed is kept, as a move to another cell would keep it.
  commitFocusedTable();
  QMainWindow::closeEvent(event);
}

void LoadCasesWindow::setUndoEnabled(bool undo, bool redo) {
  Undo1->setEnabled(undo);
  Redo1->setEnabled(redo);
}

void LoadCasesWindow::placeOver(const QWidget* owner) {
  const QScreen* screen = owner != nullptr ? owner->screen() : this->screen();
  if (screen == nullptr) return;
  const QRect room = screen->availableGeometry();
  // The frame the window manager adds, as far as it is known yet.
  const QSize frame = frameGeometry().size() - geometry().size();
  const QSize wanted(std::min(760, room.width() - frame.width()),
                     std::min(480, room.height() - frame.height()));
  resize(wanted);
  QPoint at = owner != nullptr ? owner->frameGeometry().center() : room.center();
  at -= QPoint((wanted.width() + frame.width()) / 2, (wanted.height() + frame.height()) / 2);
  at.setX(std::clamp(at.x(), room.left(),
                     std::max(room.left(), room.right() + 1 - wanted.width() - frame.width())));
  at.setY(std::clamp(at.y(), room.top(),
                     std::max(room.top(), room.bottom() + 1 - wanted.height() - frame.height())));
  move(at);
}

// ---- rows in and out -----------------------------------------------------------------------

void LoadCasesWindow::change(InputTable table, int page, int row, int col,
                             const StoredValue& value) {
  const StoredValue before = ReadCell(data_, table, page, row, col);
  if (before == value) return;
  WriteCell(data_, table, page, row, col, value);
  history_.record({table, row, col, before, ReadCell(data_, table, page, row, col), page});
}

void LoadCasesWindow::copyCase(int from, int to) {
  change(InputTable::Cases, 0, to + 2, 1, ReadCell(data_, InputTable::Cases, 0, from + 2, 1));
  for (const InputTable table :
       {InputTable::CaseSectionLoads, InputTable::CasePointLoads, InputTable::LoadsAnywhere}) {
    std::vector<int> cols = EntryColumns(table);
    if (table == InputTable::CasePointLoads) cols = {2, 3};
    if (table == InputTable::LoadsAnywhere) {
      change(table, to, 0, kRowCountColumn, ReadCell(data_, table, from, 0, kRowCountColumn));
    }
    for (int i = 0; i < MaxRowsOf(table); ++i) {
      for (const int col : cols) {
        change(table, to, i + 2, col, ReadCell(data_, table, from, i + 2, col));
      }
    }
  }
}

void LoadCasesWindow::shiftUp(InputTable table, int page, int from, int count) {
  const std::vector<int> cols = EntryColumns(table);
  for (int i = from; i + 1 < count; ++i) {
    for (const int col : cols) {
      change(table, page, i + 2, col, ReadCell(data_, table, page, i + 3, col));
    }
  }
}

void LoadCasesWindow::addEntry(InputTable table, int page) {
  const int count = static_cast<int>(ReadCell(data_, table, page, 0, kRowCountColumn).number);
  // The new row starts empty (what a row removed before left behind is cleared), a case or a
  // combination with a name of its number, a soil factor at 1.
  change(table, page, 0, kRowCountColumn, {static_cast<double>(count + 1), {}});
  const int row = count + 2;
  switch (table) {
    case InputTable::Cases: {
      change(table, 0, row, 1, {0.0, FormatText("Case %d", count + 1)});
      for (const InputTable loads : {InputTable::CaseSectionLoads, InputTable::CasePointLoads}) {
        const std::vector<int> cols =
            loads == InputTable::CasePointLoads ? std::vector<int>{2, 3} : std::vector<int>{1};
        for (int i = 0; i < MaxRowsOf(loads); ++i) {
          for (const int col : cols) change(loads, count, i + 2, col, {});
        }
      }
      change(InputTable::LoadsAnywhere, count, 0, kRowCountColumn, {});
      for (int c = 0; c < kMaxCombinations; ++c) {
        change(InputTable::Combinations, 0, c + 2, count + 2, {});
      }
      break;
    }
    case InputTable::Combinations:
      change(table, 0, row, 1, {0.0, FormatText("Combination %d", count + 1)});
      for (int c = 0; c < kMaxLoadCases; ++c) change(table, 0, row, c + 2, {});
      break;
    case InputTable::SoilFactors:
      change(table, 0, row, 1, {1.0, {}});
      break;
    default:
      for (const int col : EntryColumns(table)) change(table, page, row, col, {});
      break;
  }
}

void LoadCasesWindow::AddRow1Click() {
  StringGrid* grid = focusedTable();
  if (grid == nullptr) return;
  commitFocusedTable();
  const InputTable table = modelOf(grid)->table();
  const int page = IsCaseTable(table) ? page_ : 0;
  const int count = static_cast<int>(ReadCell(data_, table, page, 0, kRowCountColumn).number);
  if (table == InputTable::CaseSectionLoads || table == InputTable::CasePointLoads ||
      table == InputTable::MovingLoad) {
    return;
  }
  if (count >= MaxRowsOf(table)) {
    dialogs_.message(this, QStringLiteral("Nothing added: a problem has at most %1 %2.")
                               .arg(MaxRowsOf(table))
                               .arg(EntriesName(table)));
    return;
  }
  history_.beginGroup();
  addEntry(table, page);
  history_.endGroup();
  emit historyChanged();
  followAll();
  const int row = count + 2;
  grid->setCurrentCell(row, std::max(grid->currentColumn(), grid->fixedCols()));
  if (table == InputTable::Cases) showCase(count);
  SelectCurrentOnly(grid);
  grid->openEditor();
  emit problemChanged();
}

void LoadCasesWindow::RemoveRow1Click() {
  StringGrid* grid = focusedTable();
  if (grid == nullptr) return;
  commitFocusedTable();
  const InputTable table = modelOf(grid)->table();
  if (table == InputTable::CaseSectionLoads || table == InputTable::CasePointLoads ||
      table == InputTable::MovingLoad) {
    return;
  }
  const int page = IsCaseTable(table) ? page_ : 0;
  const int count = static_cast<int>(ReadCell(data_, table, page, 0, kRowCountColumn).number);
  const int at = grid->currentRow() - 2;
  if (at < 0 || at >= count) return;
  if (table == InputTable::Cases && at == 0) {
    dialogs_.message(this,
                     QStringLiteral("The first case is the main window's tables and stays; its "
                                    "loads are cleared there."));
    return;
  }
  history_.beginGroup();
  if (table == InputTable::Cases) {
    // The cases below move up, and their factors in every combination with them.
    for (int c = at; c + 1 < count; ++c) copyCase(c + 1, c);
    for (int k = 0; k < kMaxCombinations; ++k) {
      for (int c = at; c + 1 < count; ++c) {
        change(InputTable::Combinations, 0, k + 2, c + 2,
               ReadCell(data_, InputTable::Combinations, 0, k + 2, c + 3));
      }
      change(InputTable::Combinations, 0, k + 2, count + 1, {});
    }
  } else {
    shiftUp(table, page, at, count);
  }
  if (table == InputTable::Combinations) {
    // The moving load rides on the same combination as before, or alone once it is gone.
    const int ride = data_.loadCases.movingLoad.combination;
    const int after = ride == at ? -1 : ride > at ? ride - 1 : ride;
    change(InputTable::MovingLoad, 0, static_cast<int>(MovingLoadRow::RidesOn), 1,
           {static_cast<double>(after), RidesOnText(data_, after)});
  }
  change(table, page, 0, kRowCountColumn, {static_cast<double>(count - 1), {}});
  history_.endGroup();
  emit historyChanged();
  for (StringGrid* each : grids()) each->discardEditor();
  if (table == InputTable::Cases) showCase(std::min(at, count - 2));
  followAll();
  SelectCurrentOnly(grid);
  grid->openEditor();
  emit problemChanged();
}

// ---- copy, paste and help ------------------------------------------------------------------

void LoadCasesWindow::Copy1Click() {
  StringGrid* grid = focusedTable();
  if (grid == nullptr) return;
  commitFocusedTable();
  CopySelectedCells(*grid);
}

void LoadCasesWindow::Paste1Click() {
  StringGrid* grid = focusedTable();
  if (grid == nullptr) return;
  commitFocusedTable();
  const QList<QStringList> block = ClipboardBlock();
  if (block.isEmpty()) return;
  if (const std::optional<QString> refused = pasteBlock(grid, block)) {
    dialogs_.message(this, *refused);
  }
  emit historyChanged();
}

std::optional<QString> LoadCasesWindow::pasteBlock(StringGrid* grid,
                                                   const QList<QStringList>& block) {
  const QModelIndex at = grid->currentIndex();
  if (!at.isValid() || !(at.flags() & Qt::ItemIsEditable)) return std::nullopt;
  LoadCaseTableModel& model = *modelOf(grid);
  const InputTable table = model.table();
  const int page = IsCaseTable(table) ? page_ : 0;
  const int height = static_cast<int>(block.size());
  if (std::optional<QString> refused = RefusedWidth(*grid, at.column(), BlockWidth(block))) {
    return refused;
  }
  // A list grows by the rows a block needs, up to its limit; the beam's tables do not.
  const int lastEntry = at.row() - 2 + height;
  const bool grows = table != InputTable::CaseSectionLoads && table != InputTable::CasePointLoads &&
                     table != InputTable::MovingLoad;
  const int room = grows ? MaxRowsOf(table) : EntryCountOf(data_, table, page);
  if (table == InputTable::MovingLoad ? at.row() + height > 2 : lastEntry > room) {
    return QStringLiteral(
               "Nothing pasted: the clipboard holds %1 rows, and from here the table takes %2.")
        .arg(height)
        .arg(table == InputTable::MovingLoad ? 2 - at.row() : room - (at.row() - 2));
  }
  for (int r = 0; r < height; ++r) {
    for (int c = 0; c < static_cast<int>(block[r].size()); ++c) {
      if (std::optional<QString> refused =
              RefusedCell(model, at.row() + r, at.column() + c, block[r][c], r, c)) {
        return refused;
      }
    }
  }
  history_.beginGroup();
  const int count = EntryCountOf(data_, table, page);
  if (grows && lastEntry > count) {
    for (int entry = count; entry < lastEntry; ++entry) addEntry(table, page);
    model.rebuild();
  }
  for (int r = 0; r < height; ++r) {
    for (int c = 0; c < static_cast<int>(block[r].size()); ++c) {
      model.setData(model.index(at.row() + r, at.column() + c), block[r][c], Qt::EditRole);
    }
  }
  history_.endGroup();
  followAll();
  return std::nullopt;
}

void LoadCasesWindow::Help1Click() { dialogs_.message(this, LoadCasesHelpText()); }

}  // namespace pelvar
