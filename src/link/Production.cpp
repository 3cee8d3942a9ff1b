// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/Production.h"

#include <QCryptographicHash>

#include <sys/file.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <system_error>

#include "codeplug/Layout.h"
#include "codeplug/SafeFile.h"
#include "link/NotingHost.h"
#include "link/PagerBackup.h"
#include "port/PagerLink.h"
#include "record/ProductionRecord.h"

namespace zt310 {

using namespace layout;
using Block16 = std::array<std::uint8_t, 16>;

namespace {

// The day's log, open for one run only so the file is never left locked.
// Several producers on other cradles may append to the same file: each line
// goes out in one write to a descriptor opened with O_APPEND, so lines never
// interleave, and a link or anything but a regular file at the name is
// refused rather than written through. The cradles of one station share
// the file: a lock within the process and one on the file keep the banner
// first and every line whole.
std::mutex& LogMutex() {
  static std::mutex mutex;
  return mutex;
}

class ProductionLog {
 public:
  enum class State { Open, CannotCreate, CannotAppend, NotRegular };

  explicit ProductionLog(std::filesystem::path path) : path_(std::move(path)) {}

  State Open() {
    std::lock_guard lock(LogMutex());
    AppendFile file = OpenForAppend(path_);
    fd_ = std::move(file.fd);
    reason_ = file.reason;
    switch (file.status) {
      case AppendFile::Status::Opened:
        if (file.created) LockedWrite(kLogBanner);
        return State::Open;
      case AppendFile::Status::CannotCreate:
        return State::CannotCreate;
      case AppendFile::Status::NotRegular:
        return State::NotRegular;
      case AppendFile::Status::CannotOpen:
        break;
    }
    return State::CannotAppend;
  }

  // False when the line is not in the log: the log is not open, or the write failed.
  bool Write(const std::string& line) {
    if (!fd_.valid()) return false;
    std::lock_guard lock(LogMutex());
    return LockedWrite(line);
  }

 private:
  // Other processes appending to the same day's log wait for the line.
  bool LockedWrite(const std::string& line) {
    ::flock(fd_.get(), LOCK_EX);
    const bool written = WriteWhole(line);
    ::flock(fd_.get(), LOCK_UN);
    return written;
  }

  bool WriteWhole(const std::string& line) {
    if (WriteAll(fd_.get(), reinterpret_cast<const std::uint8_t*>(line.data()), line.size())) return true;
    reason_ = std::strerror(errno);
    return false;
  }

 public:
  const std::filesystem::path& path() const { return path_; }
  // Why it could not be opened or written, in the system's words.
  const std::string& reason() const { return reason_; }

 private:
  std::filesystem::path path_;
  UniqueFd fd_;
  std::string reason_;
};

std::string LogNotCreatedText(const ProductionLog& log) {
  std::string text =
      std::string(kLogSaveErrorText) + "\nThe log file \"" + log.path().string() + "\" cannot be created";
  if (!log.reason().empty()) text += ": " + log.reason();
  return text + ".";
}

std::string ResultNotLoggedText(const ProductionLog& log) {
  std::string text = "The result of this run is not in the log \"" + log.path().string() + "\"";
  if (!log.reason().empty()) text += ": " + log.reason();
  return text + ".";
}

std::string LogNotOpenedText(const std::filesystem::path& path) {
  return "The log file \"" + path.string() + "\" cannot be opened.\nThis run will not be logged.";
}

std::string LogNotAFileText(const std::filesystem::path& path) {
  return "The log file \"" + path.string() +
         "\" is not a regular file (a link, a folder or a device);\n"
         "it is not written through, and the run is not made unlogged. Nothing was programmed.";
}

// The production run's own abandonment hands the focus back to the field
// where the text says so.
OperationResult AbandonAndFocus(OperationContext& context, const std::string& message) {
  OperationResult result = detail::Abandon(context, message);
  context.host.FocusSerialNumber();
  return result;
}

}  // namespace

LocalDateTime CurrentLocalDateTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

std::string LogFileName(const LocalDateTime& date) {
  char name[32];
  std::snprintf(name, sizeof name, "%04d-%02d-%02d.log", date.year, date.month, date.day);
  return name;
}

std::string LogResultLine(const LocalDateTime& when, const std::string& serial, const std::string& result) {
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", when.year, when.month, when.day, when.hour,
                when.minute, when.second);
  return std::string(stamp) + "  Serial No. = " + serial + "  " + result + "\r\n";
}

std::string SerialTooLongText(const std::string& serial) {
  return "The serial number \"" + serial + "\" has " + std::to_string(serial.size()) +
         " characters; a pager holds at most 14.\nNothing was programmed.";
}

std::string PrintableSerial(const std::string& serial) {
  static const char* digits = "0123456789ABCDEF";
  std::string shown;
  for (const char c : serial) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte <= 0x7E && c != '\\') {
      shown.push_back(c);
    } else {
      shown += std::string("\\x") + digits[byte >> 4] + digits[byte & 15];
    }
  }
  return shown;
}

std::optional<std::string> SerialNumberRefusal(const std::string& serial) {
  const bool printable = std::all_of(serial.begin(), serial.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x21 && byte <= 0x7E;
  });
  if (!printable) {
    return "The serial number \"" + PrintableSerial(serial) +
           "\" holds a character other than a letter, digit or sign (blanks and control characters "
           "cannot be stored).\nNothing was programmed.";
  }
  if (serial.size() > static_cast<std::size_t>(kSerialNumberLength)) return SerialTooLongText(serial);
  if (serial.size() < kScanMinLength) {
    return "The serial number \"" + serial + "\" has " + std::to_string(serial.size()) +
           " characters; a serial number has 11 to 14.\nNothing was programmed.";
  }
  return std::nullopt;
}

OperationResult ProgramScannedPager(OperationContext& context, const OperationRequest& request,
                                    const ProductionOptions& options) {
  OperationHost& host = context.host;
  CodePlugImage image = request.image;
  PagerLink& link = context.link;
  const auto leaving = [&image](OperationResult result) {
    if (!result.image) result.image = image;
    return result;
  };

  ProductionLog log(options.logDirectory / LogFileName(options.now()));
  switch (log.Open()) {
    case ProductionLog::State::Open:
      break;
    case ProductionLog::State::CannotCreate:
      host.Warning(LogNotCreatedText(log));
      return {OperationOutcome::Abandoned, {}};
    case ProductionLog::State::CannotAppend:
      host.Warning(LogNotOpenedText(log.path()));
      break;
    case ProductionLog::State::NotRegular:
      // Something planted at the day's name must not make runs go unlogged.
      host.Warning(LogNotAFileText(log.path()));
      return {OperationOutcome::Abandoned, {}};
  }

  StampHeader(image);
  host.MainWindowEnabled(false);
  host.Status(kStatusBoardTesting);
  if (!link.Port().IsOpen()) link.OpenSelectedPort();
  if (!link.CheckTargetBoard()) {
    detail::ClosePort(link);
    host.Warning(link.BoardNotRespondingMessage().toStdString());
    host.Status(kStatusReady);
    host.MainWindowEnabled(true);
    host.FocusSerialNumber();
    return leaving({OperationOutcome::Abandoned, {}});
  }

  host.ProgressRange(0, kProductionChecksProgressMax);
  host.ProgressValue(0);
  const auto identityRead = detail::ReadPagerIdentity(context);
  if (!identityRead) return leaving(AbandonAndFocus(context, kReadFirmwareFailText));
  detail::ShowVersionLabel(context, *identityRead);

  WriteRuleInput rules{WriteKind::Production, image, request.narrowBandChosen, {*identityRead, {}, {}}, {}};
  const WriteDecision decision = detail::RunWriteRules(context, rules);
  if (decision.step != WriteDecision::Step::Write) {
    OperationResult result = detail::AbandonByRule(context, decision, WriteKind::Production);
    if (decision.oneChannelRefused) host.FocusSerialNumber();
    return result;
  }
  image = decision.image;

  // Named after the scanned serial number: the one on the pager's label.
  if (context.backupDirectory) {
    if (const auto refusal = detail::BackUpPager(context, SerialBlockText(SerialBlockOf(image)))) {
      OperationResult result = AbandonAndFocus(context, *refusal);
      result.image = image;
      result.shown = detail::ShownAfterRules(decision, WriteKind::Production);
      return result;
    }
  }

  host.ProgressRange(0, kWriteProgressMax);
  host.ProgressValue(0);
  host.ProgressGaugeVisible(true);
  host.ProgressLabel(kLabelWriteNow);
  host.Status(kStatusWriteNow);
  image.SetWord(kSerialChecksum, ComputeSerialChecksum(image));
  StoreImageChecksum(image);
  detail::DiscardBuffers(link);

  // The whole image in four blocks of 128, serial number included.
  OperationResult result = detail::WriteAndVerifyBlocks(context, image, ReadBlockPlan());
  host.ProgressLabel(result.label);
  if (!log.Write(LogResultLine(options.now(), SerialBlockText(SerialBlockOf(image)), Trimmed(result.label)))) {
    host.ResultNotLogged(ResultNotLoggedText(log));
  }

  detail::EndTransfer(context, kProductionResultPauseMs);
  host.MainWindowEnabled(true);
  host.FocusSerialNumber();
  host.Status(kStatusReady);
  result.image = image;
  result.shown = detail::ShownAfterRules(decision, WriteKind::Production);
  return result;
}

std::string ConfigurationSha256(const CodePlugImage& image) {
  CodePlugImage blanked = image;
  std::fill(blanked.data() + kSerialNumber, blanked.data() + kSerialNumber + kSerialBlockSize, 0xFF);
  // The image checksum covers the serial number too: blanked as well, so
  // every pager programmed from one file shares the configuration's hash.
  std::fill(blanked.data() + kImageChecksum, blanked.data() + kImageChecksum + 2, 0xFF);
  const QByteArray bytes(reinterpret_cast<const char*>(blanked.data()), static_cast<qsizetype>(kImageSize));
  return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString();
}

namespace {

// One production run as the record sees it: its serial number reserved
// before anything is sent, its row left at the end.
class RecordedProduction {
 public:
  RecordedProduction(const ProductionOptions& options, const std::string& serial)
      : options_(options), started_(std::chrono::steady_clock::now()) {
    row_.station = options.recorded.station;
    row_.port = options.recorded.port;
    row_.cradle = options.recorded.cradle;
    row_.serial = serial;
    row_.operation = "produce";
    row_.fileName = options.recorded.fileName;
    row_.toolVersion = record::ToolVersion();
  }

  // The refusal text, or nothing when the run may go on.
  std::optional<std::string> Reserve(OperationHost& host) {
    record::ProductionRecord* const record = options_.record;
    if (!record) return std::nullopt;
    reservation_ = record->Reserve(row_.serial, row_, options_.recorded.allowRepeat);
    using Status = record::Reservation::Status;
    const std::string serial = "Serial No. " + PrintableSerial(row_.serial);
    switch (reservation_.status) {
      case Status::Reserved:
        if (reservation_.repeat) {
          row_.repeat = true;
          host.Plain(serial + " was " + record::DescribeHolder(*reservation_.holder) +
                     "; it is programmed again as a repeat (rework).");
        }
        return std::nullopt;
      case Status::AlreadyProgrammed:
        return serial + " was " + record::DescribeHolder(*reservation_.holder) +
               " (Write Success !).\nNothing was programmed; a rework needs --allow-repeat.";
      case Status::InProgress:
        return serial + " is " + record::DescribeHolder(*reservation_.holder) + ".\nNothing was programmed.";
      case Status::Unreachable:
        break;
    }
    unreachable_ = true;
    return reservation_.error + "\nThe serial number cannot be checked, so nothing was programmed.";
  }

  // A refusal before anything was sent: its row, when the record is there.
  void Refused(const std::string& text, const CodePlugImage& image) {
    if (!options_.record || unreachable_) return;
    Fill(text, record::Outcome::Refused, image, {});
    options_.record->Add(row_, nullptr);
  }

  // After the day's log line: the run's row, and the reservation given up
  // or turned into the serial number's mark.
  void Finished(const OperationResult& result, const CodePlugImage& written, const NotingHost& noted,
                OperationHost& host) {
    if (!options_.record) return;
    std::string text = Trimmed(result.label);
    if (text.empty()) text = noted.lastWarning().empty() ? "Cancelled" : noted.lastWarning();
    const record::Outcome outcome = result.outcome == OperationOutcome::Success  ? record::Outcome::Good
                                    : result.outcome == OperationOutcome::Failed ? record::Outcome::Failed
                                                                                 : record::Outcome::Refused;
    Fill(text, outcome, written, noted.firmware());
    std::string error;
    if (!options_.record->Finish(reservation_, row_, &error)) {
      host.RecordMissed(error + "\nThe run ended \"" + text + "\" and is in the day's log, but the record missed it.");
    }
  }

 private:
  void Fill(const std::string& text, record::Outcome outcome, const CodePlugImage& image, const std::string& firmware) {
    record::StampNow(row_);
    row_.result = text;
    row_.outcome = outcome;
    row_.firmware = firmware;
    row_.imageSha256 = ConfigurationSha256(image);
    row_.durationMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started_).count();
  }

  const ProductionOptions& options_;
  std::chrono::steady_clock::time_point started_;
  record::Row row_;
  record::Reservation reservation_;
  bool unreachable_ = false;
};

}  // namespace

OperationResult ProduceScannedSerial(OperationContext& context, const OperationRequest& request,
                                     const ProductionOptions& options, const std::string& serial) {
  RecordedProduction recorded(options, serial);
  if (const auto refusal = SerialNumberRefusal(serial)) {
    context.host.Warning(*refusal);
    context.host.FocusSerialNumber();
    recorded.Refused(*refusal, request.image);
    return {OperationOutcome::Abandoned, {}};
  }
  OperationRequest scanned = request;
  CodePlugImage& image = scanned.image;
  std::fill(image.data() + kSerialNumber, image.data() + kSerialNumber + kSerialBlockSize, 0x00);
  std::copy(serial.begin(), serial.end(), image.data() + kSerialNumber);
  // Before the cradle is asked anything: a serial number programmed before,
  // or in hand at another cradle, is refused here.
  if (const auto refusal = recorded.Reserve(context.host)) {
    context.host.Warning(*refusal);
    context.host.FocusSerialNumber();
    recorded.Refused(*refusal, image);
    return {OperationOutcome::Abandoned, {}};
  }
  NotingHost noting(context.host);
  OperationContext watched(context.link, noting, context.startupDirectory);
  watched.backupDirectory = context.backupDirectory;
  watched.now = context.now;
  OperationResult result = ProgramScannedPager(watched, scanned, options);
  if (!result.image) result.image = image;
  recorded.Finished(result, *result.image, noting, context.host);
  return result;
}

SerialScanKeys::KeyDownAction SerialScanKeys::KeyDown(const std::string& textBefore, bool enter, std::uint32_t nowMs) {
  const std::string text = Trimmed(textBefore);
  if (text.size() == 1) firstKeyMs_ = nowMs;
  KeyDownAction action;
  if (!enter) return action;
  action.swallow = true;
  if (text.size() < kScanMinLength) return action;
  if (static_cast<std::uint32_t>(nowMs - firstKeyMs_) >= kScanMaxMs) {
    action.focusField = true;
    return action;
  }
  action.scanned = text;
  return action;
}

bool SerialScanKeys::KeyPress(const std::string& text, char character) const {
  return character == '\r' && Trimmed(text).size() >= kScanMinLength;
}

}  // namespace zt310
