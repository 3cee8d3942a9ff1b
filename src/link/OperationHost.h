// SPDX-License-Identifier: GPL-3.0-or-later
// What the pager operations need from whoever runs them: the main window
// (message boxes, status bar, progress window TForm4, enabling itself) or
// the command line (stderr, no windows). The operations never touch a
// widget nor the editor's controls: what they learn of the pager goes
// through this interface as it happens, and what they leave behind is in
// their result (OperationResult), which the window and the command line show.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "codeplug/Decode.h"
#include "link/LocalDateTime.h"

namespace zt310 {

class PagerLink;

// Why a Verify ended with "  Verify Fail !": either the link failed (no
// reply, a reply failing its checksum, a serial number failing its sum) and
// linkProblem says so, or the pager holds other data and differences lists
// the fields. Both empty when the pager's memory differed but could not be
// read again for the list (linkProblem then says that).
struct VerifyReport {
  std::string linkProblem;
  std::vector<FieldDifference> differences;
};

// A write (or a production run) that ended part-way through its blocks:
// what failed, and which blocks the pager acknowledged, in plan order. The
// pager then holds part of the new image and its checksum no longer
// matches (PartlyWrittenText in link/PartialWrite.h says so in words).
struct PartialWrite {
  std::string cause;                        // "No reply to the read of bytes 96 to 127."
  std::vector<std::pair<int, int>> wentIn;  // (offset, count) of every acknowledged block
  // The block whose write got no acknowledgement: it may have gone in all the same.
  std::optional<std::pair<int, int>> uncertain;
  // The read-back of the last acknowledged block failed; lastDiffers when
  // it came back sound but with other data.
  bool lastNotChecked = false;
  bool lastDiffers = false;
  int blocksTotal = 0;
  bool interrupted = false;  // a request to stop at once ended it
};

class OperationHost {
 public:
  virtual ~OperationHost() = default;

  // Modal boxes titled "ZT310" with an OK button: the warning box carries
  // the exclamation icon, the plain box none.
  virtual void Warning(const std::string& text) = 0;
  virtual void Plain(const std::string& text) = 0;
  // OK / Cancel question with the exclamation icon; true for OK.
  virtual bool Question(const std::string& text) = 0;

  // Middle panel of the status bar ("  Ready ......").
  virtual void Status(const std::string& text) = 0;

  // The progress window: its label lblState and its gauge CGauge1.
  virtual void ProgressLabel(const std::string& text) = 0;
  virtual void ProgressRange(int minimum, int maximum) = 0;
  virtual void ProgressValue(int value) = 0;
  virtual void ProgressGaugeVisible(bool visible) = 0;
  // Showing the window makes its gauge visible again.
  virtual void ShowProgress() = 0;
  virtual void CloseProgress() = 0;

  virtual void MainWindowEnabled(bool enabled) = 0;

  // A pause after the last exchange that leaves the result on screen. The
  // window waits while processing events (WaitPumping); the command line
  // returns at once.
  virtual void Pause(unsigned ms) = 0;
  // A pause between two requests: the cradle may need it, so every host
  // really waits (processing events).
  virtual void PaceRequests(unsigned ms) { Pause(ms); }

  // The pager's firmware ("FirmVer. 1.3.0") and serial number, as soon as
  // an operation has read them: the window shows them in lblVersion and
  // edtSerialNo, the command line prints them.
  virtual void PagerFirmwareShown(const std::string& /*text*/) {}
  virtual void PagerSerialShown(const std::string& /*serial*/) {}
  // lblVersion emptied (Write, before it reads the pager), and hidden too
  // (Read, before it reads the pager, and a version that could not be read).
  virtual void PagerFirmwareCleared(bool /*hidden*/) {}

  // Write (or a production run) saved the pager's memory in this table file
  // before its first write frame.
  virtual void PagerBackedUp(const std::filesystem::path& /*file*/) {}
  // Verify ended with "  Verify Fail !"; called right after that label is
  // shown, before the result pause.
  virtual void VerifyFailed(const VerifyReport& /*report*/) {}
  // A write ended part-way: called right after its result label is shown.
  virtual void WriteStoppedPartway(const PartialWrite& /*partial*/) {}
  // A production run programmed the pager but its result line is not in the
  // day's log (the log could not be opened, or the line not written).
  virtual void ResultNotLogged(const std::string& /*text*/) {}
  // The run is over (and in the day's log) but the production record did
  // not take its row: the record was lost during the run.
  virtual void RecordMissed(const std::string& text) { Warning(text); }

  // Read shows the bare program caption, dropping any file name.
  virtual void SetCaption(const std::string& /*caption*/) {}
  // The production run hands the focus back to the "Serial No." field; the
  // window also empties the field then, ready for the next scan.
  virtual void FocusSerialNumber() {}
};

// Everything one operation works with besides its request. The link and
// host outlive it.
// A host with no progress window and no main window (a terminal, a cradle
// of a station): nobody looks at a result there, so the result pause
// returns at once; the pause between requests still waits (PaceRequests).
class HeadlessHost : public OperationHost {
 public:
  void Status(const std::string&) override {}
  void ProgressLabel(const std::string&) override {}
  void ProgressRange(int, int) override {}
  void ProgressValue(int) override {}
  void ProgressGaugeVisible(bool) override {}
  void ShowProgress() override {}
  void CloseProgress() override {}
  void MainWindowEnabled(bool) override {}
  void Pause(unsigned) override {}
};

struct OperationContext {
  OperationContext(PagerLink& link_, OperationHost& host_, std::filesystem::path startupDirectory_)
      : link(link_), host(host_), startupDirectory(std::move(startupDirectory_)) {}

  PagerLink& link;
  OperationHost& host;
  // The working directory at program start: errtbl.tbl and the production
  // logs go there.
  std::filesystem::path startupDirectory;
  // When set, Write and the production run read the pager's whole memory
  // and save it as a table file here before they write anything; a read or
  // save that fails ends the operation with nothing written.
  std::optional<std::filesystem::path> backupDirectory;
  // The clock that names the backup files; tests set their own.
  std::function<LocalDateTime()> now = CurrentLocalDateTime;
};

}  // namespace zt310
