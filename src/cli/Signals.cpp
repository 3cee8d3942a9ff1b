// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Signals.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <iterator>
#include <utility>

namespace zt310::cli {

namespace {

constexpr int kWatched[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t count = 0;
volatile std::sig_atomic_t first = 0;
volatile std::sig_atomic_t last = 0;
volatile std::sig_atomic_t wakeWrite = -1;
int wakeRead = -1;
struct sigaction previous[3];

extern "C" void OnStopSignal(int signal) {
  const int saved = errno;
  if (first == 0) first = signal;
  last = signal;
  count = count + 1;
  if (count >= 3) {
    // Asked three times: the program ends the way the signal ends it.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
  }
  const char byte = 1;
  if (wakeWrite >= 0) (void)!::write(wakeWrite, &byte, 1);  // a full pipe already wakes
  errno = saved;
}

}  // namespace

StopSignals::StopSignals() {
  count = 0;
  first = 0;
  last = 0;
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
    wakeRead = ends[0];
    wakeWrite = ends[1];
  }
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : kWatched) sigaddset(&action.sa_mask, signal);
  // Restarted system calls: a signal only ends the waits that look at it.
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < std::size(kWatched); ++i) ::sigaction(kWatched[i], &action, &previous[i]);
}

StopSignals::~StopSignals() {
  for (std::size_t i = 0; i < std::size(kWatched); ++i) ::sigaction(kWatched[i], &previous[i], nullptr);
  const int write = wakeWrite;
  wakeWrite = -1;
  if (write >= 0) ::close(write);
  if (wakeRead >= 0) ::close(wakeRead);
  wakeRead = -1;
}

int StopSignals::Count() const { return count; }
int StopSignals::First() const { return first; }
int StopSignals::Last() const { return last; }
int StopSignals::WakeFd() const { return wakeRead; }

std::string SignalName(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "signal " + std::to_string(signal);
  }
}

bool WaitForInputUnlessStopped(int fd, const StopSignals& stops) {
  for (;;) {
    if (stops.StopAfterTransfer()) return false;
    pollfd waits[2] = {{fd, POLLIN, 0}, {stops.WakeFd(), POLLIN, 0}};
    const int ready = ::poll(waits, stops.WakeFd() >= 0 ? 2 : 1, -1);
    if (ready < 0 && errno != EINTR) return true;  // let the read itself fail
    if (stops.StopAfterTransfer()) return false;
    if (ready > 0 && waits[0].revents != 0) return true;
  }
}

std::optional<std::string> InputLines::Next(const StopSignals& stops) {
  for (;;) {
    if (stops.StopAfterTransfer()) return std::nullopt;
    const auto end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return line;
    }
    if (ended_) {
      if (pending_.empty()) return std::nullopt;
      return std::exchange(pending_, std::string());
    }
    if (!WaitForInputUnlessStopped(fd_, stops)) return std::nullopt;
    char chunk[512];
    const ssize_t got = ::read(fd_, chunk, sizeof chunk);
    if (got > 0) {
      pending_.append(chunk, static_cast<std::size_t>(got));
    } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
      ended_ = true;
    }
  }
}

}  // namespace zt310::cli
