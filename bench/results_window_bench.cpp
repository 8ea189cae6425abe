// The results window at 100 and 1000 elements: drawing its diagrams at a common window size and
// at twice the screen scale, opening it (copy of the results, tables, first paint), and one step
// of the readout following the mouse (marker moved, readout set, widget repainted).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <memory>

#include "analysis/calculation.h"
#include "desktop/qt_dialogs.h"
#include "results_window/diagram_view.h"
#include "results_window/results_window.h"

namespace pelvar {
namespace {

std::unique_ptr<ProblemData> Calculated(int elements) {
  auto data = std::make_unique<ProblemData>();
  data->elementCount = elements;
  data->points[1].force = 25.0;
  auto work = MakeAnalysisWorkspace();
  RunCalculation(*data, *work);
  return data;
}

// Layout and drawing of the four diagrams into a picture of 1100 x 560 logical pixels.
void DrawDiagrams(benchmark::State& state) {
  const auto data = Calculated(static_cast<int>(state.range(0)));
  const auto snapshot = TakeResultsSnapshot(*data);
  const qreal ratio = static_cast<qreal>(state.range(1));
  QImage image(QSize(1100, 560) * ratio, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  const QFont font = QApplication::font();
  for (auto _ : state) {
    QPainter painter(&image);
    const DiagramLayout layout = LayoutDiagrams(*snapshot, QRectF(0, 0, 1100, 560), font);
    PaintDiagrams(painter, *snapshot, layout, font);
  }
}
BENCHMARK(DrawDiagrams)
    ->Args({100, 1})
    ->Args({1000, 1})
    ->Args({1000, 2})
    ->Unit(benchmark::kMillisecond);

// From the command to a painted window: the copy of the results, both tables, and the first
// paint of the whole window.
void OpenWindow(benchmark::State& state) {
  const auto data = Calculated(static_cast<int>(state.range(0)));
  QtDialogs dialogs;
  const auto work = MakeAnalysisWorkspace();
  for (auto _ : state) {
    ResultsWindow window(dialogs, *work);
    window.resize(1100, 800);
    window.showResults(*data);
    window.show();
    benchmark::DoNotOptimize(window.grab());
  }
}
BENCHMARK(OpenWindow)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// One mouse step over the diagrams: the marker and readout move to the next node and the
// diagrams are repainted (from the kept picture, with the marker over it).
void FollowMouse(benchmark::State& state) {
  const auto data = Calculated(static_cast<int>(state.range(0)));
  QtDialogs dialogs;
  const auto work = MakeAnalysisWorkspace();
  ResultsWindow window(dialogs, *work);
  window.resize(1100, 800);
  window.showResults(*data);
  window.show();
  QApplication::processEvents();
  DiagramView* view = window.diagrams;
  const DiagramLayout& layout = view->layout();
  const double y = layout.panels[1].plot.center().y();
  int step = 0;
  for (auto _ : state) {
    const double x = layout.left + (step++ % 400) * (layout.right - layout.left) / 400.0;
    QMouseEvent move(QEvent::MouseMove, QPointF(x, y), view->mapToGlobal(QPointF(x, y)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    view->repaint();
    window.readout->repaint();
  }
  if (view->markedNode() < 0) state.SkipWithError("the mouse missed the diagrams");
}
BENCHMARK(FollowMouse)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace pelvar

int main(int argc, char** argv) {
  // No display needed: the window is drawn on Qt's offscreen platform unless another is named.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
