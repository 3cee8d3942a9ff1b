// SPDX-License-Identifier: GPL-3.0-or-later
// One copy per user: the guard lives in the private runtime folder, and a
// second start that cannot simply bring the first copy forward says why
// instead of ending silently.
#include <QtTest>

#include <sys/resource.h>
#include <QEventLoop>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

#include "ui/SingleInstance.h"

using namespace zt310::ui;

namespace {

QString Key() { return "zt310-test-" + QString::number(QCoreApplication::applicationPid()); }

}  // namespace

class SingleInstanceTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

 private slots:
  void guardLivesInTheRuntimeFolder() {
    QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray previous = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    SingleInstance first(Key());
    QVERIFY(first.Claim());
    qputenv("XDG_RUNTIME_DIR", previous);
    QVERIFY2(first.LockPath().startsWith(runtime.path() + "/"), qPrintable(first.LockPath()));
    QVERIFY(first.Problem().isEmpty());
    QVERIFY(QFileInfo(first.LockPath()).isFile());
  }

  void secondCopyBringsTheFirstForward() {
    SingleInstance first(Key(), dir_.path());
    QSignalSpy raised(&first, &SingleInstance::RaiseRequested);
    QVERIFY(first.Claim());
    SingleInstance second(Key(), dir_.path());
    QVERIFY(!second.Claim());
    QVERIFY(second.Problem().isEmpty());
    QVERIFY(raised.wait(2000));
  }

  // A second start with a file hands its absolute path over, whatever bytes
  // the name holds.
  void secondCopyHandsItsFileOver() {
    SingleInstance first(Key(), dir_.path());
    QSignalSpy opened(&first, &SingleInstance::OpenRequested);
    QVERIFY(first.Claim());
    const QString name = QString::fromUtf8("odd name\nwith \xC3\xA9 and spaces.tbl");
    SingleInstance second(Key(), dir_.path());
    QVERIFY(!second.Claim(name));
    QVERIFY(opened.wait(2000));
    QCOMPARE(opened.at(0).at(0).toString(), QDir::current().absoluteFilePath(name));
  }

  // A live process of another program named in the lock file.
  void lockOfAnotherProgramIsReported() {
    QProcess sleeper;
    sleeper.start("sleep", {"30"});
    QVERIFY(sleeper.waitForStarted());
    const QString lockPath = SingleInstance(Key(), dir_.path()).LockPath();
    QFile lock(lockPath);
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(QString("%1\nsleep\n%2\n").arg(sleeper.processId()).arg(QSysInfo::machineHostName()).toUtf8());
    lock.close();

    SingleInstance second(Key(), dir_.path());
    QVERIFY(!second.Claim());
    QVERIFY2(second.Problem().contains("sleep") && second.Problem().contains(QString::number(sleeper.processId())),
             qPrintable(second.Problem()));
    sleeper.kill();
    sleeper.waitForFinished();
    QFile::remove(lockPath);
  }

  void firstCopyThatDoesNotAnswerIsReported() {
    SingleInstance probe(Key(), dir_.path());
    QLockFile silent(probe.LockPath());  // held, but nobody listens
    QVERIFY(silent.tryLock(100));
    SingleInstance second(Key(), dir_.path());
    QVERIFY(!second.Claim());
    QVERIFY2(second.Problem().contains("does not answer"), qPrintable(second.Problem()));
  }

  // A flood of second starts, each naming another file, while the window
  // shows a box for every file: never two boxes at once, the files that do
  // not fit the queue dropped with one notice, and a later start still
  // handed over.
  void floodOfOpenRequestsShowsOneBoxAtATime() {
    SingleInstance first(Key(), dir_.path());
    QVERIFY(first.Claim());
    int open = 0, most = 0, shown = 0, dropped = 0;
    std::atomic<bool> floodOver{false};
    QString last;
    connect(&first, &SingleInstance::OpenRequested, this, [&](const QString& file) {
      most = std::max(most, ++open);
      ++shown;
      last = file;
      // What a modal box does: events go on meanwhile. The user closes it
      // once the flood is over.
      QEventLoop box;
      QTimer user;
      connect(&user, &QTimer::timeout, &box, [&] {
        if (floodOver) box.quit();
      });
      user.start(5);
      box.exec();
      --open;
    });
    connect(&first, &SingleInstance::OpenRequestsDropped, this, [&](int count) { dropped += count; });
    const QString server =
        QFileInfo(first.LockPath()).path() + "/" + QFileInfo(first.LockPath()).completeBaseName() + ".socket";
    constexpr int kRequests = 8000;
    // The second starts come from another thread, as from other processes,
    // while this one runs the window's event loop and its box.
    std::atomic<int> unsent{0};
    std::unique_ptr<QThread> starts(QThread::create([&] {
      for (int i = 0; i < kRequests; ++i) {
        QLocalSocket socket;
        socket.connectToServer(server);
        if (!socket.waitForConnected(5000)) {
          ++unsent;
          continue;
        }
        socket.write("open " + QString("/flood/%1.tbl").arg(i).toUtf8().toBase64() + "\n");
        if (!socket.waitForBytesWritten(5000)) ++unsent;
        socket.disconnectFromServer();
      }
      floodOver = true;
    }));
    starts->start();
    QTRY_VERIFY_WITH_TIMEOUT(floodOver, 120000);
    starts->wait();
    QCOMPARE(unsent.load(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(dropped > 0 && open == 0, 20000);
    QCOMPARE(most, 1);
    QVERIFY2(shown < 100, qPrintable(QString::number(shown)));  // not a box for each
    QCOMPARE(shown + dropped, kRequests);

    SingleInstance later(Key(), dir_.path());
    QVERIFY(!later.Claim("/after/the/flood.tbl"));
    QVERIFY(later.Problem().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(last, QString("/after/the/flood.tbl"), 10000);
  }

  // Idle connections are closed after a while and never use up the
  // window's descriptors: with 1,100 of them open, a second start is still
  // handed over. A line longer than a path is dropped whole.
  void idleConnectionsAndLongLinesDoNotBlockSecondStarts() {
    rlimit files{};
    QVERIFY(::getrlimit(RLIMIT_NOFILE, &files) == 0);
    constexpr rlim_t kNeeded = 2600;
    if (files.rlim_max != RLIM_INFINITY && files.rlim_max < kNeeded) QSKIP("the descriptor limit is too low");
    const rlimit raised{std::max<rlim_t>(files.rlim_cur, kNeeded), files.rlim_max};
    QVERIFY(::setrlimit(RLIMIT_NOFILE, &raised) == 0);

    SingleInstance first(Key(), dir_.path());
    QVERIFY(first.Claim());
    QSignalSpy opened(&first, &SingleInstance::OpenRequested);
    const QString server =
        QFileInfo(first.LockPath()).path() + "/" + QFileInfo(first.LockPath()).completeBaseName() + ".socket";
    QLocalSocket longLine;
    longLine.connectToServer(server);
    QVERIFY(longLine.waitForConnected(1000));
    longLine.write("open " + QByteArray(9000, 'A') + "\n");
    longLine.flush();

    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < 1100; ++i) {
      idle.push_back(std::make_unique<QLocalSocket>());
      idle.back()->connectToServer(server);
      QVERIFY2(idle.back()->waitForConnected(1000),
               qPrintable(QString("%1: %2").arg(i).arg(idle.back()->errorString())));
      QCoreApplication::processEvents();
    }
    QTRY_COMPARE_WITH_TIMEOUT(longLine.state(), QLocalSocket::UnconnectedState, 10000);

    SingleInstance second(Key(), dir_.path());
    QVERIFY(!second.Claim("/while/idle.tbl"));
    QVERIFY2(second.Problem().isEmpty(), qPrintable(second.Problem()));
    QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 1, 10000);
    QCOMPARE(opened.at(0).at(0).toString(), QString("/while/idle.tbl"));
    // Every idle one is closed within a few seconds.
    QTRY_VERIFY_WITH_TIMEOUT(std::all_of(idle.begin(), idle.end(),
                                         [](const auto& s) { return s->state() == QLocalSocket::UnconnectedState; }),
                             SingleInstance::kConnectionMs + 10000);
    ::setrlimit(RLIMIT_NOFILE, &files);
  }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "test_single_instance.moc"
