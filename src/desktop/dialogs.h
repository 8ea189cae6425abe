#pragma once
// The modal dialogs and message boxes of the main window, behind one small interface so that the
// window can be driven in tests: the program passes QtDialogs, a test passes a scripted stand-in
// that answers with a path or a cancel and records every message.

#include <QPoint>
#include <QSize>
#include <QString>
#include <optional>

class QPrinter;
class QWidget;

namespace pelvar {

// The caption of every message box: the application's title.
inline constexpr char kApplicationTitle[] = "Pelvar";

// What a file dialog starts with. The filter is one entry: a description shown to the user and
// the pattern it stands for.
struct FileDialogSettings {
  QString filterDescription;  // e.g. "PLV(*.plv)"
  QString filterPattern;      // e.g. "*.plv"
  QString defaultSuffix;      // appended to a name typed without one, e.g. "plv"
  QString initialFolder;
  QString fileName;  // the name proposed
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // The full path chosen, or nothing when the user cancels.
  virtual std::optional<QString> openFile(QWidget* parent, const FileDialogSettings& settings) = 0;
  virtual std::optional<QString> saveFile(QWidget* parent, const FileDialogSettings& settings) = 0;
  // True when the user confirms the print dialog; the printer then holds the choices made. The
  // dialog proposes proposedFile (a full path) for printing into a file.
  virtual bool print(QWidget* parent, QPrinter& printer, const QString& proposedFile) = 0;
  // The size of a picture in pixels, asked for with proposed filled in; each side is held within
  // least..most. Nothing when the user cancels.
  virtual std::optional<QSize> pictureSize(QWidget* parent, QSize proposed, int least,
                                           int most) = 0;

  // A plain message with an OK button and no icon, centred on the screen.
  virtual void message(QWidget* parent, const QString& text) = 0;
  // The same, with its top-left corner at a point of the screen.
  virtual void messageAt(QWidget* parent, const QString& text, QPoint screenPoint) = 0;
  // An error message with the error icon and an OK button.
  virtual void error(QWidget* parent, const QString& text) = 0;
  // A question with Yes and No buttons, No the default; true for Yes.
  virtual bool question(QWidget* parent, const QString& text) = 0;
};

}  // namespace pelvar
