// SPDX-License-Identifier: GPL-3.0-or-later
// Production programming by scanned serial number: the scanner's key
// handling in the "Serial No." field, the production run that writes and
// compares the whole image with that serial number, and the daily log.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "link/LocalDateTime.h"
#include "link/OperationHost.h"
#include "link/Operations.h"

namespace zt310 {

namespace record {
class ProductionRecord;
}

inline constexpr const char* kLogSaveErrorText = "Save Error!";
inline constexpr const char* kLogBanner = "-------  ZT310 Programming (Barcode) Start ------- \r\n";
inline constexpr int kProductionChecksProgressMax = 16;
// A scan is told from typing by its speed and its length.
inline constexpr std::uint32_t kScanMaxMs = 200;
inline constexpr std::size_t kScanMinLength = 11;

// Where a run is made, as the production record names it.
struct RecordedRun {
  std::string station;  // the host name unless the line names its stations
  std::string port;
  int cradle = 1;
  std::string fileName;  // the code-plug file programmed
  // A serial number the record shows programmed is programmed again, and
  // its row says it was a repeat (rework).
  bool allowRepeat = false;
};

struct ProductionOptions {
  // Where the day's log goes; the start-up directory in the window.
  std::filesystem::path logDirectory;
  // The clock of the log; tests set their own.
  std::function<LocalDateTime()> now = CurrentLocalDateTime;
  // When set, a run reserves its serial number there before anything is
  // sent (refused when the record shows it programmed) and leaves its row
  // there at the end, after the day's log line. Not owned.
  record::ProductionRecord* record = nullptr;
  RecordedRun recorded = {};
};

// "2024-05-17.log"
std::string LogFileName(const LocalDateTime& date);
// "2024-05-17 09:07:31  Serial No. = AB1234567890  Write Success !\r\n"
std::string LogResultLine(const LocalDateTime& when, const std::string& serial, const std::string& result);

// The serial number a scan stores must fit the fourteen serial bytes; a
// longer one would be cut and partly overwritten by its checksum.
std::string SerialTooLongText(const std::string& serial);
// A serial number is printable ASCII (0x21 to 0x7E), 11 to 14 characters:
// nothing else can be scanned, stored, and logged as it is. The reason it is
// refused, naming it, or nothing when it is fine.
std::optional<std::string> SerialNumberRefusal(const std::string& serial);
// The serial number as a message can show it: other bytes as \xHH.
std::string PrintableSerial(const std::string& serial);

// The production run (ProgramScannedPager) with the serial number already
// in image bytes 416 to 429; the run stores its checksum in 430 and 431.
OperationResult ProgramScannedPager(OperationContext& context, const OperationRequest& request,
                                    const ProductionOptions& options);

// A scanned serial number: refused with a message (and nothing programmed)
// when longer than fourteen characters, or when options.record refuses it;
// otherwise stored in bytes 416 on, the rest of the sixteen bytes 0x00, and
// the production run started. With a record, every run ends with its row.
OperationResult ProduceScannedSerial(OperationContext& context, const OperationRequest& request,
                                     const ProductionOptions& options, const std::string& serial);

// The SHA-256 (hexadecimal) of the image with its serial-number block
// blanked: every pager programmed with one configuration shares it.
std::string ConfigurationSha256(const CodePlugImage& image);

// The key handling of edtSerialNo without the widget. The window forwards
// each event with the field's text (before the key's character is added)
// and the millisecond clock; the helper says what to do.
class SerialScanKeys {
 public:
  struct KeyDownAction {
    bool swallow = false;                // set the key to 0
    bool focusField = false;             // typed by hand: give the field the focus, program nothing
    std::optional<std::string> scanned;  // a scan: ProduceScannedSerial with this text
  };

  KeyDownAction KeyDown(const std::string& textBefore, bool enter, std::uint32_t nowMs);
  // A character: true when it is swallowed and the focus moves to edtNull
  // (the carriage return that ends a scan).
  bool KeyPress(const std::string& text, char character) const;

 private:
  std::uint32_t firstKeyMs_ = 0;
};

}  // namespace zt310
