// SPDX-License-Identifier: GPL-3.0-or-later
// A program run as a separate process, as a script runs it: its arguments,
// what it gets on standard input, the folder it runs in; its exit code and
// what it printed. A run that does not end in time is killed and says so.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <string>

namespace zt310::testing {

struct ProcessRan {
  int code = -1;  // -1: did not start, crashed or was killed
  std::string out;
  std::string err;
};

inline ProcessRan RunProcess(const QString& program, const QStringList& args, const QString& dir = {},
                             const QByteArray& input = {}, int timeoutMs = 120000) {
  QProcess process;
  if (!dir.isEmpty()) process.setWorkingDirectory(dir);
  process.start(program, args);
  if (!process.waitForStarted(10000)) return {-1, {}, "did not start"};
  process.write(input);
  process.closeWriteChannel();
  if (!process.waitForFinished(timeoutMs)) {
    process.kill();
    process.waitForFinished();
    return {-1, process.readAllStandardOutput().toStdString(), "did not end"};
  }
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
}

}  // namespace zt310::testing
