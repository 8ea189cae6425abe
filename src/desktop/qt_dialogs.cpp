#include "desktop/qt_dialogs.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QShowEvent>
#include <QSpinBox>

namespace pelvar {
namespace {

// A message box that places itself once its final size is known: centred on the screen, or
// with its top-left corner at a given screen point. A plain message keeps its lines as they are
// written: the box would break lines wider than about half the screen anew at its own width.
class PlacedMessageBox : public QMessageBox {
 public:
  PlacedMessageBox(Icon icon, const QString& text, QWidget* parent,
                   std::optional<QPoint> topLeft = std::nullopt,
                   StandardButtons buttons = QMessageBox::Ok)
      : QMessageBox(icon, QString::fromLatin1(kApplicationTitle), text, buttons, parent),
        topLeft_(topLeft),
        keepLines_(icon == NoIcon) {
    setTextFormat(Qt::PlainText);
  }

 protected:
  bool event(QEvent* event) override {
    // The box lays its text out anew, wrapped, whenever its layout is redone.
    if (keepLines_ && event->type() == QEvent::LayoutRequest) return QDialog::event(event);
    return QMessageBox::event(event);
  }

  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);
    if (keepLines_) keepLinesWhole();
    if (topLeft_) {
      move(*topLeft_);
      return;
    }
    QScreen* shownOn = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (shownOn == nullptr) return;
    QRect frame = frameGeometry();
    frame.moveCenter(shownOn->geometry().center());
    move(frame.topLeft());
  }

 private:
  void keepLinesWhole() {
    for (QLabel* label : findChildren<QLabel*>()) {
      if (label->text() != text()) continue;
      label->setWordWrap(false);
      setMinimumSize(0, 0);
      setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
      layout()->activate();
      setFixedSize(layout()->totalMinimumSize());
    }
  }

  std::optional<QPoint> topLeft_;
  bool keepLines_;
};

std::optional<QString> RunFileDialog(QWidget* parent, const FileDialogSettings& settings,
                                     QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent, QString(), settings.initialFolder);
  // Without a display server there is no native dialog to show.
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
  }
  dialog.setAcceptMode(mode);
  // The name typed need not belong to an existing file. The dialog does not ask before an
  // existing file is replaced: the windows ask themselves (ChooseSaveFile), since they know
  // which file they work on, which must not be replaced by an export and which Save replaces
  // unasked, and since the name Qt gives back for a name that is not UTF-8 is not yet the file.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  // The description alone is shown; the pattern in parentheses only tells the dialog what to
  // list.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilter(settings.filterDescription + QLatin1String(" (") + settings.filterPattern +
                       QLatin1Char(')'));
  dialog.setDefaultSuffix(settings.defaultSuffix);
  dialog.selectFile(settings.fileName);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.first();
}

}  // namespace

std::optional<QString> QtDialogs::openFile(QWidget* parent, const FileDialogSettings& settings) {
  return RunFileDialog(parent, settings, QFileDialog::AcceptOpen);
}

std::optional<QString> QtDialogs::saveFile(QWidget* parent, const FileDialogSettings& settings) {
  return RunFileDialog(parent, settings, QFileDialog::AcceptSave);
}

bool QtDialogs::print(QWidget* parent, QPrinter& printer, const QString& proposedFile) {
  // The dialog takes the file it proposes from the printer when it is made. Named there, the
  // file would also make printing into it the choice the dialog opens with; the printer goes
  // back to the one chosen before, so that a default printer stays the default.
  const QString outputFile = printer.outputFileName();
  const QPrinter::OutputFormat format = printer.outputFormat();
  printer.setOutputFileName(proposedFile);
  QPrintDialog dialog(&printer, parent);
  printer.setOutputFileName(outputFile);
  printer.setOutputFormat(format);
  // The report is always printed whole: a page range or a selection would be ignored.
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
  return dialog.exec() == QDialog::Accepted;
}

std::optional<QSize> QtDialogs::pictureSize(QWidget* parent, QSize proposed, int least, int most) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("Picture size"));
  auto* form = new QFormLayout(&dialog);
  auto side = [&](int value) {
    auto* box = new QSpinBox(&dialog);
    box->setLocale(QLocale::c());  // plain digits, no grouping, whatever the user's settings
    box->setRange(least, most);
    // A value typed beyond the limits becomes the nearest one they allow.
    box->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    box->setSuffix(QStringLiteral(" pixels"));
    box->setValue(value);
    return box;
  };
  QSpinBox* width = side(proposed.width());
  QSpinBox* height = side(proposed.height());
  form->addRow(QStringLiteral("&Width:"), width);
  form->addRow(QStringLiteral("&Height:"), height);
  form->addRow(
      new QLabel(QStringLiteral("Each side %1 to %2 pixels.").arg(least).arg(most), &dialog));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  // A text still being typed counts as typed.
  width->interpretText();
  height->interpretText();
  return QSize(width->value(), height->value());
}

void QtDialogs::message(QWidget* parent, const QString& text) {
  PlacedMessageBox box(QMessageBox::NoIcon, text, parent);
  box.exec();
}

void QtDialogs::messageAt(QWidget* parent, const QString& text, QPoint screenPoint) {
  PlacedMessageBox box(QMessageBox::NoIcon, text, parent, screenPoint);
  box.exec();
}

void QtDialogs::error(QWidget* parent, const QString& text) {
  PlacedMessageBox box(QMessageBox::Critical, text, parent);
  box.exec();
}

bool QtDialogs::question(QWidget* parent, const QString& text) {
  PlacedMessageBox box(QMessageBox::Question, text, parent, std::nullopt,
                       QMessageBox::Yes | QMessageBox::No);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace pelvar
