// zt310 as an operator runs it at a terminal: the real program, its standard
// input a pseudo-terminal where a scanner (or a person) types.
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "SimFixture.h"
#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"

using namespace zt310;
using namespace zt310::testing;

namespace {

// One run of zt310 with a terminal for standard input; stderr into a file.
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
      const int in = ::open(terminal.c_str(), O_RDWR);
      const int err = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int out = ::open("/dev/null", O_WRONLY);
      if (in < 0 || err < 0 || out < 0) ::_exit(127);
      ::dup2(in, 0);
      ::dup2(out, 1);
      ::dup2(err, 2);
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

  void Type(const std::string& keys) { QVERIFY(::write(master_, keys.data(), keys.size()) == ssize_t(keys.size())); }

  // The exit code, or -1 when the program did not end within ms.
  int Wait(int ms) {
    for (int waited = 0; waited < ms; waited += 20) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        finished_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

}  // namespace

class OperationsTerminalTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  std::string Path(const char* name) const { return dir_.filePath(name).toStdString(); }

 private slots:
  // Serial numbers scanned while a band question is pending stay serial
  // numbers: each pager gets its own run and its own question.
  void produceTakesNoAnswerFromTheScanner() {
    sim::SimOptions options;
    options.narrowBand = true;
    RunningSim pager(options);
    CodePlugImage image = FactoryImageForChannels(false);
    QVERIFY(SaveTableFile(Path("wide.tbl"), image, SaveKind::Save).ok);
    TerminalRun run({"produce", "--port", pager.device().toStdString(), Path("wide.tbl"), "--log-dir",
                     dir_.path().toStdString()},
                    Path("produce.err"));
    run.Type("AB1234567890\nAB1234567891\n\x04");
    QCOMPARE(run.Wait(30000), 1);
    const std::string err = FileText(Path("produce.err"));
    QCOMPARE(Count(err, "Are you sure to switch NB to WB ? Cancel (give --yes to answer OK)\n"), 2);
    QCOMPARE(Count(err, "Serial No. = AB1234567890\n"), 1);
    QCOMPARE(Count(err, "Serial No. = AB1234567891\n"), 1);
  }

  // At a terminal write asks; end of input answers Cancel and ends the line.
  void writeAsksAtTheTerminal() {
    sim::SimOptions options;
    options.narrowBand = true;
    RunningSim pager(options);
    CodePlugImage image = FactoryImageForChannels(false);
    QVERIFY(SaveTableFile(Path("w.tbl"), image, SaveKind::Save).ok);
    {
      TerminalRun run({"write", "--port", pager.device().toStdString(), Path("w.tbl")}, Path("eof.err"));
      run.Type("\x04");
      QCOMPARE(run.Wait(30000), 1);
      QVERIFY(FileText(Path("eof.err")).find("[OK/Cancel] Cancel\n") != std::string::npos);
    }
    {
      TerminalRun run({"write", "--port", pager.device().toStdString(), Path("w.tbl")}, Path("ok.err"));
      run.Type("ok\n");
      QCOMPARE(run.Wait(30000), 0);
      QVERIFY(FileText(Path("ok.err")).find("Write Success !") != std::string::npos);
    }
  }
};

QTEST_GUILESS_MAIN(OperationsTerminalTest)
#include "test_operations_terminal.moc"
