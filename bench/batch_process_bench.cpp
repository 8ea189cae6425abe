// The whole pelvar-batch process as a script meets it, from fork to exit: the loading of the
// program and its libraries, the demonstration problem's calculation and the summary, written to
// /dev/null; the same with a picture, which also loads what draws it; and the envelope of 50
// combinations of 20 load cases on a beam of 1000 elements. Wall time, since the time goes into
// the child.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "files/problem_file.h"

namespace {

// Runs the built command once with the arguments, its output and errors going nowhere; true when
// it ends with status 0.
bool RunOnce(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  std::string program = PELVAR_BATCH_PATH;
  argv.push_back(program.data());
  std::vector<std::string> copies(arguments);
  for (std::string& argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;
  int status = 0;
  if (waitpid(child, &status, 0) != child) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void Run(benchmark::State& state, const std::vector<std::string>& arguments) {
  for (auto _ : state) {
    if (!RunOnce(arguments)) {
      state.SkipWithError("pelvar-batch failed");
      break;
    }
  }
}

void Demo(benchmark::State& state) { Run(state, {"--demo"}); }

// The picture goes into a folder of its own, replaced at every run.
void DemoPicture(benchmark::State& state) {
  char folder[] = "/tmp/pelvar_bench_XXXXXX";
  if (mkdtemp(folder) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string picture = std::string(folder) + "/demo.png";
  Run(state, {"--demo", "--picture-size", "320x240", "--picture", picture});
  unlink(picture.c_str());
  rmdir(folder);
}

// Twenty cases, each a load on its own section or point, and fifty combinations of all of them
// with factors between 0.5 and 1.5, on the demonstration problem's beam of 1000 elements.
void Combinations(benchmark::State& state) {
  auto data = std::make_unique<pelvar::ProblemData>();
  data->elementCount = 1000;
  pelvar::LoadCases& cases = data->loadCases;
  cases.caseCount = pelvar::kMaxLoadCases;
  for (int c = 1; c < cases.caseCount; ++c) {
    pelvar::LoadCase& loads = cases.cases[static_cast<std::size_t>(c)];
    loads.name.Set("Case " + std::to_string(c + 1));
    loads.sectionLoad[static_cast<std::size_t>(c % data->sectionCount)] = c;
    loads.pointForce[static_cast<std::size_t>(c % (data->sectionCount + 1))] = 10.0 * c;
  }
  cases.combinationCount = pelvar::kMaxCombinations;
  for (int k = 0; k < cases.combinationCount; ++k) {
    pelvar::LoadCombination& combination = cases.combinations[static_cast<std::size_t>(k)];
    combination.name.Set("Combination " + std::to_string(k + 1));
    for (int c = 0; c < cases.caseCount; ++c) {
      combination.factor[static_cast<std::size_t>(c)] = 0.5 + ((k + c) % 3) * 0.5;
    }
  }
  char folder[] = "/tmp/pelvar_bench_XXXXXX";
  if (mkdtemp(folder) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string file = std::string(folder) + "/combinations.plv";
  if (pelvar::WriteProblemFile(*data, file).ok) {
    Run(state, {"--envelope", file});
  } else {
    state.SkipWithError("the problem could not be written");
  }
  unlink(file.c_str());
  rmdir(folder);
}

}  // namespace

BENCHMARK(Demo)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(DemoPicture)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Combinations)->UseRealTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
