// TFormPelv as built: its controls, their fonts and colours, and where everything stands on the
// window at each size. What the window does with them is in form_pelv.cpp.

#include <QAction>
#include <QFrame>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSignalBlocker>
#include <QToolButton>
#include <QtMath>
#include <algorithm>

#include "desktop/colours.h"
#include "load_cases_window/load_cases_window.h"
#include "ui/client_area.h"
#include "ui/form_pelv.h"
#include "ui/glyphs.h"
#include "ui/input_table_models.h"
#include "ui/string_grid.h"

namespace pelvar {
namespace {

constexpr int kClientWidth = 750;
constexpr int kClientHeight = 550;
constexpr int kMinClientWidth = 600;
constexpr int kMinClientHeight = 400;
constexpr int kRowHeight = 18;
// Below the sections and forces tables, and right of them, as left of them.
constexpr int kTableBottomMargin = 5;
// A table given less height than its rows keeps its two heading rows and one value row.
constexpr int kLeastTableRows = 3;
constexpr int kCaptionHeight = 30;
constexpr int kGeneralRows = 7;

// The classic Windows sans at 8 points is 11 pixels high; Liberation Sans has its metrics.
QFont SansFont(int pixelSize, bool bold) {
  QFont font;
  font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

QToolButton* MakeToolButton(QWidget* parent, const QIcon& glyph, const QString& hint, int left,
                            int top) {
  auto* button = new QToolButton(parent);
  button->setFocusPolicy(Qt::NoFocus);
  button->setToolTip(hint);
  button->setIcon(glyph);
  button->setIconSize(QSize(24, 22));
  button->setGeometry(left, top, 25, 25);
  return button;
}

QFrame* MakeLimePanel(QWidget* parent) {
  auto* panel = new QFrame(parent);
  panel->setAutoFillBackground(true);
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, pelvar::palette::kLime);
  palette.setColor(QPalette::WindowText, Qt::black);
  panel->setPalette(palette);
  return panel;
}

QLabel* MakeCaption(QWidget* parent, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setFont(SansFont(11, true));
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::white);
  label->setPalette(palette);
  label->move(8, 7);
  label->adjustSize();
  return label;
}

// Column 0 of 50 pixels and the others of 90, each with its grid line, and the frame: the forces
// table, of four columns, is 325 pixels wide.
constexpr int kNumberColumnWidth = 50;
constexpr int kValueColumnWidth = 90;
constexpr int kTableGap = 16;  // between the sections and the forces
// The forces table keeps its point, x, force and moment beside the sections whatever they take;
// its supports' columns take what the window has right of that, and scroll where it has none.
constexpr int kForcesLeastColumns = 4;

int FullTableWidth(int columns) {
  return kNumberColumnWidth + 2 + (columns - 1) * (kValueColumnWidth + 1);
}

// A table below its caption panel, whose top left corner is at (left, top); the panel's help
// button stands at its right end. The table is as wide as its columns where it ends left of
// right, else it shows the whole columns that fit and its columns scroll; it is as high as its
// model's rows (and the column scroll bar) where it ends above bottom, else it ends at bottom
// and its rows scroll.
void PlaceTable(StringGrid* grid, QFrame* panel, QToolButton* help, int left, int top, int right,
                int bottom) {
  grid->setRowHeightPixels(kRowHeight);
  grid->setColumnWidthPixels(0, kNumberColumnWidth);
  for (int col = 1; col < grid->columnCount(); ++col) {
    grid->setColumnWidthPixels(col, kValueColumnWidth);
  }
  const int width = grid->widthWithin(right - left);
  panel->setGeometry(left, top, width, kCaptionHeight);
  const int gridTop = panel->y() + panel->height() - 1;
  const int columnBar = grid->columnBarHeightAt(width);
  const int rowsHeight = (kRowHeight + 1) * grid->rowCount() + 1 + columnBar;
  const int leastHeight = (kRowHeight + 1) * kLeastTableRows + 1 + columnBar;
  grid->setGeometry(left, gridTop, width,
                    std::max(std::min(rowsHeight, bottom - gridTop), leastHeight));
  help->move(panel->width() - 30, 2);
}

}  // namespace

TFormPelv::TFormPelv(Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), workspace_(MakeAnalysisWorkspace()) {
  setWindowTitle(QStringLiteral("Pelvar - Beam on Elastic Foundation"));
  setWindowIcon(WindowIcon());
  setFont(SansFont(11, false));

  OpenDialog1.filterDescription = QStringLiteral("PLV(*.plv)");
  SaveDialog1.filterDescription = QStringLiteral("PLV (*.plv)");
  OpenDialog1.filterPattern = SaveDialog1.filterPattern = QStringLiteral("*.plv");
  OpenDialog1.defaultSuffix = SaveDialog1.defaultSuffix = QStringLiteral("plv");
  FontDialog1 = SansFont(13, true);
  FontDialog2 = SansFont(11, false);

  buildMenu();
  buildControls();
  FormCreate();

  // The toolkit's own starting cell of the forces table; the table tracks nothing until it is
  // first entered.
  {
    const QSignalBlocker quiet(ForcesGrid);
    ForcesGrid->setCurrentCell(2, 2);
  }

  centreOnScreen();
  MainGrid->setFocus();
}

TFormPelv::~TFormPelv() {
  // The controls outlive this object's own part: nothing they report may reach it any more, and
  // the tables and their models, which read the problem, go while it is still there.
  clientArea_->onResize = nullptr;
  clientArea_->onMouseMove = nullptr;
  // The load cases window edits the problem and records into the history: it goes first.
  if (loadCasesWindow_ != nullptr) {
    loadCasesWindow_->disconnect(this);
    delete loadCasesWindow_;
    loadCasesWindow_ = nullptr;
  }
  for (StringGrid* grid : {MainGrid, SoilGrid, ForcesGrid}) {
    grid->disconnect(this);
    InputTableModel* model = grid->tableModel();
    delete grid;
    delete model;
  }
}

void TFormPelv::buildMenu() {
  QMenuBar* bar = menuBar();
  bar->setNativeMenuBar(false);
  File1 = bar->addMenu(QStringLiteral("&File"));
  Open1 = File1->addAction(QStringLiteral("&Open"), this, &TFormPelv::Open1Click);
  New1 = File1->addAction(QStringLiteral("&New"), this, &TFormPelv::New1Click);
  Save1 = File1->addAction(QStringLiteral("&Save"), this, &TFormPelv::Save1Click);
  Print1 = File1->addAction(QStringLiteral("&Print"), this, &TFormPelv::Print1Click);
  N1 = File1->addSeparator();
  Quit1 = File1->addAction(QStringLiteral("&Quit"), this, &TFormPelv::Quit1Click);
  buildEditMenu();
  // The problem's options: each a check item, checked while it is on.
  Options1 = bar->addMenu(QStringLiteral("&Options"));
  NoTension1 = Options1->addAction(QStringLiteral("Soil takes &no tension"));
  NoTension1->setCheckable(true);
  NoTension1->setIcon(NoTensionGlyph());
  // In the menu the check mark tells the state; the glyph is the tool button's.
  NoTension1->setIconVisibleInMenu(false);
  NoTension1->setToolTip(QStringLiteral("Soil takes no tension"));
  NoTension1->setStatusTip(QStringLiteral(
      "The springs act only where the beam presses on the soil; where it would pull, the beam "
      "lifts off"));
  connect(NoTension1, &QAction::triggered, this, &TFormPelv::SpeedButtonNoTensionClick);
  // A command on the menu bar itself: it acts at once, there is no submenu.
  Help1 = bar->addAction(QStringLiteral("&Help"), this, &TFormPelv::Help1Click);
  // Beside the classic menu: the results window, for the numbers behind the picture.
  Results1 = bar->addAction(QStringLiteral("&Results"), this, &TFormPelv::Results1Click);
  Results1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  // Beside it: the window of the load cases, the combinations, the moving load and the soil
  // factors, which the classic tables have no room for.
  LoadCases1 = bar->addAction(QStringLiteral("&Load cases"), this, &TFormPelv::LoadCases1Click);
  LoadCases1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));

  // The usual keys run the commands too; the captions keep their access keys.
  Open1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  New1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  Save1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  Print1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  Quit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  Calculate1 = new QAction(this);
  Calculate1->setShortcut(QKeySequence(Qt::Key_F9));
  connect(Calculate1, &QAction::triggered, this, &TFormPelv::SpeedButtonCalcClick);
  addAction(Calculate1);
}

void TFormPelv::buildControls() {
  clientArea_ = new ClientArea(this);
  // The window manager learns the least client area too (resetClientSize sets it), so that
  // FormResize's correction never has to fight a manager that hands the smaller size back (an
  // endless round of resizes).
  setCentralWidget(clientArea_);
  clientArea_->onResize = [this] { FormResize(); };
  clientArea_->onMouseMove = [this] { FormMouseMove(); };

  PanelMain = MakeLimePanel(clientArea_);
  PanelMain->setFrameStyle(QFrame::Panel | QFrame::Raised);
  PanelMain->setLineWidth(1);
  PanelMain->setGeometry(0, 0, kClientWidth, 24);
  SpeedButtonOpen = MakeToolButton(PanelMain, OpenGlyph(), QStringLiteral("Open"), 0, 0);
  SpeedButtonNew = MakeToolButton(PanelMain, NewGlyph(), QStringLiteral("New"), 25, 0);
  SpeedButtonSave = MakeToolButton(PanelMain, SaveGlyph(), QStringLiteral("Save"), 50, 0);
  SpeedButtonPrint = MakeToolButton(PanelMain, PrintGlyph(), QStringLiteral("Print"), 75, 0);
  SpeedButtonCalc = MakeToolButton(PanelMain, CalcGlyph(), QStringLiteral("Calculate"), 100, 0);
  // The option's own action, so that the button stays pressed exactly while the menu item is
  // checked.
  SpeedButtonNoTension =
      MakeToolButton(PanelMain, NoTensionGlyph(), QStringLiteral("Soil takes no tension"), 125, 0);
  SpeedButtonNoTension->setDefaultAction(NoTension1);
  SpeedButtonHelp =
      MakeToolButton(PanelMain, HelpGlyph(), QStringLiteral("Help"), kClientWidth - 24, 0);
  // The accuracy warning of the last calculation: on the tool bar, which the picture leaves in
  // view, so that it is read beside the diagrams without hiding any of them.
  LabelAccuracy = new QLabel(PanelMain);
  LabelAccuracy->setFont(SansFont(11, true));
  QPalette warning = LabelAccuracy->palette();
  warning.setColor(QPalette::WindowText, pelvar::palette::kMaroon);
  LabelAccuracy->setPalette(warning);
  LabelAccuracy->hide();

  auto makeCaptionPanel = [this](const QString& caption, QLabel*& label, QToolButton*& help) {
    QFrame* panel = MakeLimePanel(clientArea_);
    panel->setFrameStyle(QFrame::Box | QFrame::Plain);
    panel->setLineWidth(1);
    panel->setFont(SansFont(11, true));
    panel->resize(panel->width(), kCaptionHeight);
    label = MakeCaption(panel, caption);
    help = MakeToolButton(panel, HelpGlyph(), QStringLiteral("Help"), 0, 2);
    return panel;
  };
  PanelGeneral = makeCaptionPanel(QStringLiteral("Beam on Elastic Foundation : General Data"),
                                  LabelGeneral, GeneralHelp);
  MainGrid = new StringGrid(new GeneralDataModel(data_, this), clientArea_);
  PanelSections = makeCaptionPanel(QStringLiteral("Properties of Sections"), Label1, SectionsHelp);
  PanelSections->setFont(font());
  SoilGrid = new StringGrid(new SectionsModel(data_, this), clientArea_);
  PanelForces = makeCaptionPanel(QStringLiteral("Forces"), LabelSteps, StepsHelp);
  PanelForces->setFont(font());
  ForcesGrid = new StringGrid(new ForcesModel(data_, this), clientArea_);

  connect(SpeedButtonOpen, &QToolButton::clicked, this, &TFormPelv::SpeedButtonOpenClick);
  connect(SpeedButtonNew, &QToolButton::clicked, this, &TFormPelv::SpeedButtonNewClick);
  connect(SpeedButtonSave, &QToolButton::clicked, this, &TFormPelv::SpeedButtonSaveClick);
  connect(SpeedButtonPrint, &QToolButton::clicked, this, &TFormPelv::SpeedButtonPrintClick);
  connect(SpeedButtonCalc, &QToolButton::clicked, this, &TFormPelv::SpeedButtonCalcClick);
  connect(SpeedButtonHelp, &QToolButton::clicked, this, &TFormPelv::SpeedButtonHelpClick);
  connect(GeneralHelp, &QToolButton::clicked, this, &TFormPelv::GeneralHelpClick);
  connect(SectionsHelp, &QToolButton::clicked, this, &TFormPelv::SectionsHelpClick);
  connect(StepsHelp, &QToolButton::clicked, this, &TFormPelv::StepsHelpClick);

  // The select-cell events run on every change of a current cell, the program's own included.
  connect(MainGrid, &StringGrid::currentCellChanged, this, [this](int row, int col, int, int) {
    if (row >= 0 && col >= 0) MainGridSelectCell(col, row);
  });
  connect(SoilGrid, &StringGrid::currentCellChanged, this, [this](int row, int col, int, int) {
    if (row >= 0 && col >= 0) SoilGridSelectCell(col, row);
  });
  connect(ForcesGrid, &StringGrid::currentCellChanged, this, [this](int row, int col, int, int) {
    if (row >= 0 && col >= 0) ForcesGridSelectCell(col, row);
  });
  // What a committed cell changes beyond itself.
  connect(MainGrid->tableModel(), &InputTableModel::committed, this,
          &TFormPelv::generalDataCommitted);
  connect(SoilGrid->tableModel(), &InputTableModel::committed, this, &TFormPelv::sectionCommitted);
  connect(ForcesGrid->tableModel(), &InputTableModel::committed, this, &TFormPelv::forceCommitted);
  connectEditHistory();
  connect(SoilGrid, &StringGrid::entered, this, &TFormPelv::SoilGridEnter);
  connect(ForcesGrid, &StringGrid::entered, this, &TFormPelv::ForcesGridEnter);
  connect(MainGrid, &StringGrid::left, this, &TFormPelv::MainGridExit);
  connect(SoilGrid, &StringGrid::left, this, &TFormPelv::SoilGridExit);
  connect(ForcesGrid, &StringGrid::left, this, &TFormPelv::ForcesGridExit);
  // Ctrl+Tab goes on to the next table at its own cell, Tab past a table's last cell to the
  // next table's first (Shift the other way round): general data, sections, forces.
  for (StringGrid* grid : {MainGrid, SoilGrid, ForcesGrid}) {
    connect(grid, &StringGrid::nextTableRequested, this,
            [this, grid](bool backward) { moveToTable(grid, backward, false); });
    connect(grid, &StringGrid::tabbedPastEnd, this,
            [this, grid](bool backward) { moveToTable(grid, backward, true); });
  }
  connect(MainGrid, &StringGrid::enterKeyPressed, this, [this] { MainGridKeyPress('\r'); });
  connect(SoilGrid, &StringGrid::enterKeyPressed, this, [this] { SoilGridKeyPress('\r'); });
  connect(ForcesGrid, &StringGrid::enterKeyPressed, this, [this] { ForcesGridKeyPress('\r'); });
}

QSize TFormPelv::clientSize() const { return clientArea_->size(); }

void TFormPelv::setClientSize(int width, int height) {
  int menuHeight = menuBar()->heightForWidth(width);
  if (menuHeight <= 0) menuHeight = menuBar()->sizeHint().height();
  resize(width, height + menuHeight);
}

QList<QWidget*> TFormPelv::inputControls() const {
  return {PanelGeneral, MainGrid, PanelForces, SoilGrid, PanelSections, ForcesGrid};
}

QSize TFormPelv::clientRoom() const {
  const QScreen* shownOn = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  if (shownOn == nullptr) return {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
  // Until the window manager has framed the window, its frame counts as nothing; the room is
  // measured again once the frame is known.
  const QSize frame = frameGeometry().size() - geometry().size();
  const QSize room = shownOn->availableGeometry().size() - frame;
  int menuHeight = menuBar()->heightForWidth(room.width());
  if (menuHeight <= 0) menuHeight = menuBar()->sizeHint().height();
  return room - QSize(0, menuHeight);
}

QSize TFormPelv::leastClientSize() const {
  return QSize(kMinClientWidth, kMinClientHeight).boundedTo(clientRoom());
}

void TFormPelv::resetClientSize() {
  clientArea_->setMinimumSize(leastClientSize());
  const QSize client = QSize(kClientWidth, kClientHeight).boundedTo(clientRoom());
  setClientSize(client.width(), client.height());
}

void TFormPelv::keepOnScreen() {
  clientArea_->setMinimumSize(leastClientSize());
  const QSize client = clientSize();
  const QSize fitting = client.boundedTo(clientRoom()).expandedTo(leastClientSize());
  if (fitting != client) setClientSize(fitting.width(), fitting.height());
}

void TFormPelv::placeToolBarItems() {
  SpeedButtonHelp->move(clientSize().width() - 24, 0);
  // Between the command buttons and the help button.
  constexpr int kAccuracyLeft = 160;
  LabelAccuracy->setGeometry(kAccuracyLeft, 0, clientSize().width() - 30 - kAccuracyLeft, 24);
  showAccuracyWarning();
}

void TFormPelv::layOutGeneralGrid() {
  MainGrid->setRowHeightPixels(kRowHeight);
  MainGrid->setColumnWidthPixels(0, 180);
  MainGrid->setColumnWidthPixels(1, 200);
  MainGrid->setGeometry(5, 60, 182 + 200 + 1, (kRowHeight + 1) * kGeneralRows + 1);

  PanelGeneral->setGeometry(MainGrid->x(), MainGrid->y() - kCaptionHeight + 1, MainGrid->width(),
                            kCaptionHeight);
  GeneralHelp->move(MainGrid->width() - 30, 2);
}

void TFormPelv::fitResultsImageToScreen() {
  // The screen's size in its own device pixels, so that the picture is as sharp as the tables.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const qreal ratio = screen->devicePixelRatio();
    const QSize pixels(qCeil(screen->size().width() * ratio),
                       qCeil(screen->size().height() * ratio));
    if (ImageResults.size() != pixels || ImageResults.devicePixelRatio() != ratio) {
      ImageResults = QImage(pixels, QImage::Format_RGB32);
      ImageResults.setDevicePixelRatio(ratio);
      ImageResults.fill(Qt::white);
    }
  }
}

void TFormPelv::layOutSectionsGrid() {
  // The forces' loads stand right of the sections whole; the sections take the width left of
  // them, and scroll the columns that do not fit there rather than push the forces off the
  // window.
  const int right =
      clientSize().width() - kTableBottomMargin - kTableGap - FullTableWidth(kForcesLeastColumns);
  PlaceTable(SoilGrid, PanelSections, SectionsHelp, MainGrid->x(),
             MainGrid->y() + MainGrid->height() + 10, right,
             clientSize().height() - kTableBottomMargin);
}

void TFormPelv::layOutForcesGrid() {
  // To the right of the sections, at the same height, as wide as the window has room.
  const int left = PanelSections->x() + PanelSections->width() + kTableGap;
  PlaceTable(ForcesGrid, PanelForces, StepsHelp, left, PanelSections->y(),
             clientSize().width() - kTableBottomMargin, clientSize().height() - kTableBottomMargin);
}

void TFormPelv::FormResize() {
  // At least 600 x 400, as far as the screen holds that much.
  const QSize client = clientSize();
  const QSize least = leastClientSize();
  if (client.width() < least.width() || client.height() < least.height()) {
    setClientSize(std::max(client.width(), least.width()),
                  std::max(client.height(), least.height()));
  }
  PanelMain->setGeometry(0, 0, clientSize().width(), 24);
  placeToolBarItems();
  // The sections and forces tables end above the client area's bottom edge.
  layOutSectionsGrid();
  layOutForcesGrid();
  FormActivate();
  // The repaint erases the picture, and the input shows in its place.
  clientArea_->eraseAll();
  showInput();
}

void TFormPelv::centreOnScreen() {
  QScreen* shownOn = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  if (shownOn == nullptr) return;
  const QRect available = shownOn->availableGeometry();
  QRect frame = frameGeometry();
  frame.moveCenter(available.center());
  // A window larger than the screen keeps its title bar and menu on it.
  if (frame.left() < available.left()) frame.moveLeft(available.left());
  if (frame.top() < available.top()) frame.moveTop(available.top());
  move(frame.topLeft());
}

void TFormPelv::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shownBefore_) {
    shownBefore_ = true;
    keepOnScreen();
    centreOnScreen();
    framePending_ = frameGeometry() == geometry();
  }
}

void TFormPelv::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  // A window manager adds its frame after the window was first shown; centred without it, the
  // window would stand half a title bar too low.
  if (framePending_ && frameGeometry() != geometry()) {
    framePending_ = false;
    keepOnScreen();
    centreOnScreen();
  }
}

}  // namespace pelvar
