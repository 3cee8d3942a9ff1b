// SPDX-License-Identifier: GPL-3.0-or-later
// One run of the real zt310 program as its own process, in a session of its
// own whose controlling terminal is a pseudo-terminal: standard input is that
// terminal, where a scanner (or a person) types and where Ctrl+C sends
// SIGINT to the foreground process group, as a terminal does. Standard error
// goes to a file.
#pragma once

#include <QtTest>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zt310::testing {

class TerminalRun {
 public:
  TerminalRun(const std::vector<std::string>& args, const std::string& errorFile) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) qFatal("posix_openpt failed");
    const std::string terminal = ::ptsname(master_);
    std::vector<std::string> all{ZT310_CLI};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::setsid();
      // The first terminal a session leader opens becomes its controlling terminal.
      const int in = ::open(terminal.c_str(), O_RDWR);
      const int err = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int out = ::open("/dev/null", O_WRONLY);
      if (in < 0 || err < 0 || out < 0) ::_exit(127);
      ::dup2(in, 0);
      ::dup2(out, 1);
      ::dup2(err, 2);
      // The test runner may ignore or block these; the program must see them.
      for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::signal(signal, SIG_DFL);
      sigset_t none;
      sigemptyset(&none);
      ::sigprocmask(SIG_SETMASK, &none, nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
  }
  ~TerminalRun() {
    if (pid_ > 0 && !finished_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(master_);
  }
  TerminalRun(const TerminalRun&) = delete;
  TerminalRun& operator=(const TerminalRun&) = delete;

  void Type(const std::string& keys) { QVERIFY(::write(master_, keys.data(), keys.size()) == ssize_t(keys.size())); }
  // Ctrl+C at the terminal: SIGINT to its foreground process group.
  void PressCtrlC() { Type("\x03"); }
  void Signal(int signal) { QVERIFY(::kill(pid_, signal) == 0); }

  // The exit code; 256 + the signal when a signal ended the program; -1
  // when it did not end within ms.
  int Wait(int ms) {
    for (int waited = 0; waited < ms; waited += 20) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        finished_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 256 + WTERMSIG(status);
      }
      // Drain the echo so the terminal never blocks the program.
      char echo[256];
      const int flags = ::fcntl(master_, F_GETFL);
      ::fcntl(master_, F_SETFL, flags | O_NONBLOCK);
      while (::read(master_, echo, sizeof echo) > 0) {
      }
      ::usleep(20000);
    }
    return -1;
  }

 private:
  int master_ = -1;
  pid_t pid_ = -1;
  bool finished_ = false;
};

inline std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace zt310::testing
