// Open, Save and New through the window's dialogs: proposed names and folders, the cancel
// messages, round trips through real files, refused files and failed saves.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/program_start.h"
#include "desktop/path_parts.h"
#include "desktop/qt_dialogs.h"
#include "files/problem_file.h"
#include "support/window_fixture.h"
#include "ui/client_area.h"

namespace pelvar {
namespace {

using Kind = ScriptedDialogs::Kind;

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QByteArray("<unreadable>");
  return file.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QString WorkingFolder() { return QDir::toNativeSeparators(QDir::currentPath()); }

class FileCommandsTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(dir.isValid());
  }
  void TearDown() override {
    WindowTest::TearDown();
    // Qt removes files by the names it decodes, which miss names that are not UTF-8.
    std::error_code ignored;
    std::filesystem::remove_all(QFile::encodeName(dir.path()).toStdString(), ignored);
  }

  QString Path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
  // A path in the folder as the system's bytes, for names that are not UTF-8.
  std::string BytePath(const std::string& name) const {
    return QFile::encodeName(dir.path()).toStdString() + '/' + name;
  }
  // The names in a folder of the test's folder, as the system lists them.
  std::set<std::string> Entries(const std::string& folder) const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(BytePath(folder))) {
      names.insert(entry.path().filename().native());
    }
    return names;
  }

  void Save(const QString& path) {
    dialogs.fileAnswers.push_back(path);
    Click(form->SpeedButtonSave);
  }
  void Open(const QString& path) {
    dialogs.fileAnswers.push_back(path);
    Click(form->SpeedButtonOpen);
  }

  void EnterGeneral(int row, const QString& text) {
    ClickCell(form->MainGrid, 1, row);
    Type(form->MainGrid, text);
    Press(Qt::Key_Return);
  }
  void EnterCell(StringGrid* grid, int col, int row, const QString& text) {
    ClickCell(grid, col, row);
    Type(grid, text);
    Press(Qt::Key_Return);
  }

  void MoveOverSurface() {
    QTest::mouseMove(form->clientArea(), QPoint(690, 490));
    QTest::mouseMove(form->clientArea(), QPoint(700, 500));
    Settle();
  }

  // Every cell of the three tables.
  QStringList AllCells() const {
    QStringList cells;
    for (const StringGrid* grid : {form->MainGrid, form->SoilGrid, form->ForcesGrid}) {
      for (int row = 0; row < grid->rowCount(); ++row) {
        for (int col = 0; col < grid->columnCount(); ++col) cells << grid->cellText(col, row);
      }
    }
    return cells;
  }

  QTemporaryDir dir;
};

TEST_F(FileCommandsTest, DialogSettingsAndTheCancelMessages) {
  Click(form->SpeedButtonCalc);
  ASSERT_TRUE(form->clientArea()->showsPicture());
  const QStringList cellsBefore = AllCells();

  Click(form->SpeedButtonSave);  // the stand-in cancels
  ASSERT_EQ(dialogs.saveRequests.size(), 1u);
  const FileDialogSettings& save = dialogs.saveRequests[0];
  EXPECT_EQ(save.filterDescription, "PLV (*.plv)");
  EXPECT_EQ(save.filterPattern, "*.plv");
  EXPECT_EQ(save.defaultSuffix, "plv");
  EXPECT_EQ(save.initialFolder, WorkingFolder());
  EXPECT_EQ(save.fileName, "Demo.plv");

  Click(form->SpeedButtonOpen);
  ASSERT_EQ(dialogs.openRequests.size(), 1u);
  const FileDialogSettings& open = dialogs.openRequests[0];
  EXPECT_EQ(open.filterDescription, "PLV(*.plv)");
  EXPECT_EQ(open.filterPattern, "*.plv");
  EXPECT_EQ(open.defaultSuffix, "plv");
  EXPECT_EQ(open.initialFolder, WorkingFolder());
  EXPECT_EQ(open.fileName, "Demo.plv");

  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[0].kind, Kind::Message);
  EXPECT_EQ(dialogs.shown[0].text, "Datafile not saved.");
  EXPECT_EQ(dialogs.shown[1].kind, Kind::Message);
  EXPECT_EQ(dialogs.shown[1].text, "Unable to load datafile");

  // Nothing has changed, the picture and the hidden input included.
  EXPECT_EQ(data->fileName.View(), "Demo.plv");
  EXPECT_EQ(AllCells(), cellsBefore);
  EXPECT_EQ(form->SaveDialog1.initialFolder, WorkingFolder());
  EXPECT_EQ(form->OpenDialog1.initialFolder, WorkingFolder());
  EXPECT_TRUE(data->resultsAvailable);
  EXPECT_TRUE(form->clientArea()->showsPicture());
  EXPECT_FALSE(form->SoilGrid->isVisible());

  // The menu items run the same commands.
  form->Save1->trigger();
  form->Open1->trigger();
  EXPECT_EQ(dialogs.saveRequests.size(), 2u);
  EXPECT_EQ(dialogs.openRequests.size(), 2u);
  ASSERT_EQ(dialogs.shown.size(), 4u);
  EXPECT_EQ(dialogs.shown[2].text, "Datafile not saved.");
  EXPECT_EQ(dialogs.shown[3].text, "Unable to load datafile");
}

TEST_F(FileCommandsTest, SavingElsewhereMovesTheSaveFolderAndTheProposedName) {
  Save(Path("Pile.plv"));
  EXPECT_TRUE(dialogs.shown.empty());
  const QByteArray bytes = ReadAll(Path("Pile.plv"));
  EXPECT_TRUE(
      bytes.startsWith("##########################################################\r\n"
                       "#  Pelvar : Beam on elastic foundation\r\n"));
  EXPECT_TRUE(bytes.contains("\r\n#  File Name\r\nPile.plv,\r\n"));
  EXPECT_EQ(data->fileName.View(), "Pile.plv");
  EXPECT_EQ(form->MainGrid->cellText(1, 1), "Pile.plv");
  // The editor open on that cell shows the new name, so moving on keeps it.
  EXPECT_EQ(EditorText(form->MainGrid), "Pile.plv");
  Press(Qt::Key_Return);
  EXPECT_EQ(data->fileName.View(), "Pile.plv");
  EXPECT_EQ(form->SaveDialog1.initialFolder, QDir::toNativeSeparators(dir.path()));
  EXPECT_EQ(form->OpenDialog1.initialFolder, WorkingFolder());

  Click(form->SpeedButtonSave);
  Click(form->SpeedButtonOpen);
  ASSERT_EQ(dialogs.saveRequests.size(), 2u);
  EXPECT_EQ(dialogs.saveRequests[1].fileName, "Pile.plv");
  EXPECT_EQ(dialogs.saveRequests[1].initialFolder, QDir::toNativeSeparators(dir.path()));
  ASSERT_EQ(dialogs.openRequests.size(), 1u);
  EXPECT_EQ(dialogs.openRequests[0].fileName, "Pile.plv");
  EXPECT_EQ(dialogs.openRequests[0].initialFolder, WorkingFolder());

  // A name with a comma is kept as the file gives it back, up to the comma, and the next Save
  // still proposes the file worked on.
  Save(Path("Beam, variant B.plv"));
  EXPECT_EQ(data->fileName.View(), "Beam");
  EXPECT_TRUE(ReadAll(Path("Beam, variant B.plv")).contains("\r\n#  File Name\r\nBeam,\r\n"));
  Click(form->SpeedButtonSave);
  EXPECT_EQ(dialogs.saveRequests.back().fileName, "Beam, variant B.plv");

  // New puts both folders and the name back.
  form->New1->trigger();
  EXPECT_EQ(data->fileName.View(), "Demo.plv");
  EXPECT_EQ(form->SaveDialog1.initialFolder, WorkingFolder());
  EXPECT_EQ(form->OpenDialog1.initialFolder, WorkingFolder());
  Click(form->SpeedButtonSave);
  EXPECT_EQ(dialogs.saveRequests.back().fileName, "Demo.plv");
  EXPECT_EQ(dialogs.saveRequests.back().initialFolder, WorkingFolder());
}

TEST_F(FileCommandsTest, SaveAfterCalculateAndOpenGiveTheProblemBackWithoutResults) {
  EnterGeneral(2, "Quay wall");
  EnterCell(form->SoilGrid, 2, 3, "12.5");
  EnterCell(form->ForcesGrid, 2, 3, "-20");
  Click(form->SpeedButtonNoTension);  // the option travels with the file
  Click(form->SpeedButtonCalc);
  ASSERT_TRUE(data->resultsAvailable);

  // A save changes nothing on the screen.
  Save(Path("Quay.plv"));
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_TRUE(data->resultsAvailable);
  EXPECT_TRUE(form->clientArea()->showsPicture());
  EXPECT_FALSE(form->MainGrid->isVisible());
  const QByteArray bytes = ReadAll(Path("Quay.plv"));
  EXPECT_TRUE(bytes.contains("\r\nQuay wall,\r\n"));
  EXPECT_TRUE(bytes.contains("\r\n     2,   10.000,      12.500,       0.000,\r\n"));
  EXPECT_TRUE(bytes.contains("\r\n     1,      10.000,     -20.000,       0.000,\r\n"));
  EXPECT_TRUE(bytes.contains("\r\n   100,   30.000,"));  // the last node of the results
  EXPECT_TRUE(bytes.contains("\r\n         3,      100,     2000,        1,\r\n"));

  // New drops the results and their picture; the input shows in its place. The option is off
  // again, and its button and menu item say so.
  Click(form->SpeedButtonNew);
  EXPECT_FALSE(data->noTension);
  EXPECT_FALSE(form->SpeedButtonNoTension->isChecked());
  EXPECT_FALSE(form->NoTension1->isChecked());
  EXPECT_EQ(data->problemName.View(), "Demonstration Problem");
  EXPECT_EQ(data->sections[1].load, 10.0);
  EXPECT_FALSE(form->clientArea()->showsPicture());
  EXPECT_TRUE(form->MainGrid->isVisible());
  Click(form->SpeedButtonCalc);
  ASSERT_TRUE(form->clientArea()->showsPicture());

  Open(Path("Quay.plv"));
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(data->problemName.View(), "Quay wall");
  EXPECT_EQ(data->sections[1].load, 12.5);
  EXPECT_EQ(data->points[1].force, -20.0);
  EXPECT_TRUE(data->noTension);
  EXPECT_TRUE(form->SpeedButtonNoTension->isChecked());
  EXPECT_FALSE(data->resultsAvailable);
  EXPECT_EQ(form->MainGrid->cellText(1, 2), "Quay wall");
  EXPECT_EQ(form->SoilGrid->cellText(2, 3), "      12.500");
  EXPECT_EQ(form->ForcesGrid->cellText(2, 3), "     -20.000");
  // Open erases the picture and shows all the input in its place.
  EXPECT_FALSE(form->clientArea()->showsPicture());
  for (QWidget* control : form->inputControls()) EXPECT_TRUE(control->isVisible());
  EXPECT_EQ(form->OpenDialog1.initialFolder, WorkingFolder());

  // A file whose stored name differs from its name on disk shows the stored one, and the next
  // Save proposes it.
  ASSERT_TRUE(QFile::copy(Path("Quay.plv"), Path("Copy.plv")));
  EnterGeneral(1, "Other.plv");
  Open(Path("Copy.plv"));
  EXPECT_EQ(data->fileName.View(), "Quay.plv");
  EXPECT_EQ(form->MainGrid->cellText(1, 1), "Quay.plv");
  Click(form->SpeedButtonSave);
  EXPECT_EQ(dialogs.saveRequests.back().fileName, "Quay.plv");
}

TEST_F(FileCommandsTest, SaveAsksBeforeReplacingAFileOtherThanTheOneWorkedOn) {
  // beam-b.plv says on its File Name line that it is beam-a.plv, and Save proposes that name.
  Save(Path("beam-a.plv"));
  ASSERT_TRUE(QFile::copy(Path("beam-a.plv"), Path("beam-b.plv")));
  const QByteArray first = ReadAll(Path("beam-a.plv"));
  Open(Path("beam-b.plv"));
  EnterGeneral(2, "Variant B");
  const QString question =
      "\"" + Path("beam-a.plv") + "\" already exists.\nDo you want to replace it?";
  dialogs.fileAnswers = {Path("beam-a.plv")};
  Click(form->SpeedButtonSave);
  // No goes back to the dialog at the name chosen; cancelled there, nothing is saved.
  ASSERT_EQ(dialogs.saveRequests.size(), 3u);
  EXPECT_EQ(dialogs.saveRequests[1].fileName, "beam-a.plv");
  EXPECT_EQ(dialogs.saveRequests[2].fileName, "beam-a.plv");
  EXPECT_EQ(dialogs.saveRequests[2].initialFolder, QDir::toNativeSeparators(dir.path()));
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[0].kind, Kind::Question);
  EXPECT_EQ(dialogs.shown[0].text, question);
  EXPECT_EQ(dialogs.shown[1].text, "Datafile not saved.");
  EXPECT_EQ(ReadAll(Path("beam-a.plv")), first);

  // Yes replaces it; the file just saved, being the one worked on, is saved over unasked.
  dialogs.shown.clear();
  dialogs.questionAnswers = {true};
  Save(Path("beam-a.plv"));
  Save(Path("beam-a.plv"));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, question);
  EXPECT_TRUE(ReadAll(Path("beam-a.plv")).contains("\r\nVariant B,\r\n"));

  // A File Name line that holds folders leads no dialog there: both propose the bare name.
  QByteArray bytes = ReadAll(Path("beam-a.plv"));
  bytes.replace("\r\nbeam-a.plv,\r\n", "\r\n../notes/todo.txt,\r\n");
  WriteAll(Path("moved.plv"), bytes);
  dialogs.questionAnswers = {true};
  Open(Path("moved.plv"));
  Click(form->SpeedButtonSave);
  Click(form->SpeedButtonOpen);
  EXPECT_EQ(dialogs.saveRequests.back().fileName, "todo.txt");
  EXPECT_EQ(dialogs.openRequests.back().fileName, "todo.txt");
}

TEST_F(FileCommandsTest, TheFileOnTheCommandLineIsOpenedAtStartUp) {
  EnterGeneral(2, "Quay wall");
  EnterCell(form->SoilGrid, 2, 3, "12.5");
  Save(Path("Quay.plv"));
  WriteAll(Path("Bad.plv"),
           "# a file of 25 sections\r\nTessaly,\r\nBad.plv,\r\nBad,\r\n25, 100, 2000,\r\n");

  // A fresh window, started as the program starts it.
  const auto start = [this](const std::vector<std::string>& arguments) {
    form = std::make_unique<TFormPelv>(dialogs);
    data = &form->problemData();
    ShowWindow(*form, ParseProgramArguments(arguments));
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    Settle();
  };
  start({QFile::encodeName(Path("Quay.plv")).toStdString()});
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(data->problemName.View(), "Quay wall");
  EXPECT_EQ(data->sections[1].load, 12.5);
  EXPECT_EQ(form->MainGrid->cellText(1, 2), "Quay wall");
  EXPECT_EQ(form->SoilGrid->cellText(2, 3), "      12.500");
  EXPECT_EQ(dialogs.saveRequests.size(), 1u);  // nothing asked on the way

  // A refused file is reported as Open reports it; the window keeps the demonstration problem.
  start({"--", QFile::encodeName(Path("Bad.plv")).toStdString()});
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, Kind::Error);
  EXPECT_EQ(dialogs.shown[0].text, "\"" + Path("Bad.plv") +
                                       "\", line 5: the number of sections is 25; it must lie "
                                       "between 1 and 20.");
  EXPECT_EQ(data->problemName.View(), "Demonstration Problem");
  EXPECT_EQ(form->MainGrid->cellText(1, 2), "Demonstration Problem");
  EXPECT_EQ(form->SoilGrid->cellText(2, 3), "      10.000");
  EXPECT_TRUE(form->SoilGrid->isVisible());

  start({});
  EXPECT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(data->problemName.View(), "Demonstration Problem");
  EXPECT_TRUE(form->MainGrid->hasActiveFocus());

  // A name that is not UTF-8 (Latin-1 "\u00E9" here) is opened by its very bytes, and a refusal
  // shows the byte readably.
  std::filesystem::copy_file(BytePath("Quay.plv"), BytePath("caf\xE9.plv"));
  std::filesystem::copy_file(BytePath("Bad.plv"), BytePath("bad\xE9.plv"));
  start({BytePath("caf\xE9.plv")});
  EXPECT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(data->problemName.View(), "Quay wall");
  EXPECT_EQ(form->SoilGrid->cellText(2, 3), "      12.500");
  start({BytePath("bad\xE9.plv")});
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[1].kind, Kind::Error);
  EXPECT_EQ(dialogs.shown[1].text, "\"" + dir.path() +
                                       "/bad\\xE9.plv\", line 5: the number of sections is 25; it "
                                       "must lie between 1 and 20.");
  EXPECT_EQ(data->problemName.View(), "Demonstration Problem");
}

TEST_F(FileCommandsTest, SectionsBeyondTheFileKeepTheirValues) {
  EnterGeneral(3, "2");
  Save(Path("Two.plv"));
  EnterGeneral(3, "5");
  EnterCell(form->SoilGrid, 1, 4, "33");
  EnterCell(form->SoilGrid, 2, 5, "44");
  EnterCell(form->SoilGrid, 3, 6, "55");
  EnterCell(form->ForcesGrid, 3, 7, "77");
  ASSERT_EQ(data->sections[4].spring, 55.0);

  Open(Path("Two.plv"));
  EXPECT_EQ(data->sectionCount, 2);
  EXPECT_EQ(form->SoilGrid->rowCount(), 4);
  EXPECT_EQ(form->ForcesGrid->rowCount(), 5);
  EXPECT_EQ(form->MainGrid->cellText(1, 3), "     2");

  EnterGeneral(3, "5");
  ASSERT_EQ(form->SoilGrid->rowCount(), 7);
  EXPECT_EQ(form->SoilGrid->cellText(1, 4), "      33.000");
  EXPECT_EQ(form->SoilGrid->cellText(2, 5), "      44.000");
  EXPECT_EQ(form->SoilGrid->cellText(3, 6), "      55.000");
  EXPECT_EQ(form->ForcesGrid->cellText(3, 7), "      77.000");
}

TEST_F(FileCommandsTest, ARefusedOrMissingFileIsReportedAndChangesNothing) {
  Click(form->SpeedButtonCalc);
  MoveOverSurface();
  Click(form->SpeedButtonCalc);  // the picture over hidden tables
  const std::string problemBefore = ProblemFileText(*data);
  const QStringList cellsBefore = AllCells();

  WriteAll(Path("Bad.plv"),
           "# a file of 25 sections\r\nTessaly,\r\nBad.plv,\r\nBad,\r\n25, 100, 2000,\r\n");
  Open(Path("Bad.plv"));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, Kind::Error);
  EXPECT_EQ(dialogs.shown[0].text, "\"" + Path("Bad.plv") +
                                       "\", line 5: the number of sections is 25; it must lie "
                                       "between 1 and 20.");

  Open(Path("None.plv"));
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[1].kind, Kind::Error);
  EXPECT_EQ(dialogs.shown[1].text,
            "Cannot open \"" + Path("None.plv") + "\": No such file or directory.");

  // Regular files only: a pipe whose writer never writes would keep the window waiting (here
  // the test holds it open, and lets go after ten seconds at most), and a folder is no file.
  const QByteArray pipe = QFile::encodeName(Path("Pipe.plv"));
  ASSERT_EQ(::mkfifo(pipe.constData(), 0600), 0);
  const int writer = ::open(pipe.constData(), O_RDWR | O_NONBLOCK);
  std::promise<void> opened;
  std::thread release([&writer, done = opened.get_future()] {
    done.wait_for(std::chrono::seconds(10));
    ::close(writer);
  });
  Open(Path("Pipe.plv"));
  opened.set_value();
  release.join();
  ASSERT_TRUE(QDir(dir.path()).mkdir("Folder.plv"));
  Open(Path("Folder.plv"));
  ASSERT_EQ(dialogs.shown.size(), 4u);
  for (const QString name : {"Pipe.plv", "Folder.plv"}) {
    EXPECT_EQ(dialogs.shown[name == "Pipe.plv" ? 2 : 3].text,
              "Cannot open \"" + Path(name) + "\": it is not a regular file.");
  }

  EXPECT_EQ(ProblemFileText(*data), problemBefore);
  EXPECT_EQ(AllCells(), cellsBefore);
  EXPECT_TRUE(data->resultsAvailable);
  EXPECT_TRUE(form->clientArea()->showsPicture());
  EXPECT_FALSE(form->SoilGrid->isVisible());
}

TEST_F(FileCommandsTest, AFailedSaveKeepsTheOldFileAndTheWindowAsTheyWere) {
  Save(Path("Keep.plv"));
  const QByteArray kept = ReadAll(Path("Keep.plv"));
  EnterGeneral(2, "Changed");
  ASSERT_TRUE(QDir(dir.path()).mkdir("Folder.plv"));

  const QStringList failing = {Path("Missing/Other.plv"), Path("Keep.plv/Other.plv"),
                               Path("Folder.plv")};
  const QStringList reasons = {"No such file or directory", "Not a directory", "Is a directory"};
  for (int i = 0; i < failing.size(); ++i) {
    SCOPED_TRACE(failing[i].toStdString());
    Save(failing[i]);
    ASSERT_EQ(dialogs.shown.size(), static_cast<std::size_t>(i + 1));
    EXPECT_EQ(dialogs.shown[i].kind, Kind::Error);
    EXPECT_EQ(dialogs.shown[i].text, "Cannot save \"" + failing[i] + "\": " + reasons[i] + ".");
    EXPECT_EQ(data->fileName.View(), "Keep.plv");
    EXPECT_EQ(form->MainGrid->cellText(1, 1), "Keep.plv");
    EXPECT_EQ(form->SaveDialog1.initialFolder, QDir::toNativeSeparators(dir.path()));
  }
  EXPECT_EQ(ReadAll(Path("Keep.plv")), kept);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Keep.plv"});
  Click(form->SpeedButtonSave);
  EXPECT_EQ(dialogs.saveRequests.back().fileName, "Keep.plv");
}

TEST_F(FileCommandsTest, AWriteProtectedFileIsRefusedAndKeptAsItWas) {
  WriteAll(Path("ro.plv"), "precious\r\n");
  ASSERT_EQ(::chmod(QFile::encodeName(Path("ro.plv")).constData(), 0444), 0);
  // Root may write any file, so where the tests run as root the save runs as an ordinary user
  // (an effective user other than 0 has no capabilities), in a folder it may write.
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    if (::seteuid(65534) != 0) GTEST_SKIP() << "cannot save as an ordinary user (uid 65534)";
  }
  dialogs.questionAnswers = {true};
  Save(Path("ro.plv"));
  if (root) {
    ASSERT_EQ(::seteuid(0), 0);
  }
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[0].kind, Kind::Question);
  EXPECT_EQ(dialogs.shown[1].kind, Kind::Error);
  EXPECT_EQ(dialogs.shown[1].text, "Cannot save \"" + Path("ro.plv") + "\": Permission denied.");
  EXPECT_EQ(ReadAll(Path("ro.plv")), "precious\r\n");
  EXPECT_EQ(data->fileName.View(), "Demo.plv");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"ro.plv"});
}

TEST_F(FileCommandsTest, NamesWithoutExtensionLongNamesAndOtherCharacters) {
  // A name typed without an extension gets ".plv", for Save and for Open.
  Save(Path("Plain"));
  EXPECT_TRUE(QFile::exists(Path("Plain.plv")));
  EXPECT_FALSE(QFile::exists(Path("Plain")));
  EXPECT_EQ(data->fileName.View(), "Plain.plv");
  EnterGeneral(2, "Altered");
  Open(Path("Plain"));
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(data->problemName.View(), "Demonstration Problem");

  // The file goes under the whole name; the window keeps its first 59 characters, and the
  // next Save proposes the file saved, also after the name's cell was passed through.
  const QString longName = QString(70, QLatin1Char('L')) + ".plv";
  Save(Path(longName));
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_TRUE(QFile::exists(Path(longName)));
  EXPECT_EQ(data->fileName.View(), std::string(59, 'L'));
  EXPECT_EQ(form->MainGrid->cellText(1, 1), QString(59, QLatin1Char('L')));
  EXPECT_TRUE(ReadAll(Path(longName)).contains("\r\n" + QByteArray(59, 'L') + ",\r\n"));
  ClickCell(form->MainGrid, 1, 1);
  Press(Qt::Key_Return);
  EXPECT_EQ(data->fileName.View(), std::string(59, 'L'));
  Click(form->SpeedButtonSave);
  EXPECT_EQ(dialogs.saveRequests.back().fileName, longName);
  dialogs.shown.clear();

  // The file's name on disk is the local encoding of the name chosen; the problem keeps it in
  // Windows-1252, where a character it cannot hold becomes "?".
  Save(Path(QStringLiteral("Pfahl \u00E9 \u03A9.plv")));
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_TRUE(QFile::exists(Path(QStringLiteral("Pfahl \u00E9 \u03A9.plv"))));
  EXPECT_EQ(data->fileName.View(), "Pfahl \xE9 ?.plv");
  EXPECT_EQ(form->MainGrid->cellText(1, 1), QStringLiteral("Pfahl \u00E9 ?.plv"));
  EXPECT_TRUE(ReadAll(Path(QStringLiteral("Pfahl \u00E9 \u03A9.plv")))
                  .contains("\r\nPfahl \xE9 ?.plv,\r\n"));

  // The name on disk is proposed again while the stored name stands for it: after Save, after
  // Open of that file, but not once another name is typed or New is chosen.
  const QString bridge = QStringLiteral("\u041C\u043E\u0441\u0442");  // "Most" in Cyrillic
  Save(Path(bridge));
  EXPECT_EQ(data->fileName.View(), "????.plv");
  EXPECT_EQ(form->MainGrid->cellText(1, 1), "????.plv");
  Click(form->SpeedButtonSave);
  EXPECT_EQ(dialogs.saveRequests.back().fileName, bridge + ".plv");
  Click(form->SpeedButtonNew);
  Click(form->SpeedButtonOpen);
  EXPECT_EQ(dialogs.openRequests.back().fileName, "Demo.plv");
  Open(Path(bridge + ".plv"));
  EXPECT_EQ(form->MainGrid->cellText(1, 1), "????.plv");
  Click(form->SpeedButtonOpen);
  EXPECT_EQ(dialogs.openRequests.back().fileName, bridge + ".plv");
  EnterGeneral(1, "Other.plv");
  Click(form->SpeedButtonSave);
  EXPECT_EQ(dialogs.saveRequests.back().fileName, "Other.plv");
}

// Names that are not UTF-8, such as Latin-1 ones: Qt's dialogs give them back with U+FFFD in
// place of each byte they cannot decode. The window finds the file meant in its folder, writes
// and reads it under its very bytes, shows those bytes readably, and keeps the name in the
// problem as Windows-1252 reads the bytes.
TEST_F(FileCommandsTest, NamesThatAreNotUtf8KeepTheirBytes) {
  const QString unknown(QChar::ReplacementCharacter);
  ASSERT_TRUE(std::filesystem::create_directory(BytePath("d\xFCr")));
  EnterGeneral(2, "Latin");
  Save(Path("latin.plv"));
  std::filesystem::copy_file(BytePath("latin.plv"), BytePath("d\xFCr/caf\xE9.plv"));
  QFile::remove(Path("latin.plv"));
  Click(form->SpeedButtonNew);

  // Open: the folder and the file are both found by how Qt reads them.
  Open(Path("d" + unknown + "r/caf" + unknown + ".plv"));
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(data->problemName.View(), "Latin");
  EXPECT_EQ(data->fileName.View(), "latin.plv");

  // Save to it: the file worked on, saved over without a question under its own name, which
  // the problem keeps as "caf\u00E9.plv"; the next Save proposes it as the dialog lists it.
  Save(Path("d" + unknown + "r/caf" + unknown));
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(Entries("d\xFCr"), (std::set<std::string>{"caf\xE9.plv"}));
  EXPECT_EQ(data->fileName.View(), "caf\xE9.plv");
  EXPECT_EQ(form->MainGrid->cellText(1, 1), QStringLiteral("caf\u00E9.plv"));
  std::string saved;
  {
    std::ifstream file(BytePath("d\xFCr/caf\xE9.plv"), std::ios::binary);
    saved.assign(std::istreambuf_iterator<char>(file), {});
  }
  EXPECT_NE(saved.find("\r\ncaf\xE9.plv,\r\n"), std::string::npos);
  Click(form->SpeedButtonSave);
  EXPECT_EQ(dialogs.saveRequests.back().fileName, "caf" + unknown + ".plv");
  EXPECT_EQ(dialogs.saveRequests.back().initialFolder, Path("d" + unknown + "r"));
  dialogs.shown.clear();

  // Another such file is replaced once the user says so; the question shows its bytes.
  std::filesystem::copy_file(BytePath("d\xFCr/caf\xE9.plv"), BytePath("d\xFCr/pile\xE9.plv"));
  dialogs.questionAnswers = {true};
  EnterGeneral(2, "Pile");
  Save(Path("d" + unknown + "r/pile" + unknown + ".plv"));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "\"" + dir.path() +
                                       "/d\\xFCr/pile\\xE9.plv\" already exists.\nDo you want "
                                       "to replace it?");
  EXPECT_EQ(Entries("d\xFCr"), (std::set<std::string>{"caf\xE9.plv", "pile\xE9.plv"}));
  ProblemData readBack;
  ASSERT_TRUE(ReadProblemFile(readBack, BytePath("d\xFCr/pile\xE9.plv")).ok);
  EXPECT_EQ(readBack.problemName.View(), "Pile");
  EXPECT_EQ(readBack.fileName.View(), "pile\xE9.plv");

  // Where two names read alike, which one was meant is not known: the name stays as the dialog
  // gave it, and the message shows it so.
  std::filesystem::copy_file(BytePath("d\xFCr/caf\xE9.plv"), BytePath("d\xFCr/pile\xF6.plv"));
  Open(Path("d" + unknown + "r/pile" + unknown + ".plv"));
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[1].text, "Cannot open \"" + dir.path() + "/d\\xFCr/pile" + unknown +
                                       ".plv\": No such file or directory.");
  EXPECT_EQ(data->problemName.View(), "Pile");
}

TEST_F(FileCommandsTest, TextBeingTypedIsSaved) {
  ClickCell(form->MainGrid, 1, 6);
  Type(form->MainGrid, "4");
  Save(Path("Typed.plv"));
  ProblemData readBack;
  ASSERT_TRUE(ReadProblemFile(readBack, QFile::encodeName(Path("Typed.plv")).toStdString()).ok);
  EXPECT_EQ(readBack.beamWidth, 4.0);
  EXPECT_EQ(EditorText(form->MainGrid), "       4.000");

  // A name typed into the file name cell is proposed, and the chosen one replaces it.
  ClickCell(form->MainGrid, 1, 1);
  Type(form->MainGrid, "Typed by hand.plv");
  Save(Path("Chosen.plv"));
  EXPECT_EQ(dialogs.saveRequests.back().fileName, "Typed by hand.plv");
  EXPECT_TRUE(ReadAll(Path("Chosen.plv")).contains("\r\nChosen.plv,\r\n"));
  EXPECT_EQ(EditorText(form->MainGrid), "Chosen.plv");

  // Open drops what is being typed: it belongs to the problem replaced.
  ClickCell(form->MainGrid, 1, 2);
  Type(form->MainGrid, "Not kept");
  Open(Path("Typed.plv"));
  EXPECT_EQ(data->problemName.View(), "Demonstration Problem");
  EXPECT_EQ(EditorText(form->MainGrid), "Demonstration Problem");
}

TEST_F(FileCommandsTest, TheUsualKeysRunTheCommands) {
  // Pressed while a value is being typed: the value counts.
  ClickCell(form->MainGrid, 1, 6);
  Type(form->MainGrid, "2");
  dialogs.fileAnswers.push_back(Path("Keys.plv"));
  Press(Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(dialogs.saveRequests.size(), 1u);
  EXPECT_EQ(data->beamWidth, 2.0);
  EXPECT_TRUE(QFile::exists(Path("Keys.plv")));
  Press(Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(dialogs.printRequests, 1);

  Press(Qt::Key_F9);
  EXPECT_TRUE(data->resultsAvailable);
  EXPECT_TRUE(form->clientArea()->showsPicture());
  EXPECT_FALSE(form->MainGrid->isVisible());
  // A key brings the tables back in place of the picture, as the mouse does, with the focus in
  // the cell that had it; a modifier alone, the start of a shortcut, does not.
  Press(Qt::Key_Control);
  EXPECT_FALSE(form->MainGrid->isVisible());
  Press(Qt::Key_Space);
  for (QWidget* control : form->inputControls()) EXPECT_TRUE(control->isVisible());
  EXPECT_FALSE(form->clientArea()->showsPicture());
  EXPECT_TRUE(data->resultsAvailable);
  EXPECT_EQ(Current(form->MainGrid), QPoint(1, 6));
  Type(form->MainGrid, "3");
  Press(Qt::Key_Return);
  EXPECT_EQ(data->beamWidth, 3.0);
  EXPECT_FALSE(data->resultsAvailable);
  // Also after Tab, which a table would take for itself.
  Press(Qt::Key_F9);
  Press(Qt::Key_Tab);
  EXPECT_TRUE(form->MainGrid->hasActiveFocus());
  EXPECT_EQ(Current(form->MainGrid), QPoint(1, 1));
  EXPECT_EQ(EditorText(form->MainGrid), "Keys.plv");

  Press(Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(data->beamWidth, 1.0);
  dialogs.fileAnswers.push_back(Path("Keys.plv"));
  Press(Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(dialogs.openRequests.size(), 1u);
  EXPECT_EQ(data->beamWidth, 2.0);
  EXPECT_TRUE(dialogs.shown.empty());

  QTimer::singleShot(0, form.get(), [&] { Press(Qt::Key_Q, Qt::ControlModifier); });
  EXPECT_EQ(QApplication::exec(), 0);
}

// The real file dialogs: what they show the user, and the path they hand back for a name typed
// into them.
TEST_F(FileCommandsTest, TheRealFileDialogsShowTheirSettingsAndCompleteTheName) {
  WriteAll(Path("Old.plv"), "kept until replaced");
  QtDialogs real;
  struct Seen {
    QString filter;
    QString folder;
    QString name;
  };
  // Runs one dialog, notes what it shows, types the name and confirms it. Whatever else comes
  // up modally (a question before replacing a file) is closed, and the dialog then cancelled.
  auto run = [&](bool save, const QString& typed, Seen& seen) {
    FileDialogSettings settings = save ? form->SaveDialog1 : form->OpenDialog1;
    settings.initialFolder = QDir::toNativeSeparators(dir.path());
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      if (dialog == nullptr) {
        if (modal != nullptr) modal->close();
        return;
      }
      if (!seen.folder.isEmpty()) {  // still open after the name was confirmed
        QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
        return;
      }
      seen.folder = dialog->directory().path();
      auto* filter = dialog->findChild<QComboBox*>("fileTypeCombo");
      auto* nameEdit = dialog->findChild<QLineEdit*>("fileNameEdit");
      if (filter == nullptr || nameEdit == nullptr) {
        QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
        return;
      }
      seen.filter = filter->currentText();
      seen.name = nameEdit->text();
      nameEdit->setText(typed);
      QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
    answer.start();
    return save ? real.saveFile(form.get(), settings) : real.openFile(form.get(), settings);
  };

  Seen open;
  EXPECT_EQ(run(false, "Absent", open).value_or("<cancelled>").toStdString(),
            Path("Absent.plv").toStdString());
  EXPECT_EQ(open.filter.toStdString(), "PLV(*.plv)");
  EXPECT_EQ(open.folder, dir.path());
  EXPECT_EQ(open.name, "Demo.plv");

  // The dialog asks nothing before an existing file is replaced: the window asks, through the
  // question box below.
  Seen save;
  EXPECT_EQ(run(true, "Old", save).value_or("<cancelled>").toStdString(),
            Path("Old.plv").toStdString());
  EXPECT_EQ(save.filter.toStdString(), "PLV (*.plv)");
  EXPECT_EQ(save.folder, dir.path());
  EXPECT_EQ(save.name, "Demo.plv");
  EXPECT_TRUE(dialogs.shown.empty());

  // The question: Yes and No, with No the default.
  QString asked;
  bool noIsDefault = false;
  QTimer answer;
  answer.setInterval(10);
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    asked = box->text();
    noIsDefault = box->defaultButton() == box->button(QMessageBox::No);
    box->button(QMessageBox::Yes)->click();
  });
  answer.start();
  EXPECT_TRUE(real.question(form.get(), QStringLiteral("Replace it?")));
  EXPECT_EQ(asked, "Replace it?");
  EXPECT_TRUE(noIsDefault);
}

TEST(PathParts, FolderAndNameOfAPath) {
  EXPECT_EQ(FolderPart("/work/beams/Pile.plv"), "/work/beams");
  EXPECT_EQ(NamePart("/work/beams/Pile.plv"), "Pile.plv");
  EXPECT_EQ(FolderPart("/Pile.plv"), "");
  EXPECT_EQ(NamePart("/Pile.plv"), "Pile.plv");
  EXPECT_EQ(FolderPart("Pile.plv"), "");
  EXPECT_EQ(NamePart("Pile.plv"), "Pile.plv");
  EXPECT_EQ(FolderPart("/work/beams/"), "/work/beams");
  EXPECT_EQ(NamePart("/work/beams/"), "");
  // Only the last separator counts; points in folder names do not make an extension.
  EXPECT_EQ(FolderPart("/a.b/c d/e"), "/a.b/c d");
  EXPECT_EQ(WithDefaultExtension("/a.b/c d/e", "plv"), "/a.b/c d/e.plv");
  EXPECT_EQ(WithDefaultExtension("/work/Pile.txt", "plv"), "/work/Pile.txt");
  EXPECT_EQ(WithDefaultExtension("/work/Pile.", "plv"), "/work/Pile.");
  EXPECT_EQ(WithDefaultExtension("/work/", "plv"), "/work/");
}

}  // namespace
}  // namespace pelvar
