#pragma once
// The real dialogs: QFileDialog, QPrintDialog and QMessageBox.

#include "desktop/dialogs.h"

namespace pelvar {

class QtDialogs : public Dialogs {
 public:
  std::optional<QString> openFile(QWidget* parent, const FileDialogSettings& settings) override;
  std::optional<QString> saveFile(QWidget* parent, const FileDialogSettings& settings) override;
  bool print(QWidget* parent, QPrinter& printer, const QString& proposedFile) override;
  std::optional<QSize> pictureSize(QWidget* parent, QSize proposed, int least, int most) override;
  void message(QWidget* parent, const QString& text) override;
  void messageAt(QWidget* parent, const QString& text, QPoint screenPoint) override;
  void error(QWidget* parent, const QString& text) override;
  bool question(QWidget* parent, const QString& text) override;
};

}  // namespace pelvar
