// pelvar: the desktop program. Starts the main window with the demonstration problem and runs
// until Quit or until the window is closed.

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "ui/form_pelv.h"
#include "ui/pelvar_application.h"
#include "ui/qt_dialogs.h"

namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

}  // namespace

int main(int argc, char** argv) {
  // Without any display the toolkit would only abort with a message about platform plugins.
  if (!IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY") && !IsSet("QT_QPA_PLATFORM")) {
    std::fputs(
        "pelvar: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window "
        "cannot be shown.\n"
        "To calculate a data file without a display, use pelvar-batch.\n",
        stderr);
    return 2;
  }

  pelvar::PelvarApplication application(argc, argv);
  pelvar::QtDialogs dialogs;
  application.setDialogs(&dialogs);
  // A fault while the window is made or torn down is shown like one inside a command; the
  // program then ends normally.
  try {
    pelvar::TFormPelv form(dialogs);
    form.show();
    return application.exec();
  } catch (const std::exception& fault) {
    application.showException(QString::fromUtf8(fault.what()));
  } catch (...) {
    application.showException(QStringLiteral("Unknown error"));
  }
  return 0;
}
