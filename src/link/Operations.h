// SPDX-License-Identifier: GPL-3.0-or-later
// The pager operations of the "Pager" menu: Write (F4), Read (F3) and
// Verify (F2). Each runs to completion on the calling thread: it disables
// the main window, probes the cradle, shows the progress window, exchanges
// frames, applies the firmware and band rules, and always ends with the port
// closed, the progress window closed and the main window enabled.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "codeplug/CodePlugImage.h"
#include "link/OperationHost.h"
#include "protocol/ProgrammingFrame.h"
#include "protocol/WriteRules.h"

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
inline constexpr const char* kReadBandwidthFailText = "Read BandWidth !";
inline constexpr const char* kReadSerialFailText = "Read Serial No. Fail !";
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

// What the operation was asked to do: the working image as the window (or
// the command line) holds it, with the choices its controls show.
struct OperationRequest {
  CodePlugImage image;
  bool narrowBandChosen = false;  // "NB" ticked
};

// What the window's controls show after an operation, beyond the image.
struct ShownFacts {
  bool gapMaxShown = false;        // edtGapMax shows byte 382 as converted for the pager
  bool audioGainReset = false;     // cboAudioGain back at its first item
  bool oneChannelTicked = false;   // the two-channel refusal ticks "One Channel" (and runs its click)
  std::optional<int> timingUnits;  // the unit labels follow this firmware version
  // Read's image replaces the working image: "One Channel" as its byte 11
  // says, the unit labels by timingUnits, then every control from the image.
  bool readTakenOver = false;
};

struct OperationResult {
  OperationResult() = default;
  OperationResult(OperationOutcome outcome_, std::string label_) : outcome(outcome_), label(std::move(label_)) {}

  OperationOutcome outcome = OperationOutcome::Abandoned;
  // The progress label at the end: " Write Success !", "  Read Fail !", ...
  // Empty when the operation was abandoned with a message.
  std::string label;
  // The working image as the operation leaves it (Write adapts it to the
  // pager, Read replaces it); nothing when it stayed as requested.
  std::optional<CodePlugImage> image;
  ShownFacts shown;
  // Why Verify ended with "  Verify Fail !".
  std::optional<VerifyReport> verifyReport;
};

// --- the operations ---

OperationResult WritePager(OperationContext& context, const OperationRequest& request);   // Write1Click
OperationResult ReadPager(OperationContext& context, const OperationRequest& request);    // Read1Click
OperationResult VerifyPager(OperationContext& context, const OperationRequest& request);  // Verify1Click

// The pager's memory as Read takes it over: the squelch table of older
// pagers, the channel marker of byte 11, the remembered tone-2 durations.
CodePlugImage PreparedReadImage(const CodePlugImage& memory, int pagerVersion);

// --- the command line's verify of a table file ---

// The verify of a file: request.image is the file as opened, fileBytes the
// file as stored, and storedByRead says which 512 bytes "read -o" stores for
// a pager memory (the editor's loader decides that).
struct FileVerifyRequest {
  OperationRequest opened;
  std::vector<std::uint8_t> fileBytes;
  std::function<CodePlugImage(const CodePlugImage& memory)> storedByRead;
};

// Verify for a file that was written with Write or stored by Read. Reads
// the pager's identity, band and serial blocks, then the Verify plan, and
// passes when the pager holds what Write puts there for this file, or when
// Read would store the file again byte for byte. Never writes, never asks.
// On a difference, *difference names the first differing byte, and the
// host's VerifyFailed lists every field that differs from what Write puts
// there.
OperationResult VerifyPagerHoldsFile(OperationContext& context, const FileVerifyRequest& request,
                                     std::string* difference);

namespace detail {
// Steps the operations share with the production run.
void ClosePort(PagerLink& link);
void DiscardBuffers(PagerLink& link);
// Close the port, show the message (when any), "  Ready .....", gauge 0,
// progress window closed, main window enabled.
OperationResult Abandon(OperationContext& context, const std::string& message = {});
// No cradle answered: the port closed, the board message with the port's
// problem when it has one, the status text, the main window enabled.
void ReportBoardNotResponding(OperationContext& context, const char* status);
// The cradle check, then the progress window at "Verify Now ......"; false
// when no cradle answered (the board message has been shown).
bool BeginVerify(OperationContext& context);
// The pager's firmware ("FirmVer. 1.3.0") and serial number, told to the
// host at once (lblVersion and edtSerialNo in the window).
void ShowVersionLabel(OperationContext& context, const std::array<std::uint8_t, 16>& identity);
void ShowSerialNumber(OperationContext& context, const std::string& serial);
// The host told that lblVersion is emptied and hidden.
void HideVersionLabel(OperationContext& context);
// Shows the progress window at "Read Version ..." and reads the pager's
// identity block; on failure the version label is hidden and nothing returned.
std::optional<std::array<std::uint8_t, 16>> ReadPagerIdentity(OperationContext& context);
// Runs the write rules for the pager whose identity block has been read:
// shows their notice, reads the band block (and for Write the serial-number
// block) when they need it, asks their question. The decision is Write,
// Refuse, or Ask when the user cancelled; a failed block read ends it as a
// refusal with that block's message.
WriteDecision RunWriteRules(OperationContext& context, WriteRuleInput input);
// The result of a write stopped by a rule: abandoned with the decision's
// message (none after a Cancel), the image as the rules left it, "One
// Channel" ticked after the two-channel refusal.
OperationResult AbandonByRule(OperationContext& context, const WriteDecision& decision, WriteKind kind);
// What the controls show after the write rules went as far as the decision.
ShownFacts ShownAfterRules(const WriteDecision& decision, WriteKind kind);
// Writes each block of the plan and reads it back, stopping at the first
// failure; the gauge rises to kWriteProgressMax. Success, or Failed with the
// label that says which step failed.
OperationResult WriteAndVerifyBlocks(OperationContext& context, const CodePlugImage& image,
                                     const std::vector<BlockRange>& plan);
// Tells the host what a write that failed at plan[failedBlock] left in the
// pager; writeAcknowledged when the block's write went in and its read-back failed.
void ReportPartialWrite(OperationContext& context, const std::vector<BlockRange>& plan, std::size_t failedBlock,
                        BlockStatus status, bool writeAcknowledged);
// The end of a transfer: the result label stays up for pauseMs, then the port
// closes and the progress window goes with its gauge at 0.
void EndTransfer(OperationContext& context, unsigned pauseMs);
}  // namespace detail

}  // namespace zt310
