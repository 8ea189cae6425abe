// pelvar: the desktop program. Starts the main window with the demonstration problem, or with
// the data file named on the command line, and runs until Quit or until the window is closed.

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "app/program_start.h"
#include "desktop/pelvar_application.h"
#include "desktop/qt_dialogs.h"
#include "files/safe_writer.h"
#include "ui/form_pelv.h"

namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

}  // namespace

int main(int argc, char** argv) {
  pelvar::IgnoreFileSizeSignal();
  // The command line is read before any display is needed, so --help and --version answer
  // anywhere.
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const pelvar::ProgramCommand command = pelvar::ParseProgramArguments(arguments);
  switch (command.action) {
    case pelvar::ProgramCommand::Action::Help:
      std::fputs(pelvar::ProgramUsage().c_str(), stdout);
      return 0;
    case pelvar::ProgramCommand::Action::Version:
      std::fputs(pelvar::ProgramVersion().c_str(), stdout);
      return 0;
    case pelvar::ProgramCommand::Action::Wrong:
      std::fputs(("pelvar: " + command.error + "\nTry \"pelvar --help\".\n").c_str(), stderr);
      return 2;
    case pelvar::ProgramCommand::Action::Window:
      break;
  }

  // Without any display the toolkit would only abort with a message about platform plugins.
  if (!IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY") && !IsSet("QT_QPA_PLATFORM")) {
    std::fputs(
        "pelvar: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window "
        "cannot be shown.\n"
        "To calculate a data file without a display, use pelvar-batch.\n",
        stderr);
    return 2;
  }

  // The toolkit sees the program name only: a data file's name is never taken for one of its
  // own options.
  int toolkitArgc = argc > 0 ? 1 : 0;
  pelvar::PelvarApplication application(toolkitArgc, argv);
  // Lets the desktop match the window to its menu entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("pelvar"));
  pelvar::QtDialogs dialogs;
  application.setDialogs(&dialogs);
  // A fault while the window is made or torn down is shown like one inside a command; the
  // program then ends normally.
  try {
    pelvar::TFormPelv form(dialogs);
    pelvar::ShowWindow(form, command);
    return application.exec();
  } catch (const std::exception& fault) {
    application.showException(QString::fromUtf8(fault.what()));
  } catch (...) {
    application.showException(QStringLiteral("Unknown error"));
  }
  return 0;
}
