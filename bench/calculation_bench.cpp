// The calculation at 100 and 1000 elements beside LAPACK's banded solver dgbsv on the same
// assembled equations: the scheme's run (mesh, assembly, block elimination, the check of the
// solution against the equations, results), and the whole run of Calculate, which adds the exact
// solution of the continuous beam and the accuracy of the scheme's answer.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "analysis/calculation.h"
#include "analysis/envelope.h"
#include "model/load_cases.h"

extern "C" void dgbsv_(const int* n, const int* kl, const int* ku, const int* nrhs, double* ab,
                       const int* ldab, int* ipiv, double* b, const int* ldb, int* info);

namespace pelvar {
namespace {

// The demonstration problem with a point force: the first elimination order succeeds, as it does
// for most real beams.
ProblemData BenchProblem(int elements) {
  ProblemData data;
  data.elementCount = elements;
  data.points[1].force = 25.0;
  return data;
}

// The same beam held as engineers build it: a fixed left end, a pin inside, an elastic right
// end, and a middle section of its own EI and width.
ProblemData SupportedProblem(int elements) {
  ProblemData data = BenchProblem(elements);
  data.points[0].support.kind = SupportKind::Fixed;
  data.points[2].support.kind = SupportKind::Pinned;
  data.points[3].support = {SupportKind::Elastic, 5000.0, 1.0e5, 0.0, 0.0};
  data.sections[1].stiffnessEI = 2.0e6;
  data.sections[1].width = 1.5;
  return data;
}

template <CalculationOutcome (*Run)(ProblemData&, AnalysisWorkspace&),
          ProblemData (*Problem)(int) = BenchProblem>
void Calculation(benchmark::State& state) {
  ProblemData data = Problem(static_cast<int>(state.range(0)));
  auto work = MakeAnalysisWorkspace();
  SolutionMethod method = SolutionMethod::None;
  for (auto _ : state) {
    const CalculationOutcome outcome = Run(data, *work);
    benchmark::DoNotOptimize(outcome.summary.maxM);
    benchmark::DoNotOptimize(data.accuracy.M);
    if (outcome.status != CalculationStatus::Success) state.SkipWithError("run failed");
    method = outcome.method;
  }
  // Which solve kept the answer: the block eliminations (1, 2, 3) or the banded one (4).
  state.counters["method"] = static_cast<double>(method);
}
void Scheme(benchmark::State& state) { Calculation<RunScheme>(state); }
void WholeRun(benchmark::State& state) { Calculation<RunCalculation>(state); }
void SupportedScheme(benchmark::State& state) { Calculation<RunScheme, SupportedProblem>(state); }
void SupportedWholeRun(benchmark::State& state) {
  Calculation<RunCalculation, SupportedProblem>(state);
}
BENCHMARK(Scheme)->Arg(100)->Arg(1000);
BENCHMARK(WholeRun)->Arg(100)->Arg(1000);
BENCHMARK(SupportedScheme)->Arg(1000);
BENCHMARK(SupportedWholeRun)->Arg(1000);

// Soil that takes no tension: a long beam with a point load in its middle lifts off either side,
// and the contact takes several rounds of solves to settle; the exact solution is made once, for
// the final contact.
void NoTensionWholeRun(benchmark::State& state) {
  ProblemData data;
  data.noTension = true;
  data.sectionCount = 2;
  data.elementCount = static_cast<int>(state.range(0));
  data.sections[0] = data.sections[1] = {50.0, 0.0, 1000.0};
  data.points[1].force = 100.0;
  auto work = MakeAnalysisWorkspace();
  for (auto _ : state) {
    const CalculationOutcome outcome = RunCalculation(data, *work);
    benchmark::DoNotOptimize(data.accuracy.M);
    if (outcome.status != CalculationStatus::Success) state.SkipWithError("run failed");
  }
  state.counters["rounds"] = data.contactRounds;
}
BENCHMARK(NoTensionWholeRun)->Arg(1000);

// A moving load of two axles of 100 kN, 2.5 m apart, on top of the problem's own loads on the beam
// of WholeRun, of SupportedWholeRun or of NoTensionWholeRun, moved in steps that make the given
// number of positions; the whole envelope with its accuracy, to set beside that many single runs.
ProblemData MovingLoadProblem(int positions, bool noTension, bool supported = false) {
  ProblemData data = supported ? SupportedProblem(1000) : BenchProblem(1000);
  if (noTension) {
    data.noTension = true;
    data.sectionCount = 2;
    data.sections[0] = data.sections[1] = {50.0, 0.0, 1000.0};
    data.points[1].force = 100.0;
  }
  MovingLoad& moving = data.loadCases.movingLoad;
  moving.axleCount = 2;
  moving.axleLoad[0] = moving.axleLoad[1] = 100.0;
  moving.spacing[0] = 2.5;
  moving.combination = 0;  // on the problem's own loads
  moving.step = (BeamLength(data) + 2.5) / (positions - 1);
  return data;
}
template <bool noTension, bool supported = false>
void MovingLoadEnvelope(benchmark::State& state) {
  const ProblemData data =
      MovingLoadProblem(static_cast<int>(state.range(0)), noTension, supported);
  auto work = MakeAnalysisWorkspace();
  auto scratch = std::make_unique<ProblemData>();
  auto envelope = std::make_unique<Envelope>();
  for (auto _ : state) {
    const EnvelopeOutcome outcome = RunEnvelope(data, *work, *scratch, *envelope);
    benchmark::DoNotOptimize(envelope->accuracy.M);
    if (outcome.outcome.status != CalculationStatus::Success) {
      state.SkipWithError(outcome.outcome.message.c_str());
      break;
    }
  }
  state.counters["states"] = envelope->stateCount;
  state.counters["rounds"] = static_cast<double>(envelope->contactRounds) / envelope->stateCount;
  state.counters["together"] = static_cast<double>(envelope->factoredStates);
}
void MovingLoad(benchmark::State& state) { MovingLoadEnvelope<false>(state); }
void MovingLoadSupported(benchmark::State& state) { MovingLoadEnvelope<false, true>(state); }
void MovingLoadNoTension(benchmark::State& state) { MovingLoadEnvelope<true>(state); }
BENCHMARK(MovingLoad)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(MovingLoadSupported)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(MovingLoadNoTension)->Arg(1000)->Unit(benchmark::kMillisecond);

// dgbsv alone: the assembled equations (unknowns M, w of every node; kl = ku = 3) in LAPACK's
// band layout are copied in before each solve, outside the timing.
void LapackBandSolve(benchmark::State& state) {
  ProblemData data = BenchProblem(static_cast<int>(state.range(0)));
  auto work = MakeAnalysisWorkspace();
  BuildMesh(data, work->mesh);
  AssembleSystem(data, work->mesh, work->system);

  const int n = 2 * (data.elementCount + 1), kl = 3, ku = 3, ldab = 2 * kl + ku + 1, nrhs = 1;
  std::vector<double> ab(static_cast<std::size_t>(ldab) * n, 0.0), rhs(n);
  for (int j = 0; j <= data.elementCount; ++j) {
    const BlockRow& row = work->system.rows[j];
    for (int e = 0; e < 2; ++e) {
      const int i = 2 * j + e;
      rhs[i] = row.rhs[e];
      for (int c = 0; c < row.entryCount; ++c) {
        for (int u = 0; u < 2; ++u) {
          const int col = 2 * row.columnNode[c] + u;
          ab[static_cast<std::size_t>(col) * ldab + (kl + ku + i - col)] = row.block[c][e][u];
        }
      }
    }
  }
  std::vector<double> abWork(ab), rhsWork(rhs);
  std::vector<int> pivots(n);
  for (auto _ : state) {
    state.PauseTiming();
    abWork = ab;
    rhsWork = rhs;
    state.ResumeTiming();
    int info = 0;
    dgbsv_(&n, &kl, &ku, &nrhs, abWork.data(), &ldab, pivots.data(), rhsWork.data(), &n, &info);
    benchmark::DoNotOptimize(rhsWork.data());
    if (info != 0) state.SkipWithError("dgbsv failed");
  }
}
BENCHMARK(LapackBandSolve)->Arg(100)->Arg(1000);

}  // namespace
}  // namespace pelvar

BENCHMARK_MAIN();
