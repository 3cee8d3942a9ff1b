// Files from the desktop, the way a file manager hands them over: the
// program started with a table file opens it, and a second start with a file
// hands it to the window already running. Real program runs, each with its
// own runtime, settings and data folders; the recent-files list the window
// keeps in its settings shows which file it opened.
#include <QtTest>

#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"

using namespace zt310;

class WindowDesktopTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

  QString Path(const QString& name) const { return dir_.filePath(name); }

  QProcessEnvironment Environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_RUNTIME_DIR", Path("run"));
    environment.insert("XDG_CONFIG_HOME", Path("config"));
    environment.insert("XDG_DATA_HOME", Path("data"));
    return environment;
  }

  void Start(QProcess& program, const QStringList& arguments) {
    program.setProcessEnvironment(Environment());
    program.setWorkingDirectory(dir_.path());
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(ZT310PROG_PATH, arguments);
    QVERIFY(program.waitForStarted(5000));
  }

  // The recent files as the settings file lists them, newest first.
  QByteArray RecentLine() const {
    QFile settings(Path("config/zt310prog/zt310prog.conf"));
    if (!settings.open(QIODevice::ReadOnly)) return {};
    for (const QByteArray& line : settings.readAll().split('\n')) {
      if (line.startsWith("recent=")) return line;
    }
    return {};
  }

  static void WriteTable(const QString& path) {
    CodePlugImage image = FactoryDefaultImage();
    StampCaption(image);
    QVERIFY(SaveTableFile(path.toStdString(), image, SaveKind::Save).ok);
  }

 private slots:
  void initTestCase() {
    QVERIFY(QDir().mkpath(Path("run")));
    QFile::setPermissions(Path("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    WriteTable(Path("first.tbl"));
    WriteTable(Path("second.tbl"));
  }

  void fileOnTheCommandLineAndFromASecondStart() {
    QProcess first;
    Start(first, {"--demo", "first.tbl"});  // the demo pager answers the cradle search
    QTRY_VERIFY_WITH_TIMEOUT(RecentLine().contains(Path("first.tbl").toUtf8()), 20000);

    QProcess second;
    Start(second, {"second.tbl"});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(RecentLine().contains(Path("second.tbl").toUtf8()), 10000);
    const QByteArray recent = RecentLine();
    QVERIFY2(recent.indexOf(Path("second.tbl").toUtf8()) < recent.indexOf(Path("first.tbl").toUtf8()), recent);
    QCOMPARE(first.state(), QProcess::Running);

    ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
    QVERIFY(first.waitForFinished(10000));
    QCOMPARE(first.exitCode(), 0);
  }
};

QTEST_GUILESS_MAIN(WindowDesktopTest)
#include "test_window_desktop.moc"
