// The program pelvar as a process: its command line, and a machine without a display, where it
// says a plain word on stderr instead of failing in the toolkit.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QThread>
#include <csignal>

#include "pelvar_version.h"

namespace {

struct Outcome {
  int exitCode = -1;
  QString out;
  QString err;
};

Outcome RunWithoutDisplay(const QStringList& arguments) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove(QStringLiteral("DISPLAY"));
  environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
  environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
  QProcess program;
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(PELVAR_PROGRAM), arguments);
  Outcome outcome;
  if (!program.waitForFinished(20000) || program.exitStatus() != QProcess::NormalExit) {
    program.kill();
    return outcome;
  }
  outcome.exitCode = program.exitCode();
  outcome.out = QString::fromLocal8Bit(program.readAllStandardOutput());
  outcome.err = QString::fromLocal8Bit(program.readAllStandardError());
  return outcome;
}

TEST(ProgramStart, WithoutADisplayPointsToTheBatchCommand) {
  for (const QStringList& arguments : {QStringList(), QStringList{QStringLiteral("Beam.plv")}}) {
    const Outcome outcome = RunWithoutDisplay(arguments);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(outcome.err.contains(QStringLiteral("no display"))) << outcome.err.toStdString();
    EXPECT_TRUE(outcome.err.contains(QStringLiteral("pelvar-batch"))) << outcome.err.toStdString();
    EXPECT_FALSE(outcome.err.contains(QStringLiteral("plugin"))) << outcome.err.toStdString();
  }
}

TEST(ProgramStart, CommandLineIsAnsweredWithoutADisplay) {
  struct Case {
    QStringList arguments;
    int exitCode;
    QString out;  // the first line of standard output
    QString err;
  };
  const QString tryHelp = QStringLiteral("Try \"pelvar --help\".\n");
  const Case cases[] = {
      {{"--version"}, 0, "pelvar " PELVAR_VERSION, ""},
      {{"a.plv", "--version"}, 0, "pelvar " PELVAR_VERSION, ""},
      {{"--help"}, 0, "Usage: pelvar [FILE.plv]", ""},
      {{"--version", "-h"}, 0, "Usage: pelvar [FILE.plv]", ""},
      {{"-platform", "offscreen"}, 2, "", "pelvar: unknown option \"-platform\"\n" + tryHelp},
      {{"a.plv", "b.plv"},
       2,
       "",
       "pelvar: only one data file can be given, not also \"b.plv\"\n" + tryHelp},
      {{"--", "-x.plv", "--help"},
       2,
       "",
       "pelvar: only one data file can be given, not also \"--help\"\n" + tryHelp},
      {{""}, 2, "", "pelvar: the data file name is empty\n" + tryHelp},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
    const Outcome outcome = RunWithoutDisplay(c.arguments);
    EXPECT_EQ(outcome.exitCode, c.exitCode);
    EXPECT_EQ(outcome.out.section(QLatin1Char('\n'), 0, 0), c.out);
    EXPECT_EQ(outcome.err, c.err);
  }
}

// Under a file size limit (ulimit -f) a save must fail with its reason, "File too large", not
// end the program: the window ignores SIGXFSZ from its start, as its /proc status shows.
TEST(ProgramStart, TheWindowIgnoresTheSignalOfTheFileSizeLimit) {
  std::signal(SIGXFSZ, SIG_DFL);  // not passed on as ignored from here
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  QProcess program;
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(PELVAR_PROGRAM), QStringList());
  ASSERT_TRUE(program.waitForStarted(20000));
  const QString status = QStringLiteral("/proc/%1/status").arg(program.processId());
  bool ignored = false;
  for (int attempt = 0; attempt < 100 && !ignored; ++attempt) {
    QFile file(status);
    if (!file.open(QIODevice::ReadOnly)) break;
    for (const QByteArray& line : file.readAll().split('\n')) {
      if (line.startsWith("SigIgn:")) {
        ignored = (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGXFSZ - 1)) & 1;
      }
    }
    if (!ignored) QThread::msleep(50);
  }
  program.kill();
  program.waitForFinished(20000);
  EXPECT_TRUE(ignored);
}

}  // namespace
