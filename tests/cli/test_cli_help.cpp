// SPDX-License-Identifier: GPL-3.0-or-later
// The help of zt310 is its manual: `zt310 --help` names every verb, each
// verb's help gives its usage, describes every option its usage shows and
// states the exit codes; the README and the man page made from the help say
// the same.
#include <QtTest>

#include <QFile>
#include <QRegularExpression>
#include <sstream>

#include "CliRunner.h"

using namespace zt310;

namespace {

// What a verb printed, as text to match.
struct Run {
  int code;
  QString out;
  QString err;
};

Run Cli(std::vector<std::string> args) {
  const testing::CliRun run = testing::RunZt310(args);
  return {run.code, QString::fromStdString(run.out), QString::fromStdString(run.err)};
}

QString ReadText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

// The lines of a help that show a usage: "Usage: zt310 ..." and the
// indented "zt310 ..." forms that continue it.
QStringList UsageLines(const QString& help) {
  QStringList lines;
  for (const QString& line : help.split('\n')) {
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith("Usage: zt310 ") || (line.startsWith(' ') && trimmed.startsWith("zt310 "))) {
      lines << trimmed;
    }
  }
  return lines;
}

QStringList OptionsIn(const QStringList& usageLines) {
  static const QRegularExpression option(R"((?:^|[\s\[|])(--?[a-z][a-z-]*))");
  QStringList options;
  for (const QString& line : usageLines) {
    for (auto it = option.globalMatch(line); it.hasNext();) {
      const QString name = it.next().captured(1);
      if (!options.contains(name)) options << name;
    }
  }
  return options;
}

}  // namespace

class CliHelpTest : public QObject {
  Q_OBJECT

 private slots:
  void toolHelpListsEveryVerbInOrder() {
    const Run run = Cli({"--help"});
    QCOMPARE(run.code, cli::kExitOk);
    QVERIFY(run.out.startsWith("Usage: zt310 VERB"));
    qsizetype previous = -1;
    for (const auto& verb : cli::AllVerbs()) {
      const QString line = QString("\n  %1 ").arg(QString::fromStdString(verb.name));
      const qsizetype at = run.out.indexOf(line);
      QVERIFY2(at > previous, qPrintable("not listed in order: " + line.trimmed()));
      QVERIFY2(run.out.indexOf(QString::fromStdString(verb.summary), at) > at, verb.name.c_str());
      previous = at;
    }
    QVERIFY(run.out.contains("Exit codes:"));
  }

  void noVerbOrAnUnknownOneIsAUsageError_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("errStart");
    QTest::newRow("nothing") << QStringList{} << "Usage: zt310 VERB";
    QTest::newRow("unknown verb") << QStringList{"frobnicate"} << "zt310: unknown verb 'frobnicate'";
  }
  void noVerbOrAnUnknownOneIsAUsageError() {
    QFETCH(QStringList, args);
    QFETCH(QString, errStart);
    std::vector<std::string> argv;
    for (const QString& arg : args) argv.push_back(arg.toStdString());
    const Run run = Cli(argv);
    QCOMPARE(run.code, cli::kExitUsage);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.startsWith(errStart), qPrintable(run.err));
  }

  void verbHelpIsComplete_data() {
    QTest::addColumn<QString>("verb");
    for (const auto& verb : cli::AllVerbs()) QTest::newRow(verb.name.c_str()) << QString::fromStdString(verb.name);
  }
  void verbHelpIsComplete() {
    QFETCH(QString, verb);
    const Run run = Cli({verb.toStdString(), "--help"});
    QCOMPARE(run.code, cli::kExitOk);
    QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
    QCOMPARE(Cli({verb.toStdString(), "-h"}).out, run.out);

    const QStringList lines = run.out.split('\n');
    QVERIFY2(lines.first() == "Usage: zt310 " + verb || lines.first().startsWith("Usage: zt310 " + verb + " "),
             qPrintable(lines.first()));
    for (const QString& usage : UsageLines(run.out)) {
      const int verbField = usage.startsWith("Usage:") ? 2 : 1;
      QVERIFY2(usage.section(' ', verbField, verbField) == verb, qPrintable(usage));
    }

    // Every option a usage shows is described on a line of its own.
    for (const QString& option : OptionsIn(UsageLines(run.out))) {
      const QRegularExpression described("^\\s+" + QRegularExpression::escape(option) + "(\\s|,|$)",
                                         QRegularExpression::MultilineOption);
      QVERIFY2(described.match(run.out).hasMatch(), qPrintable(verb + ": " + option + " is not described"));
    }

    // Exit codes on a line of their own, with success and the usage error.
    const QRegularExpression exitLine(
        "^Exit codes: 0 .*\\b2 ", QRegularExpression::MultilineOption | QRegularExpression::DotMatchesEverythingOption);
    QVERIFY2(exitLine.match(run.out).hasMatch(), qPrintable(verb + ": no \"Exit codes:\" line\n" + run.out));
  }

  void readmeShowsEveryVerb() {
    const QString readme = ReadText(ZT310_README);
    QVERIFY2(!readme.isEmpty(), ZT310_README);
    for (const auto& verb : cli::AllVerbs()) {
      QVERIFY2(readme.contains(QString("zt310 %1 ").arg(QString::fromStdString(verb.name))), verb.name.c_str());
    }
  }

  // The man page is written by hand: every verb has an entry in it, so a
  // new verb cannot be left out of it.
  void manPageHasEveryVerb() {
    const QString page = ReadText(ZT310_MAN_PAGE);
    QVERIFY2(!page.isEmpty(), ZT310_MAN_PAGE);
    QVERIFY(page.startsWith(".TH ZT310 1 "));
    QVERIFY(page.contains("\n.SH NAME\nzt310 \\- "));
    for (const auto& verb : cli::AllVerbs()) {
      const QRegularExpression entry(QString("^\\.TP\n\\.B[IR]? \"?%1\\b").arg(QString::fromStdString(verb.name)),
                                     QRegularExpression::MultilineOption);
      QVERIFY2(entry.match(page).hasMatch(), qPrintable("no entry for " + QString::fromStdString(verb.name)));
    }
  }
};

QTEST_GUILESS_MAIN(CliHelpTest)
#include "test_cli_help.moc"
