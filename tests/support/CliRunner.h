// SPDX-License-Identifier: GPL-3.0-or-later
// The zt310 command line run in-process: the arguments of one verb, what its
// standard input holds, and what it returned and printed.
#pragma once

#include <QStringList>
#include <QtGlobal>

#include <istream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"

namespace zt310::testing {

struct CliRun {
  int code = -1;
  std::string out;
  std::string err;
};

// The verbs run here take the link's test timing (ZT310_LINK_TIMING, see
// cli/LinkTimingSeam.h): poll units of 2 ms, a fifth of the pager's, and
// pauses of a twentieth, unless the test run sets its own.
inline void UseTestLinkTiming() {
  static const bool set = qEnvironmentVariableIsSet("ZT310_LINK_TIMING") || qputenv("ZT310_LINK_TIMING", "2,0.05");
  (void)set;
}

// For a test of the pager's own pauses: while it lives, the verbs run
// with the pager's timing.
class PagerTimingScope {
 public:
  PagerTimingScope() : before_(qgetenv("ZT310_LINK_TIMING")) { qputenv("ZT310_LINK_TIMING", "10,1"); }
  ~PagerTimingScope() { qputenv("ZT310_LINK_TIMING", before_); }
  PagerTimingScope(const PagerTimingScope&) = delete;
  PagerTimingScope& operator=(const PagerTimingScope&) = delete;

 private:
  QByteArray before_;
};

inline CliRun RunZt310(const std::vector<std::string>& args, std::istream& in) {
  UseTestLinkTiming();
  std::ostringstream out, err;
  cli::Io io{out, err, in};
  CliRun run;
  run.code = cli::RunCli(args, io);
  run.out = out.str();
  run.err = err.str();
  return run;
}

inline CliRun RunZt310(const std::vector<std::string>& args, const std::string& input = {}) {
  std::istringstream in(input);
  return RunZt310(args, in);
}

// Arguments made of Qt strings (port names, paths of a QTemporaryDir).
inline std::vector<std::string> Args(const QStringList& args) {
  std::vector<std::string> list;
  for (const QString& arg : args) list.push_back(arg.toStdString());
  return list;
}

}  // namespace zt310::testing
