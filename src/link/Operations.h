// The pager operations of the "Pager" menu: Write (F4), Read (F3) and
// Verify (F2). Each runs to completion on the calling thread: it disables
// the main window, probes the cradle, shows the progress window, exchanges
// frames, applies the firmware and band rules, and always ends with the port
// closed, the progress window closed and the main window enabled.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <string>
#include <string_view>
#include <vector>

#include "codeplug/CodePlugImage.h"
#include "link/OperationHost.h"
#include "protocol/ProgrammingFrame.h"

namespace zt310 {

enum class BlockStatus;

// Status texts. An abandoned operation ends with five dots, a completed
// transfer with six.
inline constexpr const char* kStatusReadyAbandoned = "  Ready .....";
inline constexpr const char* kStatusReady = "  Ready ......";
inline constexpr const char* kStatusBoardTesting = "  Target board testing ......";
inline constexpr const char* kStatusReadVersion = "  Read Version ......";
inline constexpr const char* kStatusReadBandwidth = "  Read BandWidth .......";
inline constexpr const char* kStatusReadSerial = "  Read Serial No. ......";
inline constexpr const char* kStatusWriteNow = "  Write Now ......";
inline constexpr const char* kStatusReadNow = "  Read Now ......";
inline constexpr const char* kStatusVerifyNow = "  Verify Now ......";

// Progress window labels.
inline constexpr const char* kLabelReadVersion = "Read Version ...";
inline constexpr const char* kLabelReadBandwidth = "Read BandWidth .......";
inline constexpr const char* kLabelReadSerial = "Read Serial No. ...";
inline constexpr const char* kLabelWriteNow = "Write Now ......";
inline constexpr const char* kLabelReadNow = " Read Now ......";
inline constexpr const char* kLabelVerifyNow = "Verify Now ......";
inline constexpr const char* kLabelWriteSuccess = " Write Success !";
inline constexpr const char* kLabelWriteFail = " Write Fail !";
inline constexpr const char* kLabelVerifyFailAfterWrite = " Verify Fail !";
inline constexpr const char* kLabelReadSuccess = " Read Success !";
inline constexpr const char* kLabelReadFail = "  Read Fail !";
inline constexpr const char* kLabelChecksumError = "Checksum Error !";
inline constexpr const char* kLabelVerifySuccess = " Verify Success !";
inline constexpr const char* kLabelVerifyFail = "  Verify Fail !";

// Messages.
inline constexpr const char* kReadFirmwareFailText = "Read Firmware Version Fail !";
inline constexpr const char* kAudioGainNoticeText =
    "The Firmware version, 2-channel version <= 1.21 or 5.00 <= single Channel version <=5.21, \n"
    "Audio Gain function is invalid!";
inline constexpr const char* kPlectronWriteText =
    "The Firmware version, 2-channel version <= 1.20 or 5.00 <= single Channel version <=5.20, \n"
    "Plectron function cannot be set.!";
inline constexpr const char* kSingleChannelPagerText =
    "You cannot turn your single channel pager into a 2-channel scan-capable model!";
inline constexpr const char* kReadBandwidthFailText = "Read BandWidth !";
inline constexpr const char* kSwitchNbToWbText = "Are you sure to switch NB to WB ?";
inline constexpr const char* kSwitchWbToNbText = "Are you sure to switch WB to NB ?";
inline constexpr const char* kReadSerialFailText = "Read Serial No. Fail !";
inline constexpr const char* kSerialChecksumErrorText = "Serial No. Checksum Error !";
inline constexpr const char* kManualResetText =
    "The Firmware version < 2.10, \nManual RESET Until Press Reset function cannot be set.!";

inline constexpr const char* kErrorDumpName = "errtbl.tbl";
inline constexpr int kErrorDumpSize = 1024;

// Result pauses of the window, in ms.
inline constexpr unsigned kWriteResultPauseMs = 600;
inline constexpr unsigned kReadResultPauseMs = 800;
inline constexpr unsigned kVerifyResultPauseMs = 900;
inline constexpr unsigned kProductionResultPauseMs = 500;
inline constexpr unsigned kVerifyPacingPauseMs = 100;

// Progress gauge ranges.
inline constexpr int kWriteProgressMax = 1728;
inline constexpr int kReadProgressMax = 512;
inline constexpr int kVerifyProgressMax = 512;

enum class OperationOutcome {
  Success,    // the transfer completed and checked out
  Failed,     // the transfer ran and failed (the progress label says how)
  Abandoned,  // stopped before the transfer, by a rule, a failed check or Cancel
};

struct OperationResult {
  OperationOutcome outcome = OperationOutcome::Abandoned;
  // The progress label at the end: " Write Success !", "  Read Fail !", ...
  // Empty when the operation was abandoned with a message.
  std::string label;
};

// --- rules shared with the production run ---

// The pager ignores the audio gain below these firmware versions.
bool AudioGainIgnored(int pagerVersion);
// GAP MAX. (byte 382) counts 100 ms on old timing firmware and 50 ms on the
// rest: the image's value is carried from its own firmware generation f to
// the pager's p. An image never read from a pager has f = 0.
std::uint8_t ConvertGapMax(std::uint8_t value, int pagerVersion, int imageVersion);
// Byte 390 from byte 391: two codes lower for firmware before 1.1.2.
std::uint8_t LowBatteryAlarmCode(std::uint8_t batteryLow, int pagerVersion);

// --- the operations ---

OperationResult WritePager(OperationContext& context);   // Write1Click
OperationResult ReadPager(OperationContext& context);    // Read1Click
OperationResult VerifyPager(OperationContext& context);  // Verify1Click

// --- the command line's verify of a table file ---

// What the pager tells about itself before a transfer.
struct PagerBlocks {
  std::array<std::uint8_t, 16> identity{};
  std::array<std::uint8_t, 16> band{};    // 128 to 143
  std::array<std::uint8_t, 16> serial{};  // 416 to 431, all 0xFF when none
};

// The image Write puts into this pager for an image opened from a file:
// header, GAP MAX., low-battery byte, identity, serial number and checksum
// adapted as Write adapts them, without asking anything; bandRuleActed when
// Write's wide-band rule set byte 136 to 0xFF and the audio gain to 0.
CodePlugImage AdaptAsWrite(const CodePlugImage& opened, const PagerBlocks& pager, bool bandRuleActed);
// The 512 bytes "read -o" stores for this pager memory.
CodePlugImage StoredAsRead(const CodePlugImage& memory);

// Verify for a file that was written with Write or stored by Read: the
// model holds the file as opened, fileBytes the file as stored. Reads the
// pager's identity, band and serial blocks, then the Verify plan, and passes
// when the pager holds what Write puts there for this file, or when Read
// would store the file again byte for byte. Never writes, never asks. On a
// difference, *difference names the first differing byte, and the host's
// VerifyFailed lists every field that differs from what Write puts there.
OperationResult VerifyPagerHoldsFile(OperationContext& context, const std::vector<std::uint8_t>& fileBytes,
                                     std::string* difference);

namespace detail {
// Steps the operations share with the production run.
void ClosePort(PagerLink& link);
void DiscardBuffers(PagerLink& link);
// Close the port, show the message (when any), "  Ready .....", gauge 0,
// progress window closed, main window enabled.
OperationResult Abandon(OperationContext& context, const std::string& message = {});
// lblVersion and edtSerialNo, and the host told at once.
void ShowVersionLabel(OperationContext& context, const std::array<std::uint8_t, 16>& identity);
void ShowSerialNumber(OperationContext& context, const std::string& serial);
void HideVersionLabel(editor::EditorModel& model);
// Shows the progress window at "Read Version ..." and reads the pager's
// identity block; on failure the version label is hidden and nothing returned.
std::optional<std::array<std::uint8_t, 16>> ReadPagerIdentity(OperationContext& context);
// A two-channel image for a single-channel pager: refused, with "One Channel"
// ticked so the next try fits the pager.
bool SingleChannelPagerRefuses(const std::array<std::uint8_t, 16>& identity, int pagerVersion,
                               const CodePlugImage& image);
OperationResult RefuseTwoChannelImage(OperationContext& context);
// The pager's band bytes 136 and 138, read with their progress texts;
// nothing when the block could not be read.
std::optional<std::pair<int, int>> ReadPagerBand(OperationContext& context);
// "NB" unticked: a narrow-band pager is switched to wide band only when the
// user says OK; false when cancelled.
bool KeepWideBand(OperationContext& context, int pagerNarrowMarker, int pagerBand);
// Writes each block of the plan and reads it back, stopping at the first
// failure; the gauge rises to kWriteProgressMax. Success, or Failed with the
// label that says which step failed.
OperationResult WriteAndVerifyBlocks(OperationContext& context, const std::vector<BlockRange>& plan);
// Tells the host what a write that failed at plan[failedBlock] left in the
// pager; writeAcknowledged when the block's write went in and its read-back failed.
void ReportPartialWrite(OperationContext& context, const std::vector<BlockRange>& plan, std::size_t failedBlock,
                        BlockStatus status, bool writeAcknowledged);
// The end of a transfer: the result label stays up for pauseMs, then the port
// closes and the progress window goes with its gauge at 0.
void EndTransfer(OperationContext& context, unsigned pauseMs);
}  // namespace detail

}  // namespace zt310
