// SPDX-License-Identifier: GPL-3.0-or-later
// The production record, as a line uses it: zt310 produce processes against
// simulated cradles, the record in an SQLite file beside the daily logs or
// in a PostgreSQL server of the test's own; zt310 history reads it back.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "PostgresServer.h"
#include "ProcessRun.h"
#include "SimFixture.h"
#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"
#include "link/Production.h"

using namespace zt310;
using namespace zt310::testing;
namespace fs = std::filesystem;

namespace {

using Ran = ProcessRan;

Ran RunCli(const QStringList& args, const QByteArray& input = {}) {
  return RunProcess(ZT310_CLI, args, {}, input, 300000);
}

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void WriteLineImage(const fs::path& path) {
  const CodePlugImage image = FactoryImageForChannels(false);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), layout::kImageSize);
}

// The result lines of the day's logs in folder: serial number -> results.
std::multimap<std::string, std::string> LogLines(const fs::path& folder) {
  std::multimap<std::string, std::string> lines;
  const std::string marker = "  Serial No. = ";
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() != ".log") continue;
    std::istringstream in(FileText(entry.path()));
    for (std::string line; std::getline(in, line);) {
      const auto at = line.find(marker);
      if (at == std::string::npos) continue;
      const std::string rest = line.substr(at + marker.size());
      const auto gap = rest.find("  ");
      std::string result = rest.substr(gap + 2);
      if (!result.empty() && result.back() == '\r') result.pop_back();
      lines.emplace(rest.substr(0, gap), result);
    }
  }
  return lines;
}

// The record of a test: the SQLite file beside the logs unless --record names one.
QStringList Read(const QStringList& where) { return where.isEmpty() ? QStringList{"--log-dir", "logs"} : where; }

QJsonArray HistoryRuns(const QStringList& where, const QStringList& more = {}) {
  const Ran history = RunCli(QStringList{"history", "--json"} + Read(where) + more);
  if (history.code != 0) qWarning("history: %s", history.err.c_str());
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(history.out), &error);
  if (error.error != QJsonParseError::NoError) qWarning("not JSON: %s", history.out.c_str());
  return document.object().value("runs").toArray();
}

}  // namespace

class ProductionRecordTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    server_ = std::make_unique<PostgresServer>();
    if (!server_->ok()) qWarning("PostgreSQL tests will be skipped: %s", server_->error().c_str());
  }
  void cleanupTestCase() { server_.reset(); }

  // Every test runs in a fresh current directory: the logs and line.tbl go there.
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    previous_ = fs::current_path();
    fs::current_path(dir_->path().toStdString());
    fs::create_directory("logs");
    WriteLineImage("line.tbl");
  }
  void cleanup() {
    fs::current_path(previous_);
    dir_.reset();
  }

  void runIsRecordedAndARepeatIsRefused_data() { Backends(); }
  void runIsRecordedAndARepeatIsRefused() {
    QFETCH(QString, backend);
    if (backend == "postgresql") ZT310_REQUIRE_POSTGRES(*server_);
    const QStringList where =
        backend == "sqlite" ? QStringList{} : QStringList{"--record", QString::fromStdString(NewDatabase())};
    const QString serial = "AB1234567890";
    RunningSim first;
    const Ran ran = RunCli(QStringList{"produce", "--port", first.device(), "line.tbl", "--log-dir", "logs",
                                       "--station", "line-1", "--serial", serial} +
                           where);
    QVERIFY2(ran.code == 0, ran.err.c_str());

    QJsonArray runs = HistoryRuns(where);
    QCOMPARE(runs.size(), 1);
    const QJsonObject row = runs[0].toObject();
    QVERIFY(row.value("utc").toString().endsWith('Z'));
    QVERIFY(row.value("local").toString().startsWith(QDate::currentDate().toString(Qt::ISODate)));
    QCOMPARE(row.value("station").toString(), QString("line-1"));
    QCOMPARE(row.value("port").toString(), first.device());
    QCOMPARE(row.value("cradle").toInt(), 1);
    QCOMPARE(row.value("serial").toString(), serial);
    QCOMPARE(row.value("firmware").toString(), QString("FirmVer. 1.3.0"));
    QCOMPARE(row.value("operation").toString(), QString("produce"));
    QCOMPARE(row.value("result").toString(), QString("Write Success !"));
    QCOMPARE(row.value("outcome").toString(), QString("good"));
    QVERIFY(row.value("duration_ms").toInteger() > 0);
    QCOMPARE(row.value("file").toString(), QString("line.tbl"));
    QCOMPARE(row.value("sha256").toString().toStdString(), ConfigurationSha256(first->Memory()));
    QVERIFY(row.value("tool_version").toString().startsWith("zt310 "));
    QCOMPARE(row.value("repeat").toBool(), false);

    // The same label scanned at another station: refused before the cradle
    // hears anything, naming where and when it was programmed.
    RunningSim second;
    const Ran again = RunCli(QStringList{"produce", "--port", second.device(), "line.tbl", "--log-dir", "logs",
                                         "--station", "line-2", "--serial", serial} +
                             where);
    QCOMPARE(again.code, 1);
    QVERIFY2(Contains(again.err, "was programmed") && Contains(again.err, "station line-1, cradle 1") &&
                 Contains(again.err, QDate::currentDate().toString(Qt::ISODate).toStdString()),
             again.err.c_str());
    QVERIFY2(Contains(again.err, "Nothing was programmed"), again.err.c_str());
    QVERIFY(second->Requests().empty());

    // A rework goes through with --allow-repeat and says it was one.
    const Ran rework = RunCli(QStringList{"produce", "--port", second.device(), "line.tbl", "--log-dir", "logs",
                                          "--station", "line-2", "--allow-repeat", "--serial", serial} +
                              where);
    QVERIFY2(rework.code == 0, rework.err.c_str());
    runs = HistoryRuns(where, {serial});
    QCOMPARE(runs.size(), 3);
    QCOMPARE(runs[0].toObject().value("repeat").toBool(), true);
    QCOMPARE(runs[0].toObject().value("result").toString(), QString("Write Success !"));
    QCOMPARE(runs[1].toObject().value("outcome").toString(), QString("refused"));
    QCOMPARE(runs[2].toObject().value("station").toString(), QString("line-1"));

    // The daily log is as it always was: a line for each run that wrote.
    QCOMPARE(LogLines("logs").count(serial.toStdString()), std::size_t(2));
    const Ran text = RunCli(QStringList{"history", "--station", "line-2"} + Read(where));
    QVERIFY2(Contains(text.out, "line-2: 1 good, 0 failed, 1 refused"), text.out.c_str());
  }

  // Bench operations leave their rows too, beside the current folder's logs;
  // a record they cannot use is named and the operation goes on.
  void benchOperationsLeaveRows() {
    RunningSim pager;
    const Ran write = RunCli({"write", "--port", pager.device(), "line.tbl", "--station", "bench-1"});
    QVERIFY2(write.code == 0, write.err.c_str());
    const Ran verify = RunCli({"verify", "--port", pager.device(), "line.tbl", "--station", "bench-1"});
    QVERIFY2(verify.code == 0, verify.err.c_str());
    const QJsonArray runs = HistoryRuns({"--log-dir", "."});
    QCOMPARE(runs.size(), 2);
    QCOMPARE(runs[0].toObject().value("operation").toString(), QString("verify"));
    QCOMPARE(runs[0].toObject().value("result").toString(), QString("Verify Success !"));
    QCOMPARE(runs[1].toObject().value("operation").toString(), QString("write"));
    QCOMPARE(runs[1].toObject().value("station").toString(), QString("bench-1"));
    QCOMPARE(runs[1].toObject().value("firmware").toString(), QString("FirmVer. 1.3.0"));

    const Ran unrecorded =
        RunCli({"verify", "--port", pager.device(), "line.tbl", "--record", "postgresql://zt310@127.0.0.1:1/nowhere"});
    QVERIFY2(unrecorded.code == 0, unrecorded.err.c_str());
    QVERIFY2(Contains(unrecorded.err, "This verify is not recorded: the PostgreSQL record \"nowhere\""),
             unrecorded.err.c_str());
  }

  // Without the record no serial number can be checked: nothing is sent.
  void unreachableRecordRefusesProduction_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("server not there") << "postgresql";
    QTest::newRow("a folder at the file's name") << "sqlite";
  }
  void unreachableRecordRefusesProduction() {
    QFETCH(QString, kind);
    RunningSim pager;
    QStringList where{"--log-dir", "logs"};
    if (kind == "postgresql") {
      where += {"--record", "postgresql://zt310@127.0.0.1:1/nowhere"};
    } else {
      fs::create_directory("logs/production.sqlite");
    }
    const Ran ran =
        RunCli(QStringList{"produce", "--port", pager.device(), "line.tbl", "--serial", "AB1234567890"} + where);
    QCOMPARE(ran.code, 2);
    QVERIFY2(
        Contains(ran.err, kind == "postgresql" ? "PostgreSQL record \"nowhere\" on 127.0.0.1:1" : "production.sqlite"),
        ran.err.c_str());
    QVERIFY2(Contains(ran.err, "Nothing was programmed"), ran.err.c_str());
    QVERIFY(pager->Requests().empty());
    QVERIFY(LogLines("logs").empty());
  }

  // The server dies while a pager is being written: the run ends, its line
  // is in the day's log, and it says the record missed it.
  // One cradle, and a station of two whose first cradle takes the number.
  void recordLostDuringARunKeepsTheDailyLine_data() {
    QTest::addColumn<bool>("station");
    QTest::newRow("one cradle") << false;
    QTest::newRow("a station") << true;
  }
  void recordLostDuringARunKeepsTheDailyLine() {
    QFETCH(bool, station);
    PostgresServer server;
    ZT310_REQUIRE_POSTGRES(server);
    RunningSim pager(SimTurnaround(40));
    RunningSim idle;
    QStringList args{"produce", "--port", pager.device()};
    if (station) {
      std::ofstream("one.txt") << "AB1234567890\n";
      args << "--port" << idle.device() << "--serials"
           << "one.txt"
           << "--no-wait";
    } else {
      args << "--serial"
           << "AB1234567890";
    }
    args << "line.tbl"
         << "--log-dir"
         << "logs"
         << "--record" << QString::fromStdString(server.Url());
    QProcess producer;
    producer.start(ZT310_CLI, args);
    QVERIFY(producer.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(pager->Requests().size() > 2, 60000);
    server.Stop();
    QVERIFY(producer.waitForFinished(120000));
    const std::string err = producer.readAllStandardError().toStdString();
    QCOMPARE(producer.exitCode(), 1);
    QVERIFY2(Contains(err, "the record missed it"), err.c_str());
    const auto lines = LogLines("logs");
    QCOMPARE(lines.size(), std::size_t(1));
    QCOMPARE(lines.begin()->second, std::string("Write Success !"));
  }

  // Four stations of two cradles each, one server, lists that overlap:
  // every serial number is programmed once, every run has its row, and the
  // logs match the rows.
  void fourStationsProgramEachSerialOnce() {
    ZT310_REQUIRE_POSTGRES(*server_);
    const QStringList where = {"--record", QString::fromStdString(NewDatabase())};
    constexpr int kStations = 4;
    constexpr int kCradles = 2;
    constexpr int kEach = 5;
    std::vector<std::unique_ptr<RunningSim>> pagers;
    std::vector<std::unique_ptr<QProcess>> producers;
    std::set<QString> serials;
    std::map<QString, QString> portCradle;  // device -> "station/cradle"
    for (int station = 0; station < kStations; ++station) {
      QStringList args{"produce"};
      for (int cradle = 1; cradle <= kCradles; ++cradle) {
        pagers.push_back(std::make_unique<RunningSim>());
        args << "--port" << pagers.back()->device();
        portCradle[pagers.back()->device()] = QString("line-%1/%2").arg(station).arg(cradle);
      }
      // Each list shares serial numbers with its neighbours, in the same order.
      const std::string listName = "list-" + std::to_string(station) + ".txt";
      std::ofstream list(listName);
      for (int s = 0; s < kEach; ++s) {
        const QString serial = QString("LINE%1AB00000").arg(station * 2 + s, 2, 10, QChar('0'));
        serials.insert(serial);
        list << serial.toStdString() << "\n";
      }
      list.close();
      args << "line.tbl"
           << "--log-dir"
           << "logs"
           << "--station" << QString("line-%1").arg(station) << "--serials" << QString::fromStdString(listName)
           << "--no-wait";
      auto producer = std::make_unique<QProcess>();
      producer->start(ZT310_CLI, args + where);
      QVERIFY(producer->waitForStarted(10000));
      producer->closeWriteChannel();
      producers.push_back(std::move(producer));
    }
    for (auto& producer : producers) {
      QVERIFY(producer->waitForFinished(300000));
      QVERIFY(producer->exitStatus() == QProcess::NormalExit);
    }

    const QJsonArray runs = HistoryRuns(where);
    QCOMPARE(runs.size(), kStations * kEach);
    std::map<QString, int> programmed;
    std::multimap<std::string, std::string> written;
    int refused = 0;
    for (const QJsonValue& value : runs) {
      const QJsonObject row = value.toObject();
      if (row.value("result").toString() == "Write Success !") ++programmed[row.value("serial").toString()];
      if (row.value("outcome").toString() == "refused") ++refused;
      // Every row names the station and cradle of the port it ran on.
      const QString device = row.value("port").toString();
      QCOMPARE(QString("%1/%2").arg(row.value("station").toString()).arg(row.value("cradle").toInt()),
               portCradle[device]);
      if (row.value("outcome").toString() != "refused") {
        written.emplace(row.value("serial").toString().toStdString(), row.value("result").toString().toStdString());
      }
    }
    QCOMPARE(programmed.size(), serials.size());
    QCOMPARE(refused, kStations * kEach - static_cast<int>(serials.size()));
    for (const auto& [serial, times] : programmed) QVERIFY2(times == 1, qPrintable(serial));
    QCOMPARE(LogLines("logs"), written);
  }

 private:
  void Backends() {
    QTest::addColumn<QString>("backend");
    QTest::newRow("sqlite") << "sqlite";
    QTest::newRow("postgresql") << "postgresql";
  }
  std::string NewDatabase() {
    const QString name = QString("record%1").arg(++databases_);
    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "admin");
      db.setHostName("127.0.0.1");
      db.setPort(server_->port());
      db.setUserName("zt310");
      db.setDatabaseName("postgres");
      if (!db.open()) qFatal("admin connection: %s", qPrintable(db.lastError().text()));
      QSqlQuery query(db);
      if (!query.exec("CREATE DATABASE " + name)) qFatal("%s", qPrintable(query.lastError().text()));
      db.close();
    }
    QSqlDatabase::removeDatabase("admin");
    return "postgresql://zt310@127.0.0.1:" + std::to_string(server_->port()) + "/" + name.toStdString();
  }

  std::unique_ptr<PostgresServer> server_;
  int databases_ = 0;
  std::unique_ptr<QTemporaryDir> dir_;
  fs::path previous_;
};

QTEST_GUILESS_MAIN(ProductionRecordTest)
#include "test_production_record.moc"
