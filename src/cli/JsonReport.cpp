// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/JsonReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringDecoder>

#include <iostream>
#include <streambuf>

#include "link/OperationHost.h"
#include "link/Operations.h"

namespace zt310::cli {

namespace {

JsonReport* active = nullptr;

QJsonValue Optional(const std::optional<std::string>& text, QJsonValue (*convert)(const std::string&)) {
  return text ? convert(*text) : QJsonValue(QJsonValue::Null);
}

QJsonArray Lines(const std::vector<std::string>& lines) {
  QJsonArray array;
  for (const std::string& line : lines) array.append(UserTextValue(line));
  return array;
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \r\n") - first + 1);
}

const char* OutcomeName(OperationOutcome outcome) {
  switch (outcome) {
    case OperationOutcome::Success:
      return "success";
    case OperationOutcome::Failed:
      return "failed";
    case OperationOutcome::Abandoned:
      return "abandoned";
  }
  return "failed";
}

// Standard error as the verb writes it, each finished line also kept in the
// active report.
class LineTee : public std::streambuf {
 public:
  explicit LineTee(std::streambuf* target) : target_(target) {}
  ~LineTee() override { FlushLine(); }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    if (ch == '\n') {
      FlushLine();
    } else {
      line_.push_back(ch);
    }
    return target_->sputc(ch);
  }
  int sync() override { return target_->pubsync(); }

 private:
  void FlushLine() {
    if (!line_.empty() && active) active->AddMessage(line_);
    line_.clear();
  }
  std::streambuf* target_;
  std::string line_;
};

}  // namespace

QJsonValue ImageTextValue(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QJsonValue UserTextValue(const std::string& text) {
  QStringDecoder decoder(QStringDecoder::Utf8);
  const QString decoded = decoder(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  if (!decoder.hasError()) return decoded;
  return QString::fromStdString(OneLineText(text));
}

void PrintJsonLine(const QJsonObject& object, std::ostream& out) {
  out << QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() << "\n" << std::flush;
}

JsonReport::JsonReport(std::string verb, std::ostream& out) : verb_(std::move(verb)), out_(out) {}

void JsonReport::SetFirmware(const std::string& shown) {
  const std::string prefix = "FirmVer. ";
  firmware_ = shown.rfind(prefix, 0) == 0 ? shown.substr(prefix.size()) : shown;
}

void JsonReport::NoteWarning(const std::string& text) {
  std::string line;
  for (const char c : text) line += c == '\n' ? ' ' : c;
  while (line.find("  ") != std::string::npos) line.erase(line.find("  "), 1);
  lastWarning_ = Trimmed(line);
}

void JsonReport::SetResult(const OperationResult& result) {
  outcome_ = OutcomeName(result.outcome);
  const std::string label = Trimmed(result.label);
  if (!label.empty()) label_ = label;
}

void JsonReport::SetVerifyReport(const VerifyReport& report) {
  if (!report.linkProblem.empty()) failure_ = report.linkProblem;
  differences_ = report.differences;
}

QJsonObject JsonReport::Object(int exitCode) const {
  QJsonObject object;
  object["verb"] = QString::fromStdString(verb_);
  object["port"] = Optional(port_, UserTextValue);
  object["file"] = Optional(file_, UserTextValue);
  object["firmware"] = Optional(firmware_, UserTextValue);
  object["serial"] = Optional(serial_, ImageTextValue);
  object["result"] = Optional(label_, UserTextValue);
  const bool success = exitCode == kExitOk && outcome_.value_or("success") == "success";
  const std::string outcome = exitCode == kExitUsage ? "error" : outcome_.value_or(success ? "success" : "failed");
  object["outcome"] = QString::fromStdString(outcome);
  object["exit"] = exitCode;
  // The failure: what the link said, else the first byte that differs, else
  // the last warning box, else the last message, else the label.
  std::optional<std::string> failure = failure_;
  if (!failure && firstDifference_) {
    failure = file_.value_or("the file") + " differs from the pager at " + *firstDifference_;
  }
  if (!failure) failure = lastWarning_;
  if (!success && !failure && !messages_.empty()) failure = messages_.back();
  if (!success && !failure) failure = label_;
  object["failure"] = success ? QJsonValue(QJsonValue::Null) : Optional(failure, UserTextValue);
  QJsonArray differences;
  for (const FieldDifference& difference : differences_) {
    differences.append(QJsonObject{{"field", UserTextValue(difference.path)},
                                   {"file", ImageTextValue(difference.expected)},
                                   {"pager", ImageTextValue(difference.found)}});
  }
  object["differences"] = differences;
  object["first_difference"] = Optional(firstDifference_, UserTextValue);
  object["backup"] = Optional(backup_, UserTextValue);
  object["warnings"] = Lines(warnings_);
  object["messages"] = Lines(messages_);
  return object;
}

void JsonReport::Emit(int exitCode) {
  PrintJsonLine(Object(exitCode), out_);
  printed_ = true;
  StartNext();
}

void JsonReport::StartNext() {
  firmware_.reset();
  serial_.reset();
  backup_.reset();
  label_.reset();
  failure_.reset();
  lastWarning_.reset();
  firstDifference_.reset();
  outcome_.reset();
  differences_.clear();
  messages_.clear();
}

JsonReport* ActiveJsonReport() { return active; }

VerbRun WithJsonReport(const std::string& verb, JsonObjects objects, VerbRun run) {
  return [verb, objects, run](const std::vector<std::string>& argsIn, Io& io) {
    std::vector<std::string> args = argsIn;
    if (!TakeFlag(args, "--json")) return run(args, io);
    JsonReport report(verb, io.out);
    LineTee tee(io.err.rdbuf());
    std::ostream err(&tee);
    Io teeIo{io.out, err, io.in};
    JsonReport* const previous = active;
    active = &report;
    const int exit = run(args, teeIo);
    err.flush();
    if (objects == JsonObjects::OnePerRun || (!report.Printed() && exit != kExitOk)) report.Emit(exit);
    active = previous;
    return exit;
  };
}

}  // namespace zt310::cli
