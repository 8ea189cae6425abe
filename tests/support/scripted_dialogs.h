#pragma once
// A stand-in for the window's dialogs: file dialogs answer from a script (a path or a cancel),
// the print dialog sets up the printer and answers as told (from a script while it lasts),
// questions are answered from a script (No once it has run out), the picture size likewise (the
// size proposed once it has run out), and every message and question shown is recorded with the
// number of file and print dialogs shown before it.

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "desktop/dialogs.h"

namespace pelvar {

class ScriptedDialogs : public Dialogs {
 public:
  enum class Kind { Message, MessageAt, Error, Question };
  struct Shown {
    Kind kind;
    QString text;
    QPoint point;          // the screen point of MessageAt
    int afterDialogs = 0;  // the file and print dialogs shown before it
  };

  std::optional<QString> openFile(QWidget*, const FileDialogSettings& settings) override {
    openRequests.push_back(settings);
    return Next();
  }
  std::optional<QString> saveFile(QWidget*, const FileDialogSettings& settings) override {
    saveRequests.push_back(settings);
    return Next();
  }
  bool print(QWidget*, QPrinter& printer, const QString& proposedFile) override {
    ++printRequests;
    printFiles.push_back(proposedFile);
    // The choices a user would make in the dialog, such as printing into a PDF file.
    if (preparePrinter) preparePrinter(printer);
    if (printAnswers.empty()) return printAnswer;
    const bool accepted = printAnswers.front();
    printAnswers.pop_front();
    return accepted;
  }
  std::optional<QSize> pictureSize(QWidget*, QSize proposed, int least, int most) override {
    sizeRequests.push_back({proposed, least, most});
    if (sizeAnswers.empty()) return proposed;
    const std::optional<QSize> answer = sizeAnswers.front();
    sizeAnswers.pop_front();
    return answer;
  }
  void message(QWidget*, const QString& text) override { Record({Kind::Message, text, {}}); }
  void messageAt(QWidget*, const QString& text, QPoint point) override {
    Record({Kind::MessageAt, text, point});
  }
  void error(QWidget*, const QString& text) override { Record({Kind::Error, text, {}}); }
  bool question(QWidget*, const QString& text) override {
    Record({Kind::Question, text, {}});
    if (questionAnswers.empty()) return false;
    const bool yes = questionAnswers.front();
    questionAnswers.pop_front();
    return yes;
  }

  std::deque<std::optional<QString>> fileAnswers;  // an empty optional is a cancel
  std::deque<bool> questionAnswers;                // true is Yes
  bool printAnswer = false;
  std::deque<bool> printAnswers;  // answered in turn before printAnswer
  std::function<void(QPrinter&)> preparePrinter;
  // Answered as they stand, unchecked, so that a test can see the window hold them in their
  // limits; an empty optional is a cancel.
  std::deque<std::optional<QSize>> sizeAnswers;

  std::vector<FileDialogSettings> openRequests;
  std::vector<FileDialogSettings> saveRequests;
  int printRequests = 0;
  struct SizeRequest {
    QSize proposed;
    int least = 0;
    int most = 0;
  };
  std::vector<SizeRequest> sizeRequests;
  std::vector<QString> printFiles;  // the file each print dialog proposed
  std::vector<Shown> shown;

 private:
  std::optional<QString> Next() {
    if (fileAnswers.empty()) return std::nullopt;
    const bool cancelled = !fileAnswers.front().has_value();
    const QString path = fileAnswers.front().value_or(QString());
    fileAnswers.pop_front();
    if (cancelled) return std::nullopt;
    return path;
  }
  void Record(Shown entry) {
    entry.afterDialogs =
        static_cast<int>(openRequests.size() + saveRequests.size()) + printRequests;
    shown.push_back(entry);
  }
};

}  // namespace pelvar
