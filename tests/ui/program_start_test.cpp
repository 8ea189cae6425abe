// The program pelvar on a machine without a display: a plain word on stderr, not a toolkit
// failure.

#include <gtest/gtest.h>

#include <QProcess>

namespace {

TEST(ProgramStart, WithoutADisplayPointsToTheBatchCommand) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove(QStringLiteral("DISPLAY"));
  environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
  environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
  QProcess program;
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(PELVAR_PROGRAM), QStringList());
  ASSERT_TRUE(program.waitForFinished(20000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_NE(program.exitCode(), 0);
  const QString said = QString::fromLocal8Bit(program.readAllStandardError());
  EXPECT_TRUE(said.contains(QStringLiteral("no display"))) << said.toStdString();
  EXPECT_TRUE(said.contains(QStringLiteral("pelvar-batch"))) << said.toStdString();
  EXPECT_FALSE(said.contains(QStringLiteral("plugin"))) << said.toStdString();
}

}  // namespace
