#pragma once
// The application object. Its general error handler catches an exception that escapes any
// event handler, shows its message in an error box and lets the program go on.

#include <QApplication>

namespace pelvar {

class Dialogs;

class PelvarApplication : public QApplication {
 public:
  PelvarApplication(int& argc, char** argv);

  // The error boxes go through these dialogs; without them the message goes to stderr.
  void setDialogs(Dialogs* dialogs) { dialogs_ = dialogs; }

  bool notify(QObject* receiver, QEvent* event) override;

  // Shows the message of an exception that ended a command.
  void showException(const QString& message);

 private:
  Dialogs* dialogs_ = nullptr;
};

}  // namespace pelvar
