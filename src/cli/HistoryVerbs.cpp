// SPDX-License-Identifier: GPL-3.0-or-later
// zt310 history: the rows of the production record, newest first, with the
// yield (good, failed, refused) of the production runs per station and per
// file.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>
#include <iostream>
#include <map>

#include "cli/Cli.h"
#include "cli/JsonReport.h"
#include "record/ProductionRecord.h"

namespace zt310::cli {

namespace {

constexpr const char* kHistoryUsage =
    "zt310 history [SERIAL] [--since DATE] [--station NAME] [--log-dir DIR | --record URL] [--json | --csv]";

struct Yield {
  int good = 0, failed = 0, refused = 0;
  void Count(record::Outcome outcome) {
    if (outcome == record::Outcome::Good)
      ++good;
    else if (outcome == record::Outcome::Failed)
      ++failed;
    else
      ++refused;
  }
};

struct Yields {
  std::map<std::string, Yield> stations;
  std::map<std::string, Yield> files;
};

// Only production runs count towards the yield; bench operations are listed.
Yields YieldsOf(const std::vector<record::Row>& rows) {
  Yields yields;
  for (const record::Row& row : rows) {
    if (row.operation != "produce") continue;
    yields.stations[row.station].Count(row.outcome);
    yields.files[row.fileName].Count(row.outcome);
  }
  return yields;
}

QJsonObject RowObject(const record::Row& row) {
  return {{"utc", QString::fromStdString(row.utcTime)},
          {"local", QString::fromStdString(row.localTime)},
          {"station", UserTextValue(row.station)},
          {"port", UserTextValue(row.port)},
          {"cradle", row.cradle},
          {"serial", UserTextValue(row.serial)},
          {"firmware", UserTextValue(row.firmware)},
          {"operation", QString::fromStdString(row.operation)},
          {"result", UserTextValue(row.result)},
          {"outcome", record::OutcomeName(row.outcome)},
          {"duration_ms", static_cast<qint64>(row.durationMs)},
          {"file", UserTextValue(row.fileName)},
          {"sha256", QString::fromStdString(row.imageSha256)},
          {"tool_version", QString::fromStdString(row.toolVersion)},
          {"repeat", row.repeat}};
}

QJsonArray YieldArray(const std::map<std::string, Yield>& yields, const char* key) {
  QJsonArray array;
  for (const auto& [name, yield] : yields) {
    array.append(QJsonObject{
        {key, UserTextValue(name)}, {"good", yield.good}, {"failed", yield.failed}, {"refused", yield.refused}});
  }
  return array;
}

void PrintJson(const record::ProductionRecord& record, const std::vector<record::Row>& rows, std::ostream& out) {
  QJsonArray runs;
  for (const record::Row& row : rows) runs.append(RowObject(row));
  const Yields yields = YieldsOf(rows);
  const QJsonObject object{{"record", QString::fromStdString(record.Describe())},
                           {"runs", runs},
                           {"yield", QJsonObject{{"stations", YieldArray(yields.stations, "station")},
                                                 {"files", YieldArray(yields.files, "file")}}}};
  out << QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString();
}

// A field as a spreadsheet reads it: quoted when it holds a comma, a quote
// or a line end, its quotes doubled.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

void PrintCsv(const std::vector<record::Row>& rows, std::ostream& out) {
  out << "utc,local,station,port,cradle,serial,firmware,operation,result,outcome,duration_ms,file,sha256,"
         "tool_version,repeat\r\n";
  for (const record::Row& row : rows) {
    const std::vector<std::string> fields{row.utcTime,
                                          row.localTime,
                                          row.station,
                                          row.port,
                                          std::to_string(row.cradle),
                                          row.serial,
                                          row.firmware,
                                          row.operation,
                                          row.result,
                                          record::OutcomeName(row.outcome),
                                          std::to_string(row.durationMs),
                                          row.fileName,
                                          row.imageSha256,
                                          row.toolVersion,
                                          row.repeat ? "1" : "0"};
    for (std::size_t i = 0; i < fields.size(); ++i) out << (i ? "," : "") << CsvField(fields[i]);
    out << "\r\n";
  }
}

// Texts of the record are shown on one line.
std::string OneLine(const std::string& text) {
  std::string line;
  for (const char c : text) line += (c == '\n' || c == '\r') ? ' ' : c;
  return line;
}

void PrintText(const record::ProductionRecord& record, const std::vector<record::Row>& rows, std::ostream& out) {
  out << "Production record: " << record.Describe() << ", " << rows.size() << (rows.size() == 1 ? " row" : " rows")
      << "\n";
  for (const record::Row& row : rows) {
    std::string when = row.localTime.substr(0, 19);
    if (when.size() > 10) when[10] = ' ';
    out << when << "  " << row.station << "  cradle " << row.cradle << " (" << row.port << ")  "
        << (row.serial.empty() ? "-" : row.serial) << "  " << row.operation << "  " << OneLine(row.result)
        << (row.repeat ? "  (repeat)" : "") << "  " << row.durationMs << " ms  "
        << (row.firmware.empty() ? "-" : row.firmware) << "  " << row.fileName << "  sha256 "
        << row.imageSha256.substr(0, 16) << "\n";
  }
  const Yields yields = YieldsOf(rows);
  const auto print = [&out](const char* title, const std::map<std::string, Yield>& table) {
    out << title << "\n";
    for (const auto& [name, yield] : table) {
      out << "  " << name << ": " << yield.good << " good, " << yield.failed << " failed, " << yield.refused
          << " refused\n";
    }
  };
  print("Yield by station:", yields.stations);
  print("Yield by file:", yields.files);
}

int RunHistory(const std::vector<std::string>& argsIn, Io& io) {
  std::vector<std::string> args = argsIn;
  const bool json = TakeFlag(args, "--json");
  const bool csv = TakeFlag(args, "--csv");
  std::vector<std::string> since, stations, logDirs, records;
  if (!TakeOption(args, "--since", since) || !TakeOption(args, "--station", stations) ||
      !TakeOption(args, "--log-dir", logDirs) || !TakeOption(args, "--record", records) || since.size() > 1 ||
      stations.size() > 1 || logDirs.size() > 1 || records.size() > 1 || (json && csv) ||
      (!logDirs.empty() && !records.empty())) {
    return UsageError(io.err, kHistoryUsage);
  }
  DropEndOfOptions(args);
  if (args.size() > 1) return UsageError(io.err, kHistoryUsage);
  record::HistoryFilter filter;
  if (!args.empty()) filter.serial = args[0];
  if (!since.empty()) filter.since = since[0];
  if (!stations.empty()) filter.station = stations[0];

  std::string error;
  const std::optional<record::Location> location =
      !records.empty() ? record::ParseLocation(records[0], &error)
                       : record::RecordInFolder(logDirs.empty() ? std::filesystem::current_path()
                                                                : std::filesystem::path(logDirs[0]));
  std::unique_ptr<record::ProductionRecord> productionRecord;
  if (location) {
    productionRecord = record::ProductionRecord::Open(*location, record::ProductionRecord::Mode::ReadOnly, &error);
  }
  if (!productionRecord) {
    io.err << "No production record to read: " << error << ".\n";
    return kExitUsage;
  }
  const auto rows = productionRecord->History(filter, &error);
  if (!rows) {
    io.err << error << "\n";
    return kExitFailed;
  }
  if (json) {
    PrintJson(*productionRecord, *rows, io.out);
  } else if (csv) {
    PrintCsv(*rows, io.out);
  } else {
    PrintText(*productionRecord, *rows, io.out);
  }
  return kExitOk;
}

}  // namespace

void AddHistoryVerbs(std::vector<Verb>& verbs) {
  verbs.push_back({"history", kHistoryUsage, "List the production record: every run, newest first, with the yield.",
                   "Lists the rows of the production record that 'zt310 produce' (and write, verify and\n"
                   "restore) leave: local time, station, cradle and port, serial number, operation,\n"
                   "result (the result label, or the refusal or failure text), duration, firmware, file\n"
                   "and the start of its SHA-256, newest first; then the yield of the production runs\n"
                   "(good, failed, refused) per station and per file.\n\n"
                   "  SERIAL        only the rows of this serial number\n"
                   "  --since DATE  only rows from DATE on (2026-12-11: local midnight; or a date and\n"
                   "                time, 2026-12-11T08:00)\n"
                   "  --station NAME only the rows of this station\n"
                   "  --log-dir DIR read DIR/production.sqlite (default: the current directory)\n"
                   "  --record URL  read the record of a PostgreSQL server, postgresql://USER@HOST/DB\n"
                   "  --json        one JSON object: \"record\", \"runs\" (every field of every row) and\n"
                   "                \"yield\" (\"stations\" and \"files\", each with good, failed, refused)\n"
                   "  --csv         the rows as comma-separated values with a header line\n\n"
                   "Exit codes: 0 listed (also when no row matches); 1 the record could not be read;\n"
                   "2 usage error, or there is no record at that place.\n",
                   RunHistory});
}

}  // namespace zt310::cli
