// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TerminationSignals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

namespace zt310::ui {

namespace {

// The write end, read by the handler; -1 while no watcher exists.
volatile std::sig_atomic_t writeEnd = -1;
int readEnd = -1;

extern "C" void OnTerminationSignal(int signal) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(signal);
  if (writeEnd >= 0) (void)!::write(writeEnd, &byte, 1);  // a full pipe already holds a request
  errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(std::initializer_list<int> watched, QObject* parent)
    : QObject(parent), signals_(watched) {
  if (writeEnd >= 0) return;
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0) return;
  readEnd = ends[0];
  writeEnd = ends[1];
  notifier_ = new QSocketNotifier(readEnd, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::Drain);
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : signals_) ::sigaction(signal, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
  if (!notifier_) return;
  for (int signal : signals_) ::signal(signal, SIG_DFL);
  const int write = writeEnd;
  writeEnd = -1;
  ::close(write);
  ::close(readEnd);
  readEnd = -1;
}

void TerminationSignals::Drain() {
  unsigned char bytes[16];
  const ssize_t count = ::read(readEnd, bytes, sizeof bytes);
  for (ssize_t i = 0; i < count; ++i) emit Requested(bytes[i]);
}

}  // namespace zt310::ui
