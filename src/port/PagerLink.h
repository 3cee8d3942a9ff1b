// SPDX-License-Identifier: GPL-3.0-or-later
// The pager link as the operations use it: the one port, the port table and
// its selection, receiving with the per-byte time-out, the frame primitives,
// the cradle probe, the start-up search and the test commands.
//
// Everything runs on the thread that owns the link; while a reply is
// awaited, pending events are processed so the windows stay alive. The host
// (window or command line) supplies the progress and message callbacks.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>

#include "codeplug/CodePlugImage.h"
#include "port/CommPort.h"
#include "protocol/ProgrammingFrame.h"

namespace zt310 {

class LinkTrace;

inline constexpr const char* kOpenErrorInUseText = "Error opening comm port. Port already in use?";
inline constexpr const char* kOpenErrorText = "Error opening comm port.";
inline constexpr const char* kBoardNotRespondingText =
    "The Board is not responding ! \nPlease check your programer ready \nand COM port connect properly !";

// Receiving polls every poll unit x 10 ms, 101 times per byte: about 2.02 s
// per byte at unit 2 (the probe) and 5.05 s at unit 5.
inline constexpr int kPollUnitProbe = 2;
inline constexpr int kPollUnitTransfer = 5;
inline constexpr int kPollsPerByte = 101;

struct LinkTiming {
  // Length of one poll unit in ms. The pager needs 10; tests shrink it.
  double pollUnitMs = 10.0;
  // Factor applied to WaitPumping of the link (result pauses of the operations).
  double waitScale = 1.0;

  int ByteTimeoutMs(int pollUnit) const;
};

struct LinkHost {
  // Called once at the end of every ReadBlock, WriteBlock and VerifyBlock,
  // whatever the outcome: the progress bar advances once per frame.
  std::function<void(int offset, int count)> blockDone;
  // OpenSelectedPort's failure message ("Error opening comm port. ...", plus
  // how to get access when the user may not use the device).
  std::function<void(const QString& message)> showOpenError;
};

// The message OpenSelectedPort shows for an open failure.
QString OpenErrorMessage(const ECommError& error, const QString& portName);

// How one exchange of a block ended. A reply that never came and one that
// failed its checksum are faults of the link, not of the pager's memory:
// Verify reports them differently. NotAcknowledged is a write's reply that
// is not the acknowledgement; PortGone a port that failed (an unplugged
// adapter); Interrupted a wait given up on request (LinkHost::stopNow).
enum class BlockStatus { Ok, Differs, NoReply, BadChecksum, NotAcknowledged, PortGone, Interrupted };

// "No reply to the read of bytes 64 to 95." and the like; empty for Ok.
std::string BlockProblemText(BlockStatus status, int offset, int count);
// The same for the write of a block: "No reply to the write of bytes 64 to 95."
std::string WriteProblemText(BlockStatus status, int offset, int count);

// Returns after ms on the clock, processing pending events all the while.
void WaitPumping(unsigned ms);

class PagerLink {
 public:
  explicit PagerLink(LinkHost host = {}, LinkTiming timing = {});
  PagerLink(const PagerLink&) = delete;
  PagerLink& operator=(const PagerLink&) = delete;

  void SetHost(LinkHost host) { host_ = std::move(host); }
  // True once the transfer must end at once (a second termination request):
  // no further frame is sent, the reply being awaited is given up, and the
  // exchange reports Interrupted. Polled at least every 100 ms of a wait.
  void SetStopCheck(std::function<bool()> stopNow) { stopNow_ = std::move(stopNow); }
  // A test seam: true when the other end (the simulated pager) has
  // finished with the request in hand and left its reply out or short, so
  // no further byte will come. The wait then ends at once, as the time-out
  // would have ended it, and the test need not wait that time-out out.
  // Polled every few ms of a wait while set.
  void SetReplyWithheldCheck(std::function<bool()> withheld) { replyWithheld_ = std::move(withheld); }
  void SetTiming(const LinkTiming& timing) { timing_ = timing; }
  const LinkTiming& timing() const { return timing_; }
  // Trace of every frame; nullptr for none. Not owned.
  void SetTrace(LinkTrace* trace);

  TCommPort& Port() { return port_; }

  // Port table and the selected item (cboPort). Building selects item 0.
  void BuildPortList(const QStringList& commandLinePorts = {});
  void SetPortNames(const QStringList& names);
  const QStringList& PortNames() const { return portNames_; }
  int SelectedIndex() const { return selected_; }
  void SelectPort(int index);
  QString SelectedPortName() const;

  // Reopens the selected port and discards its buffers; on failure tells
  // the host (showOpenError) and leaves the port closed.
  bool OpenSelectedPort();

  // false, sending nothing, when the port is closed.
  bool SendFrame(const ProgrammingFrame& frame);
  // Exactly count bytes, each within the per-byte time-out of the poll
  // unit. A time-out discards the buffers (port stays open); a port error
  // closes the port.
  bool ReceiveBytes(std::uint8_t* buffer, int count, int pollUnit);
  // WaitPumping scaled by timing().waitScale.
  void WaitPumping(unsigned ms);
  // A pause between two requests that the cradle needs: noted in the trace
  // when there is one, then waited as WaitPumping does.
  void PaceRequests(unsigned ms);

  // The frame primitives; none retries, none shows a message.
  bool ReadBlock(std::uint8_t address, std::uint8_t* destination, int offset, int count);
  bool WriteBlock(const CodePlugImage& source, int offset, int count);
  bool VerifyBlock(const CodePlugImage& image, int offset, int count);
  // The same exchanges, telling how they ended: ReadBlockStatus never says
  // Differs; CompareBlock says Differs when the reply is sound but its data
  // are not the image's.
  BlockStatus ReadBlockStatus(std::uint8_t address, std::uint8_t* destination, int offset, int count);
  BlockStatus CompareBlock(const CodePlugImage& image, int offset, int count);
  // WriteBlock, telling how it ended (never Differs or BadChecksum).
  BlockStatus WriteBlockStatus(const CodePlugImage& source, int offset, int count);
  // Opens the selected port when closed; sends the frame, awaits nothing.
  bool SendTestCommand(std::uint8_t command, std::uint8_t p1, std::uint8_t p2, std::uint8_t p3);

  // Probes the selected port; on success the port stays open. No message.
  bool CheckTargetBoard();
  // Probes every listed port at once and selects the first one, in list
  // order, whose cradle answers, leaving it open. Ports that cannot be
  // opened are skipped silently.
  bool FindTargetBoard();

  // Set while a probe runs: ReadBlock then waits with the probe's poll unit.
  bool ProbeFlag() const { return probeFlag_; }

  // Why the last CheckTargetBoard could not open its port ("Port /dev/ttyS9:
  // no such device.", with the access hint for a denied port); empty when
  // it opened, or when OpenSelectedPort has just said it.
  const QString& OpenProblem() const { return openProblem_; }
  // The same for every port FindTargetBoard could not open, in list order.
  const QStringList& SearchOpenProblems() const { return searchOpenProblems_; }
  // The board message of the operations, with OpenProblem() below it.
  QString BoardNotRespondingMessage() const;

 private:
  bool ReceiveReply(std::vector<std::uint8_t>& reply, int pollUnit);
  bool StopRequested() const { return stopNow_ && stopNow_(); }
  // SendFrame, unless the transfer must end at once.
  bool SendExchange(const ProgrammingFrame& frame);
  // Why the last exchange that failed to get its reply failed.
  BlockStatus MissingReplyStatus() const;
  bool Probe();
  void BlockDone(int offset, int count);
  // Tells the host how to get access to a port the user may not open.
  void ReportPermissionDenied(const QString& portName);

  LinkHost host_;
  std::function<bool()> stopNow_;
  std::function<bool()> replyWithheld_;
  LinkTiming timing_;
  LinkTrace* trace_ = nullptr;
  TCommPort port_;
  QStringList portNames_;
  int selected_ = 0;
  bool probeFlag_ = false;
  // The port whose denied open OpenSelectedPort has just reported, so the
  // cradle check that follows it in Write does not say it twice.
  QString permissionReported_;
  QString openProblem_;
  QStringList searchOpenProblems_;
  bool interrupted_ = false;
};

}  // namespace zt310
