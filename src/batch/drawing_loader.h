#pragma once
// How pelvar-batch finds and loads its drawing module (batch/drawing_module.h) when --report or
// --picture asks for it.
//
// Whose code is loaded: another user of the same machine may make files and folders wherever
// everyone may write (/tmp and the like), may have made the folder a script runs in, and may
// have had a hand in the environment a script passes on. None of these may choose the code that
// runs as our user. So the module is looked for only at fixed places, both absolute: beside the
// running program's real file as installed (its folder's PELVAR_DRAWING_MODULE_FROM_BIN, taken
// from /proc/self/exe, which no link, current folder or argv[0] can bend; in the build tree
// the module is built at the same place beside the program), then in the install folder named
// at build time. Never the current folder, never a search path from the environment
// (LD_LIBRARY_PATH plays no part in finding it). A place is taken only where the module file
// and every folder on its way belong to root or to the effective user and none of them can be
// written by others, except a sticky folder such as /tmp, where nobody else can rename or
// remove what is ours: so nobody else can have put the file there or swap it between the check
// and the loading. The libraries the module needs in turn (Qt's) are found as the program's own
// are.

#include <string>
#include <vector>

#include "batch/drawing_module.h"
#include "files/file_result.h"
#include "model/problem_data.h"

namespace pelvar {

// The real path of the running program, from /proc/self/exe; empty where it is not known.
std::string RunningProgram();

// Where the module may be, in the order tried, for the program at its real path (empty: only
// the install folder).
std::vector<std::string> DrawingModulePlaces(const std::string& program);

// Why the file at a real path (no links in it) could have been put or changed by someone other
// than root or the effective user, as in "\"/tmp/x\" belongs to another user"; empty where it
// could not.
std::string UntrustedReason(const std::string& realPath);

// The module from the first place where it loads, started on first use and finished when this
// is destroyed; its report and picture fail with the reasons of every place where it does not.
class DrawingModule {
 public:
  DrawingModule(std::vector<std::string> places, int& argc, char** argv);
  ~DrawingModule();
  DrawingModule(const DrawingModule&) = delete;
  DrawingModule& operator=(const DrawingModule&) = delete;

  FileResult MakeReport(const ProblemData& data, const Envelope* envelope, std::string& pdf);
  FileResult MakePicture(const ProblemData& data, const Envelope* envelope, const std::string& path,
                         int width, int height, std::string& bytes);

 private:
  // Loads and starts the module once; why it cannot, empty when it is ready.
  const std::string& Ready();
  // The module at one place, or why it is not taken from there.
  std::string Load(const std::string& place);

  std::vector<std::string> places_;
  int& argc_;
  char** argv_;
  bool tried_ = false;
  std::string failure_;
  void* handle_ = nullptr;
  const PelvarBatchDrawingCalls* calls_ = nullptr;
  PelvarBatchDrawing* drawing_ = nullptr;
};

}  // namespace pelvar
