#include "desktop/pelvar_application.h"

#include <cstdio>
#include <exception>

#include "desktop/dialogs.h"

namespace pelvar {

PelvarApplication::PelvarApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QString::fromLatin1(kApplicationTitle));
}

bool PelvarApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& fault) {
    showException(QString::fromUtf8(fault.what()));
  } catch (...) {
    showException(QStringLiteral("Unknown error"));
  }
  return false;
}

void PelvarApplication::showException(const QString& message) {
  if (dialogs_ == nullptr) {
    std::fputs(message.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
    return;
  }
  // The box runs its own event loop; a fault inside it must not take the handler down with it.
  try {
    dialogs_->error(activeWindow(), message);
  } catch (...) {
    std::fputs(message.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
  }
}

}  // namespace pelvar
