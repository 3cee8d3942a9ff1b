// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/ProductionRecord.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QUrl>
#include <QUrlQuery>
#include <QUuid>
#include <QVariant>

#include <atomic>

namespace zt310::record {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QVariant& value) { return value.toString().toStdString(); }

std::string UtcText(const QDateTime& moment) { return moment.toUTC().toString(Qt::ISODateWithMs).toStdString(); }

std::string LocalText(const QDateTime& moment) {
  const QDateTime local = moment.toLocalTime();
  return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs).toStdString();
}

// "2026-12-11T17:30:05.123+01:00" as people read it: "2026-12-11 17:30:05".
std::string ShownTime(const std::string& local) {
  std::string shown = local.substr(0, 19);
  if (shown.size() > 10 && shown[10] == 'T') shown[10] = ' ';
  return shown;
}

const char* kRunsColumns =
    "utc_time, local_time, station, port, cradle, serial, firmware, operation, result, outcome, duration_ms, "
    "file_name, image_sha256, tool_version, is_repeat";

// Every table of schema 1. The statements may run again: each one keeps
// what is already there.
std::vector<QString> SchemaStatements(bool postgres) {
  const QString id = postgres ? "id BIGSERIAL PRIMARY KEY" : "id INTEGER PRIMARY KEY AUTOINCREMENT";
  return {
      "CREATE TABLE IF NOT EXISTS record_schema (version INTEGER NOT NULL)",
      "CREATE TABLE IF NOT EXISTS runs (" + id +
          ", utc_time TEXT NOT NULL, local_time TEXT NOT NULL, station TEXT NOT NULL, port TEXT NOT NULL,"
          " cradle INTEGER NOT NULL, serial TEXT NOT NULL, firmware TEXT NOT NULL, operation TEXT NOT NULL,"
          " result TEXT NOT NULL, outcome TEXT NOT NULL, duration_ms BIGINT NOT NULL, file_name TEXT NOT NULL,"
          " image_sha256 TEXT NOT NULL, tool_version TEXT NOT NULL, is_repeat INTEGER NOT NULL)",
      "CREATE INDEX IF NOT EXISTS runs_serial ON runs (serial)",
      "CREATE INDEX IF NOT EXISTS runs_time ON runs (utc_time)",
      // One row per serial number ever reserved: the reservation of the run
      // in hand (token) and the run that programmed it.
      "CREATE TABLE IF NOT EXISTS serials (serial TEXT PRIMARY KEY, token TEXT, reserved_utc TEXT,"
      " reserved_local TEXT, reserved_station TEXT, reserved_port TEXT, reserved_cradle INTEGER,"
      " programmed_utc TEXT, programmed_local TEXT, programmed_station TEXT, programmed_port TEXT,"
      " programmed_cradle INTEGER)",
  };
}

// What turns a record of schema N into N + 1, by N - 1; empty while the
// first schema is the only one.
const std::vector<std::vector<QString>> kUpgrades = {};

std::atomic<int> connectionCount{0};

}  // namespace

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::Good:
      return "good";
    case Outcome::Failed:
      return "failed";
    case Outcome::Refused:
      break;
  }
  return "refused";
}

void StampNow(Row& row) {
  const QDateTime now = QDateTime::currentDateTime();
  row.utcTime = UtcText(now);
  row.localTime = LocalText(now);
}

std::string ToolVersion() { return std::string("zt310 ") + ZT310_VERSION; }

std::string DefaultStation() {
  const QString name = QSysInfo::machineHostName();
  return name.isEmpty() ? "localhost" : name.toStdString();
}

std::string Location::Describe() const {
  if (!postgres) return "the SQLite record \"" + sqlitePath + "\"";
  std::string where = host.empty() ? "the local server" : host;
  if (port > 0) where += ":" + std::to_string(port);
  return "the PostgreSQL record \"" + database + "\" on " + where + (user.empty() ? "" : " as " + user);
}

std::optional<Location> ParseLocation(const std::string& text, std::string* error) {
  Location location;
  if (!text.starts_with("postgresql://") && !text.starts_with("postgres://")) {
    if (text.empty()) {
      if (error) *error = "an empty record location";
      return std::nullopt;
    }
    location.sqlitePath = text;
    return location;
  }
  const QUrl url(Q(text), QUrl::StrictMode);
  location.postgres = true;
  location.database = url.path().mid(1).toStdString();
  if (!url.isValid() || location.database.empty() || location.database.find('/') != std::string::npos) {
    if (error)
      *error = "\"" + QUrl(Q(text)).toDisplayString(QUrl::RemovePassword).toStdString() +
               "\" is not of the form postgresql://USER@HOST/DB";
    return std::nullopt;
  }
  location.host = url.host().toStdString();
  location.user = url.userName().toStdString();
  location.password = url.password().toStdString();
  location.port = url.port(-1);
  // libpq's own spelling for a server on a local socket: ?host=/folder&port=N.
  const QUrlQuery query(url);
  if (query.hasQueryItem("host")) location.host = query.queryItemValue("host", QUrl::FullyDecoded).toStdString();
  if (query.hasQueryItem("port")) location.port = query.queryItemValue("port").toInt();
  return location;
}

Location RecordInFolder(const std::filesystem::path& folder) {
  Location location;
  location.sqlitePath = (folder / kRecordFileName).string();
  return location;
}

std::string DescribeHolder(const Holder& holder) {
  return std::string(holder.programmed ? "programmed" : "being programmed since") + " " + ShownTime(holder.localTime) +
         " at station " + holder.station + ", cradle " + std::to_string(holder.cradle) + " (" + holder.port + ")";
}

ProductionRecord::ProductionRecord(Location location, std::string connection)
    : location_(std::move(location)), connection_(std::move(connection)) {}

ProductionRecord::~ProductionRecord() {
  {
    QSqlDatabase db = QSqlDatabase::database(Q(connection_), false);
    if (db.isValid()) db.close();
  }
  QSqlDatabase::removeDatabase(Q(connection_));
}

std::unique_ptr<ProductionRecord> ProductionRecord::Open(const Location& location, Mode mode, std::string* error) {
  const std::string name = "zt310-record-" + std::to_string(++connectionCount);
  std::unique_ptr<ProductionRecord> record(new ProductionRecord(location, name));
  const auto fail = [&](const std::string& why) -> std::unique_ptr<ProductionRecord> {
    if (error) *error = location.Describe() + " cannot be used: " + why;
    return nullptr;
  };
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(location.postgres ? "QPSQL" : "QSQLITE", Q(name));
    if (!db.isValid()) {
      return fail(std::string("Qt has no ") + (location.postgres ? "PostgreSQL" : "SQLite") +
                  " driver (install libqt6sql6-" + (location.postgres ? "psql" : "sqlite") + ")");
    }
    if (location.postgres) {
      db.setHostName(Q(location.host));
      if (location.port > 0) db.setPort(location.port);
      db.setUserName(Q(location.user));
      db.setPassword(Q(location.password));
      db.setDatabaseName(Q(location.database));
      db.setConnectOptions("connect_timeout=5");
    } else {
      const QFileInfo file(Q(location.sqlitePath));
      if (mode == Mode::ReadOnly && !file.exists()) return fail("there is no such file");
      if (file.exists() && !file.isFile()) return fail("it is not a regular file");
      db.setDatabaseName(Q(location.sqlitePath));
      // Several producers may share the file: each waits its turn to write.
      db.setConnectOptions(mode == Mode::ReadOnly ? "QSQLITE_BUSY_TIMEOUT=20000;QSQLITE_OPEN_READONLY"
                                                  : "QSQLITE_BUSY_TIMEOUT=20000");
    }
    if (!db.open()) return fail(db.lastError().text().trimmed().toStdString());
  }
  std::string why;
  if (!record->Prepare(mode, &why)) return fail(why);
  return record;
}

bool ProductionRecord::Prepare(Mode mode, std::string* error) {
  QSqlDatabase db = QSqlDatabase::database(Q(connection_), false);
  QSqlQuery query(db);
  const auto failed = [&](const QSqlQuery& q) {
    *error = q.lastError().text().trimmed().toStdString();
    QSqlQuery(db).exec("ROLLBACK");
    return false;
  };
  if (mode == Mode::ReadOnly) {
    if (!query.exec("SELECT version FROM record_schema")) {
      *error = "it holds no production record (" + query.lastError().text().trimmed().toStdString() + ")";
      return false;
    }
    const int version = query.next() ? query.value(0).toInt() : 0;
    if (version > kSchemaVersion) {
      *error = "it was made by a newer zt310 (schema " + std::to_string(version) + ", this one knows " +
               std::to_string(kSchemaVersion) + ")";
      return false;
    }
    return true;
  }
  // One station at a time makes or upgrades the tables.
  if (location_.postgres) {
    if (!query.exec("BEGIN") || !query.exec("SELECT pg_advisory_xact_lock(310025)")) return failed(query);
  } else {
    if (!query.exec("PRAGMA journal_mode=WAL") || !query.exec("BEGIN IMMEDIATE")) return failed(query);
  }
  if (!query.exec("CREATE TABLE IF NOT EXISTS record_schema (version INTEGER NOT NULL)")) return failed(query);
  if (!query.exec("SELECT version FROM record_schema")) return failed(query);
  const bool fresh = !query.next();
  const int version = fresh ? 0 : query.value(0).toInt();
  if (version > kSchemaVersion) {
    *error = "it was made by a newer zt310 (schema " + std::to_string(version) + ", this one knows " +
             std::to_string(kSchemaVersion) + ")";
    QSqlQuery(db).exec("ROLLBACK");
    return false;
  }
  if (version < kSchemaVersion) {
    std::vector<QString> steps;
    if (fresh) {
      steps = SchemaStatements(location_.postgres);
    } else {
      for (int from = version; from < kSchemaVersion; ++from) {
        const auto& upgrade = kUpgrades.at(static_cast<std::size_t>(from - 1));
        steps.insert(steps.end(), upgrade.begin(), upgrade.end());
      }
    }
    for (const QString& step : steps) {
      if (!query.exec(step)) return failed(query);
    }
    query.prepare(fresh ? "INSERT INTO record_schema (version) VALUES (?)" : "UPDATE record_schema SET version = ?");
    query.addBindValue(kSchemaVersion);
    if (!query.exec()) return failed(query);
  }
  if (!query.exec("COMMIT")) return failed(query);
  return true;
}

Reservation ProductionRecord::Reserve(const std::string& serial, const Row& who, bool allowRepeat) {
  QSqlDatabase db = QSqlDatabase::database(Q(connection_), false);
  Reservation reservation;
  reservation.token = QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
  const auto unreachable = [&](const QSqlQuery& q) {
    reservation.status = Reservation::Status::Unreachable;
    reservation.error = Describe() + " cannot be reached: " + q.lastError().text().trimmed().toStdString();
    reservation.token.clear();
    return reservation;
  };
  const QDateTime now = QDateTime::currentDateTime();
  const QString utc = Q(UtcText(now));
  const QString local = Q(LocalText(now));
  const QString stale = Q(UtcText(now.addSecs(-kStaleReservationSeconds)));

  // A serial number never seen: the INSERT takes it, and of two stations
  // inserting at once the database lets one in.
  QSqlQuery insert(db);
  insert.prepare(
      "INSERT INTO serials (serial, token, reserved_utc, reserved_local, reserved_station, reserved_port,"
      " reserved_cradle) VALUES (?, ?, ?, ?, ?, ?, ?) ON CONFLICT (serial) DO NOTHING");
  for (const QVariant& value : {QVariant(Q(serial)), QVariant(Q(reservation.token)), QVariant(utc), QVariant(local),
                                QVariant(Q(who.station)), QVariant(Q(who.port)), QVariant(who.cradle)}) {
    insert.addBindValue(value);
  }
  if (!insert.exec()) return unreachable(insert);
  if (insert.numRowsAffected() == 1) {
    reservation.status = Reservation::Status::Reserved;
    return reservation;
  }
  // Seen before: taken only when no run holds it (or the one that did died
  // long ago) and it was never programmed, or a repeat is allowed. The
  // condition and the change are one statement, so only one run gets it.
  QSqlQuery take(db);
  take.prepare(
      "UPDATE serials SET token = ?, reserved_utc = ?, reserved_local = ?, reserved_station = ?, reserved_port = ?,"
      " reserved_cradle = ? WHERE serial = ? AND (token IS NULL OR reserved_utc < ?)"
      " AND (programmed_utc IS NULL OR ? = 1)");
  for (const QVariant& value :
       {QVariant(Q(reservation.token)), QVariant(utc), QVariant(local), QVariant(Q(who.station)), QVariant(Q(who.port)),
        QVariant(who.cradle), QVariant(Q(serial)), QVariant(stale), QVariant(allowRepeat ? 1 : 0)}) {
    take.addBindValue(value);
  }
  if (!take.exec()) return unreachable(take);
  const bool taken = take.numRowsAffected() == 1;

  QSqlQuery look(db);
  look.prepare(
      "SELECT token, reserved_local, reserved_station, reserved_port, reserved_cradle, programmed_utc,"
      " programmed_local, programmed_station, programmed_port, programmed_cradle, reserved_utc"
      " FROM serials WHERE serial = ?");
  look.addBindValue(Q(serial));
  if (!look.exec()) return unreachable(look);
  if (!look.next()) {
    reservation.status = Reservation::Status::Unreachable;
    reservation.error = Describe() + " lost the reservation of " + serial;
    return reservation;
  }
  const bool programmed = !look.value(5).isNull();
  Holder programmedBy{
      true, S(look.value(5)), S(look.value(6)), S(look.value(7)), S(look.value(8)), look.value(9).toInt()};
  if (taken) {
    reservation.status = Reservation::Status::Reserved;
    reservation.repeat = programmed;
    if (programmed) reservation.holder = programmedBy;
    return reservation;
  }
  reservation.token.clear();
  if (programmed && !allowRepeat) {
    reservation.status = Reservation::Status::AlreadyProgrammed;
    reservation.holder = programmedBy;
  } else {
    reservation.status = Reservation::Status::InProgress;
    reservation.holder =
        Holder{false, S(look.value(10)), S(look.value(1)), S(look.value(2)), S(look.value(3)), look.value(4).toInt()};
  }
  return reservation;
}

bool ProductionRecord::InsertRow(const Row& row, std::string* error) {
  QSqlDatabase db = QSqlDatabase::database(Q(connection_), false);
  QSqlQuery insert(db);
  insert.prepare(
      QString("INSERT INTO runs (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)").arg(kRunsColumns));
  for (const QVariant& value :
       {QVariant(Q(row.utcTime)), QVariant(Q(row.localTime)), QVariant(Q(row.station)), QVariant(Q(row.port)),
        QVariant(row.cradle), QVariant(Q(row.serial)), QVariant(Q(row.firmware)), QVariant(Q(row.operation)),
        QVariant(Q(row.result)), QVariant(OutcomeName(row.outcome)), QVariant(qint64(row.durationMs)),
        QVariant(Q(row.fileName)), QVariant(Q(row.imageSha256)), QVariant(Q(row.toolVersion)),
        QVariant(row.repeat ? 1 : 0)}) {
    insert.addBindValue(value);
  }
  if (insert.exec()) return true;
  if (error) *error = insert.lastError().text().trimmed().toStdString();
  return false;
}

bool ProductionRecord::Add(const Row& row, std::string* error) {
  std::string why;
  if (InsertRow(row, &why)) return true;
  if (error) *error = Describe() + " did not take the row: " + why;
  return false;
}

bool ProductionRecord::Finish(const Reservation& reservation, const Row& row, std::string* error) {
  QSqlDatabase db = QSqlDatabase::database(Q(connection_), false);
  const auto fail = [&](const std::string& why) {
    if (error) *error = Describe() + " did not take the row: " + why;
    db.rollback();
    return false;
  };
  if (!db.transaction()) return fail(db.lastError().text().trimmed().toStdString());
  std::string why;
  if (!InsertRow(row, &why)) return fail(why);
  QSqlQuery mark(db);
  if (row.result == kProgrammedResult) {
    mark.prepare(
        "UPDATE serials SET token = NULL, programmed_utc = ?, programmed_local = ?, programmed_station = ?,"
        " programmed_port = ?, programmed_cradle = ? WHERE serial = ? AND token = ?");
    for (const QVariant& value :
         {QVariant(Q(row.utcTime)), QVariant(Q(row.localTime)), QVariant(Q(row.station)), QVariant(Q(row.port)),
          QVariant(row.cradle), QVariant(Q(row.serial)), QVariant(Q(reservation.token))}) {
      mark.addBindValue(value);
    }
  } else {
    // Not programmed: the number is free for the next scan of this pager.
    mark.prepare("UPDATE serials SET token = NULL WHERE serial = ? AND token = ?");
    mark.addBindValue(Q(row.serial));
    mark.addBindValue(Q(reservation.token));
  }
  if (!mark.exec()) return fail(mark.lastError().text().trimmed().toStdString());
  if (!db.commit()) return fail(db.lastError().text().trimmed().toStdString());
  return true;
}

namespace {

Row RowOf(const QSqlQuery& query) {
  Row row;
  row.utcTime = S(query.value(0));
  row.localTime = S(query.value(1));
  row.station = S(query.value(2));
  row.port = S(query.value(3));
  row.cradle = query.value(4).toInt();
  row.serial = S(query.value(5));
  row.firmware = S(query.value(6));
  row.operation = S(query.value(7));
  row.result = S(query.value(8));
  const std::string outcome = S(query.value(9));
  row.outcome = outcome == "good" ? Outcome::Good : outcome == "failed" ? Outcome::Failed : Outcome::Refused;
  row.durationMs = query.value(10).toLongLong();
  row.fileName = S(query.value(11));
  row.imageSha256 = S(query.value(12));
  row.toolVersion = S(query.value(13));
  row.repeat = query.value(14).toInt() != 0;
  return row;
}

// A date is the local midnight that starts it; a date and time without an
// offset is local too.
std::optional<std::string> SinceAsUtc(const std::string& since) {
  const QString text = Q(since).trimmed();
  const QDate date = QDate::fromString(text, Qt::ISODate);
  QDateTime moment = date.isValid() ? date.startOfDay() : QDateTime::fromString(text, Qt::ISODate);
  if (!moment.isValid()) return std::nullopt;
  return UtcText(moment);
}

}  // namespace

std::optional<std::vector<Row>> ProductionRecord::History(const HistoryFilter& filter, std::string* error) {
  QSqlDatabase db = QSqlDatabase::database(Q(connection_), false);
  QString sql = QString("SELECT %1 FROM runs WHERE 1 = 1").arg(kRunsColumns);
  std::vector<QString> values;
  if (!filter.serial.empty()) {
    sql += " AND serial = ?";
    values.push_back(Q(filter.serial));
  }
  if (!filter.station.empty()) {
    sql += " AND station = ?";
    values.push_back(Q(filter.station));
  }
  if (!filter.since.empty()) {
    const auto since = SinceAsUtc(filter.since);
    if (!since) {
      if (error) *error = "\"" + filter.since + "\" is not a date (2026-12-11) or date and time (2026-12-11T08:00)";
      return std::nullopt;
    }
    sql += " AND utc_time >= ?";
    values.push_back(Q(*since));
  }
  sql += " ORDER BY utc_time DESC, id DESC";
  QSqlQuery query(db);
  query.setForwardOnly(true);
  query.prepare(sql);
  for (const QString& value : values) query.addBindValue(value);
  if (!query.exec()) {
    if (error) *error = Describe() + " cannot be read: " + query.lastError().text().trimmed().toStdString();
    return std::nullopt;
  }
  std::vector<Row> rows;
  while (query.next()) rows.push_back(RowOf(query));
  return rows;
}

std::optional<Row> ProductionRecord::LastProgrammed(const std::string& serial, std::string* error) {
  QSqlDatabase db = QSqlDatabase::database(Q(connection_), false);
  QSqlQuery query(db);
  query.setForwardOnly(true);
  query.prepare(
      QString("SELECT %1 FROM runs WHERE serial = ? AND result = ? ORDER BY utc_time DESC, id DESC").arg(kRunsColumns));
  query.addBindValue(Q(serial));
  query.addBindValue(QString(kProgrammedResult));
  if (!query.exec()) {
    if (error) *error = Describe() + " cannot be read: " + query.lastError().text().trimmed().toStdString();
    return std::nullopt;
  }
  if (!query.next()) return std::nullopt;
  return RowOf(query);
}

}  // namespace zt310::record
