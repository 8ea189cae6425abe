#include "batch/drawing_loader.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <utility>

#include "files/paths_and_messages.h"

namespace pelvar {
namespace {

namespace fs = std::filesystem;

// The call's fault raised again on this side of the module's edge, as if it had been made here.
void RaiseFault(const std::string& fault) {
  if (!fault.empty()) throw std::runtime_error(fault);
}

}  // namespace

std::string RunningProgram() {
  std::error_code error;
  const fs::path program = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string() : program.string();
}

std::vector<std::string> DrawingModulePlaces(const std::string& program) {
  std::vector<std::string> places;
  const auto add = [&places](const fs::path& folder) {
    // A relative place would be found from the current folder.
    if (!folder.is_absolute()) return;
    std::string place = (folder / kDrawingModuleName).lexically_normal().string();
    for (const std::string& known : places) {
      if (known == place) return;
    }
    places.push_back(std::move(place));
  };
  if (!program.empty()) add(fs::path(program).parent_path() / PELVAR_DRAWING_MODULE_FROM_BIN);
  add(PELVAR_DRAWING_MODULE_INSTALLED);
  return places;
}

std::string UntrustedReason(const std::string& realPath) {
  if (realPath.empty() || realPath.front() != '/') return Quoted(realPath) + " is not a full path";
  // From the root down: a folder that only trusted users can change keeps its entries as they
  // made them, so each step is only as safe as the ones above it.
  std::vector<std::string> steps{"/"};
  for (std::size_t slash = realPath.find('/', 1);; slash = realPath.find('/', slash + 1)) {
    steps.push_back(realPath.substr(0, slash));
    if (slash == std::string::npos) break;
  }
  for (const std::string& step : steps) {
    struct stat status {};
    if (::lstat(step.c_str(), &status) != 0) return Quoted(step) + ": " + SystemErrorText(errno);
    if (status.st_uid != 0 && status.st_uid != ::geteuid()) {
      return Quoted(step) + " belongs to another user";
    }
    const bool sticky = S_ISDIR(status.st_mode) && (status.st_mode & S_ISVTX) != 0;
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0 && !sticky) {
      return Quoted(step) + " can be written by others than its owner";
    }
  }
  return {};
}

DrawingModule::DrawingModule(std::vector<std::string> places, int& argc, char** argv)
    : places_(std::move(places)), argc_(argc), argv_(argv) {}

// The module stays mapped to the end: Qt's libraries are not made to be unloaded.
DrawingModule::~DrawingModule() {
  if (drawing_ != nullptr) calls_->finish(drawing_);
}

std::string DrawingModule::Load(const std::string& place) {
  const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(place.c_str(), nullptr),
                                                             &std::free);
  if (!resolved) return SystemErrorText(errno);
  const std::string real = resolved.get();
  if (std::string why = UntrustedReason(real); !why.empty()) return why;
  ::dlerror();
  void* handle = ::dlopen(real.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* text = ::dlerror();
    std::string why = text != nullptr ? text : "it cannot be loaded";
    // The loader's message starts with the file's name, which the caller already gives.
    if (why.rfind(real + ": ", 0) == 0) why.erase(0, real.size() + 2);
    return why;
  }
  using Entry = const PelvarBatchDrawingCalls* (*)();
  const auto entry = reinterpret_cast<Entry>(::dlsym(handle, kDrawingModuleEntry));
  const PelvarBatchDrawingCalls* calls = entry != nullptr ? entry() : nullptr;
  if (calls == nullptr || calls->build == nullptr ||
      std::strcmp(calls->build, kDrawingModuleBuild) != 0 ||
      calls->problemDataSize != sizeof(ProblemData)) {
    ::dlclose(handle);
    return "it is not the module of this pelvar-batch";
  }
  handle_ = handle;
  calls_ = calls;
  return {};
}

const std::string& DrawingModule::Ready() {
  if (tried_) return failure_;
  tried_ = true;
  std::string reasons;
  for (const std::string& place : places_) {
    const std::string why = Load(place);
    if (why.empty()) break;
    if (!reasons.empty()) reasons += "; ";
    reasons += Quoted(place) + ": " + why;
  }
  if (handle_ == nullptr) {
    failure_ = "the drawing module cannot be loaded (" + reasons + ")";
    return failure_;
  }
  std::string fault;
  drawing_ = calls_->start(&argc_, argv_, &fault);
  if (drawing_ == nullptr) failure_ = "the drawing module cannot be started";
  RaiseFault(fault);
  return failure_;
}

FileResult DrawingModule::MakeReport(const ProblemData& data, const Envelope* envelope,
                                     std::string& pdf) {
  if (const std::string& failure = Ready(); !failure.empty()) {
    return {false, "cannot write reports: " + failure};
  }
  FileResult result;
  std::string fault;
  calls_->makeReport(drawing_, &data, envelope, &pdf, &result, &fault);
  RaiseFault(fault);
  return result;
}

FileResult DrawingModule::MakePicture(const ProblemData& data, const Envelope* envelope,
                                      const std::string& path, int width, int height,
                                      std::string& bytes) {
  if (const std::string& failure = Ready(); !failure.empty()) {
    return {false, "cannot write pictures: " + failure};
  }
  FileResult result;
  std::string fault;
  calls_->makePicture(drawing_, &data, envelope, path.c_str(), width, height, &bytes, &result,
                      &fault);
  RaiseFault(fault);
  return result;
}

}  // namespace pelvar
