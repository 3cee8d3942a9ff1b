// SPDX-License-Identifier: GPL-3.0-or-later
// SIGINT, SIGTERM and SIGHUP while a verb talks to the pager. The first one
// asks the verb to stop once the transfer in hand has ended (the pager whole,
// the result shown and logged, the port closed); the second one to stop at
// once, between two frames; a third ends the program the default way. The
// handler only counts and wakes a self-pipe, so it stays async-signal-safe;
// the link polls StopNow() while it waits for a reply.
#pragma once

#include <optional>
#include <string>

namespace zt310::cli {

class StopSignals {
 public:
  // Only one may exist at a time; the previous handlers come back with its end.
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  int Count() const;
  // The signal that asked first; 0 before any.
  int First() const;
  int Last() const;
  bool StopAfterTransfer() const { return Count() >= 1; }
  bool StopNow() const { return Count() >= 2; }
  // Readable from the first signal on (never drained), for poll().
  int WakeFd() const;
  // 128 + the first signal's number: 130 SIGINT, 143 SIGTERM, 129 SIGHUP.
  int ExitCode() const { return 128 + First(); }
};

// "SIGTERM"
std::string SignalName(int signal);

// Waits until fd has input or a signal came; false when a signal came first.
bool WaitForInputUnlessStopped(int fd, const StopSignals& stops);

// Lines of a file descriptor (standard input of the production runs), read
// without stdio so a signal can end the wait for the next one.
class InputLines {
 public:
  explicit InputLines(int fd) : fd_(fd) {}
  // The next line without its end; nothing at the end of input or once a
  // signal came.
  std::optional<std::string> Next(const StopSignals& stops);

 private:
  int fd_;
  std::string pending_;
  bool ended_ = false;
};

}  // namespace zt310::cli
