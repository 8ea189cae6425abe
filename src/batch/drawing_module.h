#pragma once
// The one entry point of pelvar-batch's drawing module, pelvar-batch-drawing.so: the printed
// report and the picture of the diagrams, and with them the window toolkit. The command loads it
// only when --report or --picture asks for one, so a calculation alone never maps Qt's libraries.
// The command and its module are built from the same sources in one build; the module names its
// build, and the command takes none but its own.

#include <cstddef>
#include <string>

#include "analysis/envelope.h"
#include "files/file_result.h"
#include "model/problem_data.h"
#include "pelvar_version.h"

extern "C" {

// The module's state between its calls: the toolkit's application object.
struct PelvarBatchDrawing;

// What the module offers. No exception crosses the module's edge: a call that throws leaves the
// exception's text in fault, for the command to raise again.
struct PelvarBatchDrawingCalls {
  const char* build;            // kDrawingModuleBuild as the module was built
  std::size_t problemDataSize;  // sizeof(pelvar::ProblemData) as the module was built
  // Makes the toolkit's application on the offscreen platform (unless another is named), once;
  // argc and argv must outlive it.
  PelvarBatchDrawing* (*start)(int* argc, char** argv, std::string* fault);
  // As pelvar::ReportMaker and pelvar::PictureMaker (batch/batch_run.h).
  void (*makeReport)(PelvarBatchDrawing* drawing, const pelvar::ProblemData* data,
                     const pelvar::Envelope* envelope, std::string* pdf, pelvar::FileResult* result,
                     std::string* fault);
  // envelope: the problem's envelope, drawn in place of one state's results; or null.
  void (*makePicture)(PelvarBatchDrawing* drawing, const pelvar::ProblemData* data,
                      const pelvar::Envelope* envelope, const char* path, int width, int height,
                      std::string* bytes, pelvar::FileResult* result, std::string* fault);
  void (*finish)(PelvarBatchDrawing* drawing);
};

// The entry point; its name is kDrawingModuleEntry.
const PelvarBatchDrawingCalls* pelvar_batch_drawing_calls(void);
}

namespace pelvar {

inline constexpr const char* kDrawingModuleEntry = "pelvar_batch_drawing_calls";
// Changes with the program's version and with the calls above.
inline constexpr const char* kDrawingModuleBuild =
    "pelvar-batch-drawing " PELVAR_VERSION " calls 2";
inline constexpr const char* kDrawingModuleName = "pelvar-batch-drawing.so";

}  // namespace pelvar
