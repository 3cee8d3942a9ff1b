// SPDX-License-Identifier: GPL-3.0-or-later
// What the verbs print with --json: one JSON object per operation (per pager
// for produce, one object a line), written through QJsonDocument so it is
// valid JSON whatever bytes the image, the pager or the file names hold.
//
// The object of a pager operation (read, write, verify, restore, produce):
//   "verb"        the verb
//   "port"        the port as given with --port
//   "file"        the table file written, verified, restored, or read into
//   "firmware"    "1.3.0" as the pager told it; null when not read
//   "serial"      the pager's serial number (produce: the one programmed);
//                 null when none
//   "result"      the result label without the blanks around it
//                 ("Write Success !", "Verify Fail !"); null when the
//                 operation ended before a transfer
//   "outcome"     "success", "failed" (the transfer ran and failed),
//                 "abandoned" (stopped before the transfer) or "error"
//                 (usage or file error, exit 2)
//   "exit"        the exit code of the operation
//   "failure"     why it did not succeed, one line; null on success
//   "differences" verify: the fields that differ, [{"field", "file", "pager"}]
//   "first_difference" verify: the first differing byte, as text; or null
//   "backup"      the backup table file made first; null when none
//   "warnings"    warnings about the file that hold for every pager
//   "messages"    every line the verb printed on standard error meanwhile
// Bytes of the image (serial numbers) are given as "zt310 dump --json" gives
// them: each byte the character of the same number. Other text is UTF-8 when
// it is, otherwise bytes outside printable ASCII are shown as \xHH.
#pragma once

#include <QJsonObject>
#include <QJsonValue>

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "codeplug/Decode.h"

namespace zt310 {
struct OperationResult;
struct VerifyReport;
}  // namespace zt310

namespace zt310::cli {

// Each byte the character of the same number, as "zt310 dump --json" escapes them.
QJsonValue ImageTextValue(const std::string& bytes);
// UTF-8 text as it is; other bytes outside printable ASCII as \xHH.
QJsonValue UserTextValue(const std::string& text);
// One compact line: the object and a line end.
void PrintJsonLine(const QJsonObject& object, std::ostream& out);

class JsonReport {
 public:
  JsonReport(std::string verb, std::ostream& out);

  void SetPort(const std::string& port) { port_ = port; }
  void SetFile(const std::string& file) { file_ = file; }
  // "FirmVer. 1.3.0" or "1.3.0".
  void SetFirmware(const std::string& shown);
  void SetSerial(const std::string& serial) { serial_ = serial; }
  void SetBackup(const std::string& file) { backup_ = file; }
  void SetResult(const OperationResult& result);
  void SetVerifyReport(const VerifyReport& report);
  void SetFirstDifference(const std::string& text) { firstDifference_ = text; }
  // A warning box of the operation: the failure when nothing more precise is known.
  void NoteWarning(const std::string& text);
  // Kept for every pager of the run.
  void AddWarning(const std::string& text) { warnings_.push_back(text); }
  void AddMessage(const std::string& line) { messages_.push_back(line); }

  // Prints the operation's object on one line and starts the next pager's:
  // the port, the file and the warnings stay.
  void Emit(int exitCode);
  // The verb printed its own JSON (keys, get).
  void MarkPrinted() { printed_ = true; }
  bool Printed() const { return printed_; }

 private:
  QJsonObject Object(int exitCode) const;
  void StartNext();

  std::string verb_;
  std::ostream& out_;
  std::optional<std::string> port_, file_, firmware_, serial_, backup_, label_, failure_, lastWarning_,
      firstDifference_;
  std::optional<std::string> outcome_;
  std::vector<FieldDifference> differences_;
  std::vector<std::string> warnings_, messages_;
  bool printed_ = false;
};

// The report of the verb running now with --json; null without --json.
JsonReport* ActiveJsonReport();

// A verb that takes --json: the option is taken out of the arguments; while
// the verb runs, every line it prints on standard error is kept in the
// report's messages. At the end the report is printed with the exit code,
// unless the verb printed its objects itself (keys, get, each pager of
// produce); then an object is printed only for a failure that came before
// any of them (a usage or file error).
using VerbRun = std::function<int(const std::vector<std::string>& args, Io& io)>;
enum class JsonObjects { OnePerRun, PrintedByVerb };
VerbRun WithJsonReport(const std::string& verb, JsonObjects objects, VerbRun run);

constexpr const char* kJsonOperationHelp =
    "  --json        print on stdout one JSON object for the operation: verb, port, file,\n"
    "                firmware, serial, result (the label without its blanks), outcome\n"
    "                (success, failed, abandoned, error), exit, failure, differences\n"
    "                [{field, file, pager}], first_difference, backup, warnings, messages\n"
    "                (every stderr line). Serial numbers give each byte as the character of\n"
    "                the same number, as 'zt310 dump --json' does. A usage or file error\n"
    "                prints an object too (outcome error, exit 2).\n";

}  // namespace zt310::cli
