// The whole pelvar-batch process as a script meets it, from fork to exit: the loading of the
// program and its libraries, the demonstration problem's calculation and the summary, written to
// /dev/null; and the same with a picture, which also loads what draws it. Wall time, since the
// time goes into the child.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

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

}  // namespace

BENCHMARK(Demo)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(DemoPicture)->UseRealTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
