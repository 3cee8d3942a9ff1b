// SPDX-License-Identifier: GPL-3.0-or-later
// Files from the desktop, the way a file manager hands them over: the
// program started with a table file opens it, and a second start with a file
// hands it to the window already running. Real program runs, each with its
// own runtime, settings and data folders; the recent-files list the window
// keeps in its settings shows which file it opened.
#include <QtTest>

#include <sys/stat.h>
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

    // A picture asked for while the window runs is drawn all the same.
    QProcess picture;
    Start(picture, {"--screenshot", Path("while-running.png")});
    QVERIFY(picture.waitForFinished(20000));
    QCOMPARE(picture.exitCode(), 0);
    QFile drawn(Path("while-running.png"));
    QVERIFY(drawn.open(QIODevice::ReadOnly));
    QVERIFY(drawn.size() > 1000 && drawn.read(8) == QByteArray("\x89PNG\r\n\x1a\n", 8));

    // The settings are the user's own.
    QCOMPARE(QFileInfo(Path("config/zt310prog/zt310prog.conf")).permissions() & 0x0077, QFile::Permissions());
    QCOMPARE(QFile::permissions(Path("config/zt310prog")) & 0x0077, QFile::Permissions());

    ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
    QVERIFY(first.waitForFinished(10000));
    QCOMPARE(first.exitCode(), 0);
  }

  // An output that cannot take the picture, or a page that is not there, is
  // a usage error (exit 2) said on stderr, never a hang or a silent success.
  void refusedPictures_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("said");
    QTest::newRow("FIFO nobody reads") << QStringList{"--screenshot", Path("fifo")} << "FIFO";
    QTest::newRow("full device") << QStringList{"--screenshot", "/dev/full"} << "/dev/full";
    QTest::newRow("missing folder") << QStringList{"--screenshot", Path("no/such/folder.png")} << "folder.png";
    QTest::newRow("a folder") << QStringList{"--screenshot", dir_.path()} << dir_.path();
    QTest::newRow("no such page") << QStringList{"--screenshot", Path("page.png"), "--page", "99"} << "--page 99";
  }
  void refusedPictures() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, said);
    if (!QFileInfo::exists(Path("fifo"))) QCOMPARE(::mkfifo(Path("fifo").toLocal8Bit().constData(), 0600), 0);
    QProcess program;
    program.setProcessEnvironment(Environment());
    program.start(ZT310PROG_PATH, arguments);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 2);
    const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(errors.contains(said), qPrintable(errors));
    QVERIFY(!QFileInfo::exists(Path("page.png")) || QFileInfo(Path("page.png")).size() == 0);
  }

  // --help and --version need no display.
  void versionAndHelpWithoutADisplay() {
    QProcessEnvironment environment = Environment();
    environment.remove("QT_QPA_PLATFORM");
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    const struct {
      QStringList arguments;
      const char* said;
    } runs[] = {
        {{"--version"}, "zt310prog " ZT310_VERSION},
        {{"-v"}, "zt310prog " ZT310_VERSION},
        {{"--help"}, "--screenshot"},
        {{"-h"}, "--screenshot"},
        {{"--help-all"}, "--screenshot"},
        {{"--demo", "--help"}, "--demo"},  // the help wins over starting the window
    };
    for (const auto& run : runs) {
      QProcess program;
      program.setProcessEnvironment(environment);
      program.start(ZT310PROG_PATH, run.arguments);
      QVERIFY(program.waitForFinished(10000));
      QCOMPARE(program.exitStatus(), QProcess::NormalExit);
      QCOMPARE(program.exitCode(), 0);
      const QByteArray out = program.readAllStandardOutput();
      QVERIFY2(out.contains(run.said), out);
    }
  }
};

QTEST_GUILESS_MAIN(WindowDesktopTest)
#include "test_window_desktop.moc"
