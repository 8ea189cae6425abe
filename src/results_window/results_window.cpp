#include "results_window/results_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

#include "analysis/calculation.h"
#include "analysis/envelope.h"
#include "analysis/results.h"
#include "desktop/chosen_path.h"
#include "desktop/colours.h"
#include "desktop/dialogs.h"
#include "desktop/output_choice.h"
#include "desktop/path_parts.h"
#include "desktop/wait_cursor.h"
#include "drawings/diagram_picture.h"
#include "files/results_csv.h"
#include "files/safe_writer.h"
#include "files/state_names.h"
#include "model/load_cases.h"
#include "plot/picture_size.h"
#include "plot/results_plot.h"
#include "qt_text/text_edge.h"
#include "results_window/diagram_view.h"
#include "results_window/results_table_model.h"
#include "text/number_format.h"

namespace pelvar {
namespace {

QTableView* MakeTable(QAbstractTableModel* model, int countColumns, QWidget* parent) {
  auto* table = new QTableView(parent);
  table->setModel(model);
  table->verticalHeader()->hide();
  table->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Wide enough for six significant digits with a sign and the point; a narrow window scrolls.
  const QFontMetrics metrics = table->fontMetrics();
  table->horizontalHeader()->setDefaultSectionSize(
      metrics.horizontalAdvance(QStringLiteral("-0.000000000  ")));
  // The numbering columns need less.
  for (int column = 0; column < countColumns; ++column) {
    table->setColumnWidth(column, metrics.horizontalAdvance(QStringLiteral("Element 0000")));
  }
  table->horizontalHeader()->setStretchLastSection(true);
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
  return table;
}

constexpr int kLeastReadableWidth = 560;

// The diagrams with the lines of text under them. Its least height counts those lines as they
// wrap at its present width, which a layout's least size does not, so that a splitter never
// squeezes the diagrams below the least height that holds them.
class DiagramsPane : public QWidget {
 public:
  using QWidget::QWidget;

  QSize minimumSizeHint() const override {
    QSize least = QWidget::minimumSizeHint();
    if (layout() != nullptr && layout()->hasHeightForWidth()) {
      // Until it is first shown, the pane is as wide as the window will be at least.
      const int width = isVisible() ? this->width() : std::max(this->width(), kLeastReadableWidth);
      least.setHeight(std::max(least.height(), layout()->minimumHeightForWidth(width)));
    }
    return least;
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    const int least = minimumSizeHint().height();
    if (least != leastHeight_) {
      leastHeight_ = least;
      updateGeometry();
    }
  }

 private:
  int leastHeight_ = 0;
};

// The Show box's entries: a case's index, kCombinationChoice plus a combination's, or
// kEnvelopeChoice.
constexpr int kCombinationChoice = 1000;
constexpr int kEnvelopeChoice = -1;

// The accuracy line: each figure in percent with two significant digits, up to the largest the
// texts show; of an envelope (named so) the worst of its states'.
QString AccuracyText(const ResultAccuracy& accuracy, const QString& envelope) {
  if (!accuracy.available) return QString::fromUtf8(kAccuracyNotAvailable);
  const QString text =
      envelope.isEmpty()
          ? QStringLiteral("Against the exact continuous beam (View > Exact beam):   ")
          : envelope + QStringLiteral(", the worst of them against the exact continuous beam:   ");
  auto percent = [](double share) { return QString::fromUtf8(AccuracyShareText(share)); };
  return text + QStringLiteral("w %1 off,   Q %2 off,   M %3 off")
                    .arg(percent(accuracy.w), percent(accuracy.Q), percent(accuracy.M));
}

// Soil that takes no tension: where the beam left the soil and how closely that is known.
QString FoundationText(const ResultsSnapshot& snapshot) {
  const ProblemData& data = *snapshot.data;
  // Each state of an envelope settles its own contact.
  if (!data.noTension || snapshot.envelope) return {};
  const std::size_t ranges = snapshot.liftOff.size();
  const QString rounds = QStringLiteral("settled in %1 round%2")
                             .arg(data.contactRounds)
                             .arg(data.contactRounds == 1 ? "" : "s");
  if (ranges == 0) {
    return QStringLiteral("Soil takes no tension: the beam presses on the soil everywhere (%1).")
        .arg(rounds);
  }
  return QStringLiteral(
             "Soil takes no tension: the beam lifted off over %1 range%2 (shaded), %3; the "
             "contact edges are resolved to one element, and the exact beam has the same contact.")
      .arg(ranges)
      .arg(ranges == 1 ? "" : "s")
      .arg(rounds);
}

}  // namespace

ResultsWindow::ResultsWindow(Dialogs& dialogs, AnalysisWorkspace& work, QWidget* parent)
    : QMainWindow(parent, Qt::Window), dialogs_(dialogs), work_(work) {
  setWindowTitle(QStringLiteral("Pelvar - Results"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  menuBar()->setNativeMenuBar(false);
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  exportPictureAction = file->addAction(QString::fromUtf8("Export &picture\u2026"), this,
                                        &ResultsWindow::exportPicture);
  exportCsvAction =
      file->addAction(QString::fromUtf8("Export C&SV\u2026"), this, &ResultsWindow::exportCsv);
  file->addSeparator();
  closeAction = file->addAction(QStringLiteral("&Close"), this, &QWidget::close);
  closeAction->setShortcut(QKeySequence::Close);
  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  copyAction = edit->addAction(QStringLiteral("&Copy"), this, &ResultsWindow::copySelection);
  copyAction->setShortcut(QKeySequence::Copy);
  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  exactBeamAction =
      view->addAction(QStringLiteral("&Exact beam"), this, &ResultsWindow::showExactBeam);
  exactBeamAction->setCheckable(true);
  exactBeamAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  exactBeamAction->setToolTip(
      QStringLiteral("Draw the exact solution of the continuous beam over w, Q and M, dashed"));

  auto* splitter = new QSplitter(Qt::Vertical, this);
  auto* top = new DiagramsPane(splitter);
  auto* topLayout = new QVBoxLayout(top);
  topLayout->setContentsMargins(0, 0, 0, 0);
  topLayout->setSpacing(2);
  // At the menu bar's right end, where it takes no height from the diagrams.
  showRow = new QWidget(this);
  auto* showLayout = new QHBoxLayout(showRow);
  showLayout->setContentsMargins(6, 1, 6, 1);
  auto* showLabel = new QLabel(QStringLiteral("&Show:"), showRow);
  showBox = new QComboBox(showRow);
  showBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  showLabel->setBuddy(showBox);
  showLayout->addWidget(showLabel);
  showLayout->addWidget(showBox);
  menuBar()->setCornerWidget(showRow, Qt::TopRightCorner);
  showRow->hide();
  diagrams = new DiagramView(top);
  readout = new QLabel(top);
  readout->setTextFormat(Qt::PlainText);
  readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
  readout->setContentsMargins(6, 2, 6, 2);
  readout->setMinimumHeight(2 * readout->fontMetrics().height() + 6);
  readout->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // Long lines are cut by a narrow window rather than hold it wide.
  readout->setMinimumWidth(1);
  equilibrium = new QLabel(top);
  equilibrium->setTextFormat(Qt::PlainText);
  equilibrium->setTextInteractionFlags(Qt::TextSelectableByMouse);
  equilibrium->setContentsMargins(6, 0, 6, 2);
  equilibrium->setWordWrap(true);
  accuracy = new QLabel(top);
  accuracy->setTextFormat(Qt::PlainText);
  accuracy->setTextInteractionFlags(Qt::TextSelectableByMouse);
  accuracy->setContentsMargins(6, 0, 6, 2);
  accuracy->setWordWrap(true);
  // As the main window's tool bar shows it.
  warning = new QLabel(top);
  warning->setTextFormat(Qt::PlainText);
  warning->setContentsMargins(6, 2, 6, 0);
  warning->setWordWrap(true);
  QFont bold = warning->font();
  bold.setBold(true);
  warning->setFont(bold);
  QPalette maroon = warning->palette();
  maroon.setColor(QPalette::WindowText, pelvar::palette::kMaroon);
  warning->setPalette(maroon);
  warning->hide();
  // A number too long for a line (values near the range of doubles) is cut by the window's
  // edge rather than hold the window wider than its screen.
  for (QLabel* lines : {equilibrium, accuracy, warning}) lines->setMinimumWidth(1);
  topLayout->addWidget(warning);
  topLayout->addWidget(diagrams, 1);
  topLayout->addWidget(readout);
  topLayout->addWidget(equilibrium);
  topLayout->addWidget(accuracy);

  tables = new QTabWidget(splitter);
  nodeModel_ = new ResultsTableModel(ResultsTableModel::Kind::Nodes, this);
  elementModel_ = new ResultsTableModel(ResultsTableModel::Kind::Elements, this);
  nodeTable = MakeTable(nodeModel_, 1, tables);
  elementTable = MakeTable(elementModel_, 2, tables);
  supportModel_ = new ResultsTableModel(ResultsTableModel::Kind::Supports, this);
  supportTable = MakeTable(supportModel_, 2, tables);
  supportTable->hide();
  tables->addTab(nodeTable, QStringLiteral("Nodes"));
  tables->addTab(elementTable, QStringLiteral("Elements"));
  splitter->addWidget(top);
  splitter->addWidget(tables);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 1);
  // Three quarters for the diagrams, a quarter for the tables, as far as their least sizes allow.
  splitter->setSizes({3000, 1000});
  // Neither part is ever dragged out of sight: the diagrams keep the least height that holds
  // them, the tables their headings and three rows.
  splitter->setChildrenCollapsible(false);
  const QTableView* table = nodeTable;
  tables->setMinimumHeight(
      tables->tabBar()->sizeHint().height() + table->horizontalHeader()->sizeHint().height() +
      3 * table->verticalHeader()->defaultSectionSize() + 2 * table->frameWidth() +
      2 * tables->style()->pixelMetric(QStyle::PM_DefaultFrameWidth));
  setCentralWidget(splitter);
  resize(960, 760);

  connect(diagrams, &DiagramView::markerMoved, this, &ResultsWindow::showReadout);
  connect(showBox, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (problem_ == nullptr || index < 0) return;
    showChoice(index);
    emit shownChanged();
  });
  showOutdated();
}

ResultsWindow::~ResultsWindow() = default;

void ResultsWindow::showResults(const ProblemData& data) {
  if (!data.resultsAvailable) {  // nothing calculated after all
    showOutdated();
    return;
  }
  problem_ = std::make_unique<ProblemData>(data);
  calculated_.clear();
  fillShowBox();
  showChoice(showBox->currentIndex());
}

void ResultsWindow::fillShowBox() {
  const ProblemData& data = *problem_;
  const QVariant chosen = showBox->currentData();
  const QString chosenName = showBox->currentText();
  const QSignalBlocker quiet(showBox);
  showBox->clear();
  const bool cases = HasLoadCases(data);
  showRow->setVisible(cases);
  const LoadCases& load = data.loadCases;
  auto add = [&](const DesignState& state, int choice) {
    showBox->addItem(QStringFromCp1252(StateLoadName(data, state)), choice);
  };
  for (int c = 0; c < load.caseCount; ++c) add(CaseAloneState(c), c);
  if (cases) {
    if (load.combinationCount > 0) showBox->insertSeparator(showBox->count());
    for (int k = 0; k < load.combinationCount; ++k) {
      add(DesignState{k, -1, -1}, kCombinationChoice + k);
    }
    showBox->insertSeparator(showBox->count());
    showBox->addItem(QStringLiteral("Envelope"), kEnvelopeChoice);
  }
  // The same choice where the problem still has it: the same kind of entry by the same name.
  int index = 0;
  if (chosen.isValid()) {
    const int kind = chosen.toInt() < 0 ? -1 : chosen.toInt() >= kCombinationChoice ? 1 : 0;
    for (int i = 0; i < showBox->count(); ++i) {
      const QVariant entry = showBox->itemData(i);
      if (!entry.isValid()) continue;
      const int entryKind = entry.toInt() < 0 ? -1 : entry.toInt() >= kCombinationChoice ? 1 : 0;
      if (entryKind == kind && (kind < 0 || showBox->itemText(i) == chosenName)) {
        index = i;
        break;
      }
    }
  }
  showBox->setCurrentIndex(index);
  showBox->setEnabled(true);
  calculated_.assign(static_cast<std::size_t>(showBox->count()), nullptr);
}

std::shared_ptr<const ResultsSnapshot> ResultsWindow::calculateChoice(int index) {
  const ProblemData& data = *problem_;
  const int choice = showBox->itemData(index).toInt();
  // Named for what it shows; a snapshot is made to be changed until it is shared.
  auto named = [](std::shared_ptr<const ResultsSnapshot> snapshot, const QString& shown) {
    std::const_pointer_cast<ResultsSnapshot>(snapshot)->shown = shown;
    return snapshot;
  };
  // The first case's results are those of Calculate.
  if (choice == 0) {
    return named(TakeResultsSnapshot(data),
                 HasLoadCases(data) ? StateTitle(data, CaseAloneState(0)) : QString());
  }
  if (scratch_ == nullptr) scratch_ = std::make_unique<ProblemData>();
  CalculationOutcome outcome;
  DesignState state;
  if (choice == kEnvelopeChoice) {
    auto envelope = std::make_shared<Envelope>();
    EnvelopeOutcome made;
    {
      const WaitCursor waiting;
      made = RunEnvelope(data, work_, *scratch_, *envelope);
    }
    if (made.outcome.status == CalculationStatus::Success) {
      return TakeEnvelopeSnapshot(data, std::move(envelope));
    }
    outcome = made.outcome;
    state = made.failedState;
  } else {
    state = choice >= kCombinationChoice ? DesignState{choice - kCombinationChoice, -1, -1}
                                         : CaseAloneState(choice);
    ApplyDesignState(data, state, *scratch_);
    outcome = RunCalculation(*scratch_, work_);
    if (outcome.status == CalculationStatus::Success) {
      return named(TakeResultsSnapshot(*scratch_), StateTitle(data, state));
    }
  }
  // As Calculate says it; of an envelope, which of its states failed.
  QString message = QString::fromStdString(outcome.message);
  if (choice == kEnvelopeChoice && outcome.fault.kind != FaultKind::TooManyPositions) {
    message = QStringLiteral("The calculation of %1 failed.\n")
                  .arg(QStringFromCp1252(StateText(data, state))) +
              message;
  }
  if (outcome.status == CalculationStatus::Singular) {
    dialogs_.message(this, message);
  } else {
    dialogs_.error(this, message);
  }
  return nullptr;
}

void ResultsWindow::showChoice(int index) {
  const auto i = static_cast<std::size_t>(index);
  if (i >= calculated_.size()) return;
  if (calculated_[i] == nullptr) calculated_[i] = calculateChoice(index);
  if (calculated_[i] != nullptr && calculated_[i]->quantities.elements.empty()) {
    showOutdated();  // nothing calculated after all
    return;
  }
  if (calculated_[i] == nullptr) {
    // Nothing to show, and nothing stale: the diagrams say why.
    snapshot_.reset();
    diagrams->showNotice(
        QStringLiteral("%1 could not be calculated.").arg(showBox->itemText(index)));
    nodeModel_->setSnapshot(nullptr);
    elementModel_->setSnapshot(nullptr);
    supportModel_->setSnapshot(nullptr);
    for (QAction* action : {exportPictureAction, exportCsvAction, copyAction, exactBeamAction}) {
      action->setEnabled(false);
    }
    readout->clear();
    equilibrium->clear();
    accuracy->clear();
    showCoveredWarning();
  } else {
    present(calculated_[i]);
  }
}

void ResultsWindow::present(std::shared_ptr<const ResultsSnapshot> shown) {
  snapshot_ = std::move(shown);
  const ProblemData& data = *snapshot_->data;
  diagrams->setSnapshot(snapshot_);
  nodeModel_->setSnapshot(snapshot_);
  elementModel_->setSnapshot(snapshot_);
  supportModel_->setSnapshot(snapshot_);
  const int supportTab = tables->indexOf(supportTable);
  if (supportModel_->rowCount() > 0 && supportTab < 0) {
    tables->addTab(supportTable, QStringLiteral("Supports"));
  } else if (supportModel_->rowCount() == 0 && supportTab >= 0) {
    tables->removeTab(supportTab);
  }
  for (QAction* action : {exportPictureAction, exportCsvAction, copyAction}) {
    action->setEnabled(true);
  }
  showProblemName(QStringFromCp1252(data.problemName.View()));
  // An envelope's readout takes a line for the place and one for each quantity.
  readout->setMinimumHeight((snapshot_->envelope ? 5 : 2) * readout->fontMetrics().height() + 6);
  showReadout(-1, -1);
  const bool envelope = snapshot_->envelope != nullptr;
  exactBeamAction->setEnabled(data.accuracy.available && !envelope);
  accuracy->setText(AccuracyText(data.accuracy, envelope ? snapshot_->shown : QString()));
  // The forces balance in each state, not between the extremes of different ones.
  equilibrium->setVisible(!envelope);
  if (envelope) {
    for (const std::optional<std::string>& line :
         {LeftOutText(data, *snapshot_->envelope), CoarseStepWarning(data, *snapshot_->envelope)}) {
      if (line)
        accuracy->setText(accuracy->text() + QStringLiteral("\n") + QString::fromStdString(*line));
    }
    showExactBeam(false);
    showCoveredWarning();
    return;
  }
  const EquilibriumTotals& totals = snapshot_->quantities.equilibrium;
  // A balance that rounds to zero shows without its sign.
  const double balance =
      (totals.load + totals.pointForces) - (totals.springForces + totals.supportForces);
  std::string carried = FormatText("springs %.3f kN", totals.springForces);
  if (totals.supported) carried += FormatText("  +  supports %.3f kN", totals.supportForces);
  equilibrium->setText(QString::fromStdString(
      FormatText("Equilibrium:   load %.3f kN  +  point forces %.3f kN  =  ", totals.load,
                 totals.pointForces) +
      carried + "   (balance " + FixedText(balance, 3) + " kN)"));
  const QString foundation = FoundationText(*snapshot_);
  if (!foundation.isEmpty())
    accuracy->setText(accuracy->text() + QStringLiteral("\n") + foundation);
  showExactBeam(exactBeamAction->isChecked());
  showCoveredWarning();
}

void ResultsWindow::showProblemName(const QString& name) {
  setWindowTitle(name.isEmpty() ? QStringLiteral("Pelvar - Results")
                                : QStringLiteral("Pelvar - Results - ") + name);
}

void ResultsWindow::setWarningBeneath(const QWidget* label) {
  warningBeneath_ = label;
  showCoveredWarning();
}

void ResultsWindow::showCoveredWarning() {
  const std::optional<std::string> text =
      snapshot_ ? AccuracyWarning(*snapshot_->data) : std::nullopt;
  bool covers = false;
  if (text && isVisible() && warningBeneath_ != nullptr && warningBeneath_->isVisible()) {
    const QRect beneath(warningBeneath_->mapToGlobal(QPoint(0, 0)), warningBeneath_->size());
    covers = frameGeometry().intersects(beneath);
  }
  if (covers) warning->setText(QString::fromStdString(*text));
  warning->setVisible(covers);
}

void ResultsWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  showCoveredWarning();
}

void ResultsWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  showCoveredWarning();
}

void ResultsWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  showCoveredWarning();
}

void ResultsWindow::showExactBeam(bool shown) {
  diagrams->setOverlay(shown && snapshot_ && snapshot_->data->accuracy.available
                           ? ExactBeamOverlay(snapshot_)
                           : PanelOverlay{});
}

void ResultsWindow::showOutdated() {
  snapshot_.reset();
  problem_.reset();
  calculated_.clear();
  // The choice stays for the next Calculate; until then there is nothing to calculate.
  showBox->setEnabled(false);
  diagrams->setSnapshot(nullptr);
  nodeModel_->setSnapshot(nullptr);
  elementModel_->setSnapshot(nullptr);
  supportModel_->setSnapshot(nullptr);
  for (QAction* action : {exportPictureAction, exportCsvAction, copyAction, exactBeamAction}) {
    action->setEnabled(false);
  }
  diagrams->setOverlay({});
  // The diagrams say so, once.
  readout->clear();
  equilibrium->clear();
  accuracy->clear();
  showCoveredWarning();
}

void ResultsWindow::showReadout(int node, int element) {
  if (!snapshot_) return;
  if (node < 0 || element < 0) {
    readout->setText(QStringLiteral("Move the mouse over the diagrams to read the values."));
    return;
  }
  if (snapshot_->envelope) {
    showEnvelopeReadout(node, element);
    return;
  }
  const ResultsSnapshot& s = *snapshot_;
  const ResultNode& n = s.data->nodes[node];
  const ElementResult& e = s.quantities.elements[element];
  const int xd = DecimalsFor(s.nodeX.back(), 6);
  auto value = [&](double v, ResultQuantity q) {
    return QString::fromStdString(FixedText(v, DiagramDecimals(s, q) + 2)) + QLatin1Char(' ') +
           QuantityUnit(q);
  };
  auto length = [&](double x) { return QString::fromStdString(FixedText(x, xd)); };
  // Where Q or M jumps at the node, the side a section is designed for, the larger, named, and
  // the other side after it where the line has room: "M right = 445.4322 kNm (left 245.4322)".
  auto sides = [&](const char* name, double left, double right, ResultQuantity q, bool other) {
    if (left == right) return QLatin1String(name) + QStringLiteral(" = ") + value(left, q);
    const bool rightLarger = LargerSide(left, right) != left;
    QString text = QLatin1String(name) + QLatin1String(rightLarger ? " right = " : " left = ") +
                   value(rightLarger ? right : left, q);
    if (other) {
      text +=
          QLatin1String(rightLarger ? " (left " : " (right ") +
          QString::fromStdString(FixedText(rightLarger ? left : right, DiagramDecimals(s, q) + 2)) +
          QLatin1Char(')');
    }
    return text;
  };
  // A line too long for the readout loses the other sides first, then the width of its gaps.
  auto nodeLine = [&](bool other, bool wide) {
    const QString gap = wide ? QStringLiteral("      ") : QStringLiteral("  ");
    return QStringLiteral("Node %1:   x = %2 m%3w = %4%3%5%3%6")
        .arg(node)
        .arg(length(n.x), gap, value(n.w, ResultQuantity::W),
             sides("Q", n.Q, n.QRight, ResultQuantity::Q, other),
             sides("M", n.M, n.MRight, ResultQuantity::M, other));
  };
  QString line = nodeLine(true, true);
  if (Jumps(n)) {
    const QFontMetrics metrics = readout->fontMetrics();
    const int room = readout->contentsRect().width();
    if (metrics.horizontalAdvance(line) > room) line = nodeLine(false, true);
    if (metrics.horizontalAdvance(line) > room) line = nodeLine(false, false);
  }
  readout->setText(line + QLatin1Char('\n') +
                   QStringLiteral("Element %1 (section %2, x = %3 to %4 m):   p = %5")
                       .arg(element + 1)
                       .arg(e.section + 1)
                       .arg(length(e.x0), length(e.x1), value(e.p, ResultQuantity::P)));
}

void ResultsWindow::showEnvelopeReadout(int node, int element) {
  const ResultsSnapshot& s = *snapshot_;
  const Envelope& envelope = *s.envelope;
  const NodeEnvelope& n = envelope.nodes[static_cast<std::size_t>(node)];
  const ElementEnvelope& e = envelope.elements[static_cast<std::size_t>(element)];
  const ElementResult& place = s.quantities.elements[static_cast<std::size_t>(element)];
  const int xd = DecimalsFor(s.nodeX.back(), 6);
  auto length = [&](double x) { return QString::fromStdString(FixedText(x, xd)); };
  // "max 0.013889 m ("ULS", soil factor 0.5)   min 0.006944 m ("Dead")"
  auto range = [&](const EnvelopeValue& high, const EnvelopeValue& low, ResultQuantity q) {
    auto one = [&](const char* which, const EnvelopeValue& v) {
      return QLatin1String(which) +
             QString::fromStdString(FixedText(v.value, DiagramDecimals(s, q) + 2)) +
             QLatin1Char(' ') + QuantityUnit(q) + QStringLiteral(" (") +
             QStringFromCp1252(StateText(*s.data, v.state)) + QLatin1Char(')');
    };
    return one("max ", high) + QStringLiteral("   ") + one("min ", low);
  };
  // The place on a line of its own, so that each quantity's line has room for both states.
  readout->setText(
      QStringLiteral("Node %1 at x = %2 m;   element %3 (section %4, x = %5 to %6 m)\n")
          .arg(node)
          .arg(length(n.x))
          .arg(element + 1)
          .arg(place.section + 1)
          .arg(length(e.x0), length(e.x1)) +
      QStringLiteral("w   %1\n").arg(range(n.wMax, n.wMin, ResultQuantity::W)) +
      QStringLiteral("Q   %1\n").arg(range(n.QMax, n.QMin, ResultQuantity::Q)) +
      QStringLiteral("M   %1\n").arg(range(n.MMax, n.MMin, ResultQuantity::M)) +
      QStringLiteral("p   %1").arg(range(e.pMax, e.pMin, ResultQuantity::P)));
}

QRect PlaceBeside(const QRect& other, QSize wanted, int leastWidth, const QRect& room) {
  QSize size = wanted.boundedTo(room.size());
  const int rightRoom = room.right() - other.right();
  const int leftRoom = other.left() - room.left();
  int x = 0;
  if (size.width() <= rightRoom) {
    x = other.right() + 1;
  } else if (size.width() <= leftRoom) {
    x = other.left() - size.width();
  } else if (std::max(rightRoom, leftRoom) >= std::min(leastWidth, size.width())) {
    // Narrower, but beside it.
    size.setWidth(std::max(rightRoom, leftRoom));
    x = rightRoom >= leftRoom ? other.right() + 1 : room.left();
  } else {
    // Over the side with more room, against the screen's edge there, as narrow as it may be.
    size.setWidth(std::min(size.width(), leastWidth));
    x = rightRoom >= leftRoom ? room.right() + 1 - size.width() : room.left();
  }
  const int y = std::clamp(other.top(), room.top(), room.bottom() + 1 - size.height());
  return {QPoint(x, y), size};
}

void ResultsWindow::placeBeside(const QWidget* other) {
  const QScreen* screen = other->screen();
  if (screen == nullptr) return;
  // Before it is first shown the window has no frame of its own yet; the other's tells how
  // large a frame will be.
  const QRect outer = other->frameGeometry();
  const QRect inner = other->geometry();
  const QSize frame = outer.size() - inner.size();
  // Narrower than this its diagrams and tables would be hard to read.
  const int leastWidth = std::max(minimumSizeHint().width(), kLeastReadableWidth);
  const QRect placed =
      PlaceBeside(outer, size() + frame, leastWidth + frame.width(), screen->availableGeometry());
  resize(placed.size() - frame);
  move(placed.topLeft());
}

QTableView* ResultsWindow::currentTable() const {
  return qobject_cast<QTableView*>(tables->currentWidget());
}

void ResultsWindow::copySelection() {
  if (!snapshot_) return;
  const QTableView* table = currentTable();
  if (table == nullptr) return;
  const QModelIndexList selected = table->selectionModel()->selectedIndexes();
  if (selected.isEmpty()) return;
  // The selection's bounding rectangle under the headings of its columns, cells outside the
  // selection left empty, as a spreadsheet pastes it; the values at full precision.
  std::map<std::pair<int, int>, QString> cells;
  int top = selected.front().row(), bottom = top;
  int left = selected.front().column(), right = left;
  const auto* model = static_cast<const ResultsTableModel*>(table->model());
  for (const QModelIndex& index : selected) {
    cells[{index.row(), index.column()}] = model->exactText(index.row(), index.column());
    top = std::min(top, index.row());
    bottom = std::max(bottom, index.row());
    left = std::min(left, index.column());
    right = std::max(right, index.column());
  }
  QString text;
  for (int column = left; column <= right; ++column) {
    if (column > left) text += QLatin1Char('\t');
    text += model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
  }
  text += QLatin1Char('\n');
  for (int row = top; row <= bottom; ++row) {
    for (int column = left; column <= right; ++column) {
      if (column > left) text += QLatin1Char('\t');
      if (const auto cell = cells.find({row, column}); cell != cells.end()) text += cell->second;
    }
    text += QLatin1Char('\n');
  }
  QGuiApplication::clipboard()->setText(text);
}

void ResultsWindow::exportCsv() {
  if (!snapshot_) return;
  const bool nodes = tables->currentIndex() != 1;
  FileDialogSettings settings;
  settings.filterDescription = QStringLiteral("CSV(*.csv)");
  settings.filterPattern = QStringLiteral("*.csv");
  settings.defaultSuffix = QStringLiteral("csv");
  settings.initialFolder = folder_.isEmpty() ? QDir::currentPath() : folder_;
  settings.fileName =
      WithoutExtension(QStringFromCp1252(snapshot_->data->fileName.View()), QStringLiteral("plv")) +
      (snapshot_->envelope ? QStringLiteral(" envelope.csv")
       : nodes             ? QStringLiteral(" nodes.csv")
                           : QStringLiteral(" elements.csv"));
  const std::optional<std::string> path =
      ChooseSaveFile(dialogs_, this, settings, dataFile_, DataFileRule::Keeps);
  if (!path) return;
  // Of an envelope, its node table whichever tab is open: the element table's extremes stand
  // in the readout and the diagrams.
  const std::string csv = snapshot_->envelope ? EnvelopeNodeTableCsv(*snapshot_->envelope,
                                                                     snapshot_->data->elementCount)
                          : nodes             ? NodeTableCsv(*snapshot_->data)
                                              : ElementTableCsv(*snapshot_->data);
  const FileResult written = WriteFileAtomically(*path, csv);
  if (!written.ok) {
    dialogs_.error(this, ReadableText(written.message));
    return;
  }
  folder_ = FolderPart(DialogPath(*path));
}

void ResultsWindow::exportPicture() {
  if (!snapshot_) return;
  FileDialogSettings settings;
  settings.filterDescription = QStringLiteral("PNG or SVG picture");
  settings.filterPattern = QStringLiteral("*.png *.svg");
  settings.defaultSuffix = QStringLiteral("png");
  settings.initialFolder = folder_.isEmpty() ? QDir::currentPath() : folder_;
  settings.fileName =
      WithoutExtension(QStringFromCp1252(snapshot_->data->fileName.View()), QStringLiteral("plv")) +
      ".png";
  const std::optional<std::string> path =
      ChooseSaveFile(dialogs_, this, settings, dataFile_, DataFileRule::Keeps);
  if (!path) return;

  // Its size in pixels, proposed as last chosen, first as pelvar-batch --picture makes it.
  const std::optional<QSize> asked =
      dialogs_.pictureSize(this, pictureSize_, kMinPictureSide, kMaxPictureSide);
  if (!asked) return;
  pictureSize_ = QSize(ClampPictureSide(asked->width()), ClampPictureSide(asked->height()));
  // The picture pelvar-batch makes, with the problem's name and today's date, and the exact beam
  // where the window shows it.
  PictureRequest request = DiagramFileRequest(*snapshot_->data, pictureSize_, QDate::currentDate());
  request.extras.overlay = diagrams->overlay();
  request.extras.name = ShownHeading(request.extras.name, *snapshot_);
  const FileResult written = WriteDiagramPicture(*path, *snapshot_, request);
  if (!written.ok) {
    dialogs_.error(this, ReadableText(written.message));
    return;
  }
  folder_ = FolderPart(DialogPath(*path));
}

}  // namespace pelvar
