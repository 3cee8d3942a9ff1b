// SPDX-License-Identifier: GPL-3.0-or-later
#include "port/PagerLink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <optional>
#include <thread>

#include "port/LinkTrace.h"
#include "port/PortList.h"
#include "port/PortProblem.h"

namespace zt310 {

namespace {

// Collects a counted reply from one port. The time-out restarts with every
// byte received, as the pager's polling always did.
class ReplyReader {
 public:
  enum class State { Waiting, Complete, TimedOut };

  ReplyReader(TCommPort& port, int count, int byteTimeoutMs)
      : port_(port), count_(count), byteTimeoutNs_(static_cast<qint64>(byteTimeoutMs) * 1000000) {
    sinceLastByte_.start();
  }

  // Takes the bytes waiting (never more than the reply needs). Raises
  // ECommError when the port fails.
  State Poll() {
    while (static_cast<int>(bytes_.size()) < count_ && port_.PendingInputCount() > 0) {
      bytes_.push_back(port_.ReceiveByte());
      sinceLastByte_.restart();
    }
    if (static_cast<int>(bytes_.size()) == count_) return State::Complete;
    return sinceLastByte_.nsecsElapsed() >= byteTimeoutNs_ ? State::TimedOut : State::Waiting;
  }

  int RemainingMs() const {
    const qint64 left = byteTimeoutNs_ - sinceLastByte_.nsecsElapsed();
    return left <= 0 ? 0 : static_cast<int>((left + 999999) / 1000000);
  }

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  int count() const { return count_; }

 private:
  TCommPort& port_;
  int count_;
  qint64 byteTimeoutNs_;
  QElapsedTimer sinceLastByte_;
  std::vector<std::uint8_t> bytes_;
};

void TraceNote(LinkTrace* trace, const QString& port, const QString& text) {
  if (trace) trace->Note(port, text);
}

// The port and the reason, and for a port the user may not use, how to get access.
QString ProblemLines(const ECommError& error, const QString& portName) {
  QString lines = PortProblemLine(portName, error.problem(), error.detail());
  if (error.permissionDenied())
    lines += (lines.isEmpty() ? QString() : QStringLiteral("\n")) + PermissionHint(portName);
  return lines;
}

}  // namespace

int LinkTiming::ByteTimeoutMs(int pollUnit) const {
  return static_cast<int>(std::lround(kPollsPerByte * pollUnit * pollUnitMs));
}

QString OpenErrorMessage(const ECommError& error, const QString& portName) {
  QString message =
      QString::fromLatin1(error.code() == CommErrorCode::OpenFailed ? kOpenErrorInUseText : kOpenErrorText);
  const QString why = ProblemLines(error, portName);
  if (!why.isEmpty()) message += QStringLiteral("\n") + why;
  return message;
}

std::string BlockProblemText(BlockStatus status, int offset, int count) {
  const std::string bytes = "bytes " + std::to_string(offset) + " to " + std::to_string(offset + count - 1);
  switch (status) {
    case BlockStatus::Ok:
      return {};
    case BlockStatus::Differs:
      return "The pager's " + bytes + " differ from the image.";
    case BlockStatus::NoReply:
      return "No reply to the read of " + bytes + ".";
    case BlockStatus::BadChecksum:
      return "The reply to the read of " + bytes + " failed its checksum.";
    case BlockStatus::NotAcknowledged:
      return "The reply to the read of " + bytes + " was not a read reply.";
    case BlockStatus::PortGone:
      return "The port went away during the read of " + bytes + ".";
    case BlockStatus::Interrupted:
      return "The read of " + bytes + " was cut short on request.";
  }
  return {};
}

std::string WriteProblemText(BlockStatus status, int offset, int count) {
  const std::string bytes = "bytes " + std::to_string(offset) + " to " + std::to_string(offset + count - 1);
  switch (status) {
    case BlockStatus::Ok:
      return {};
    case BlockStatus::NoReply:
      return "No reply to the write of " + bytes + ".";
    case BlockStatus::NotAcknowledged:
    case BlockStatus::BadChecksum:
    case BlockStatus::Differs:
      return "The pager did not acknowledge the write of " + bytes + " (a wrong reply came).";
    case BlockStatus::PortGone:
      return "The port went away during the write of " + bytes + ".";
    case BlockStatus::Interrupted:
      return "The write of " + bytes + " was cut short on request.";
  }
  return {};
}

// How often the test seam's check runs while a reply is awaited.
constexpr int kReplyWithheldPollMs = 2;

void WaitPumping(unsigned ms) {
  if (QCoreApplication::instance() == nullptr) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return;
  }
  QElapsedTimer clock;
  clock.start();
  QCoreApplication::processEvents();
  while (clock.elapsed() < static_cast<qint64>(ms)) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(ms - clock.elapsed()), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
  }
}

PagerLink::PagerLink(LinkHost host, LinkTiming timing) : host_(std::move(host)), timing_(timing) {}

void PagerLink::SetTrace(LinkTrace* trace) {
  trace_ = trace;
  port_.SetTrace(trace);
}

void PagerLink::BuildPortList(const QStringList& commandLinePorts) {
  SetPortNames(zt310::BuildPortList(commandLinePorts));
}

void PagerLink::SetPortNames(const QStringList& names) {
  portNames_ = names;
  selected_ = 0;
}

void PagerLink::SelectPort(int index) {
  if (index >= 0 && index < portNames_.size()) selected_ = index;
}

QString PagerLink::SelectedPortName() const {
  return selected_ < portNames_.size() ? portNames_.at(selected_) : QString();
}

bool PagerLink::OpenSelectedPort() {
  const QString name = SelectedPortName();
  try {
    port_.Reopen(TCommPort::kBaudRate, name);
    port_.DiscardBuffers();
    return true;
  } catch (const ECommError& error) {
    if (host_.showOpenError) host_.showOpenError(OpenErrorMessage(error, name));
    permissionReported_ = name;
    port_.Close();
    return false;
  }
}

bool PagerLink::SendFrame(const ProgrammingFrame& frame) {
  if (!port_.IsOpen()) return false;
  try {
    port_.SendBytes(frame.data(), frame.size());
  } catch (const ECommError&) {
    return false;
  }
  return true;
}

bool PagerLink::ReceiveBytes(std::uint8_t* buffer, int count, int pollUnit) {
  interrupted_ = false;
  if (!port_.IsOpen()) return false;
  try {
    ReplyReader reader(port_, count, timing_.ByteTimeoutMs(pollUnit));
    for (;;) {
      switch (reader.Poll()) {
        case ReplyReader::State::Complete:
          std::copy(reader.bytes().begin(), reader.bytes().end(), buffer);
          if (trace_) trace_->Received(port_.PortName(), reader.bytes());
          return true;
        case ReplyReader::State::TimedOut:
          if (trace_) trace_->TimedOut(port_.PortName(), reader.bytes(), count);
          port_.DiscardBuffers();
          return false;
        case ReplyReader::State::Waiting:
          if (StopRequested()) {
            TraceNote(trace_, port_.PortName(), QStringLiteral("reply given up: stop requested"));
            interrupted_ = true;
            port_.DiscardBuffers();
            return false;
          }
          if (replyWithheld_) {
            if (replyWithheld_()) {
              if (trace_) trace_->TimedOut(port_.PortName(), reader.bytes(), count);
              TraceNote(trace_, port_.PortName(), QStringLiteral("the other end withheld the reply"));
              port_.DiscardBuffers();
              return false;
            }
            port_.WaitForInput(std::min(reader.RemainingMs(), kReplyWithheldPollMs));
            break;
          }
          port_.WaitForInput(reader.RemainingMs());
          break;
      }
    }
  } catch (const ECommError&) {
    port_.Close();
    return false;
  }
}

bool PagerLink::ReceiveReply(std::vector<std::uint8_t>& reply, int pollUnit) {
  return ReceiveBytes(reply.data(), static_cast<int>(reply.size()), pollUnit);
}

BlockStatus PagerLink::MissingReplyStatus() const {
  if (interrupted_) return BlockStatus::Interrupted;
  return port_.IsOpen() ? BlockStatus::NoReply : BlockStatus::PortGone;
}

bool PagerLink::SendExchange(const ProgrammingFrame& frame) {
  interrupted_ = StopRequested();
  if (interrupted_) {
    TraceNote(trace_, port_.PortName(), QStringLiteral("frame not sent: stop requested"));
    return false;
  }
  return SendFrame(frame);
}

void PagerLink::WaitPumping(unsigned ms) {
  zt310::WaitPumping(static_cast<unsigned>(std::lround(ms * timing_.waitScale)));
}

void PagerLink::PaceRequests(unsigned ms) {
  if (LinkTrace* trace = Port().trace()) trace->Note(SelectedPortName(), QStringLiteral("pause %1 ms").arg(ms));
  WaitPumping(ms);
}

void PagerLink::BlockDone(int offset, int count) {
  if (host_.blockDone) host_.blockDone(offset, count);
}

bool PagerLink::ReadBlock(std::uint8_t address, std::uint8_t* destination, int offset, int count) {
  return ReadBlockStatus(address, destination, offset, count) == BlockStatus::Ok;
}

BlockStatus PagerLink::ReadBlockStatus(std::uint8_t address, std::uint8_t* destination, int offset, int count) {
  std::vector<std::uint8_t> reply(static_cast<std::size_t>(ReadReplySize(count)));
  BlockStatus status = BlockStatus::Ok;
  if (!SendExchange(ProgrammingFrame::ReadRequest(offset, count, address)) ||
      !ReceiveReply(reply, probeFlag_ ? kPollUnitProbe : kPollUnitTransfer)) {
    status = MissingReplyStatus();
  } else if (!IsValidReadReply(reply, count)) {
    TraceNote(trace_, port_.PortName(), QStringLiteral("read reply checksum wrong"));
    status = BlockStatus::BadChecksum;
  }
  if (status == BlockStatus::Ok) std::copy_n(reply.begin() + kFrameHeaderSize, count, destination);
  BlockDone(offset, count);
  return status;
}

bool PagerLink::WriteBlock(const CodePlugImage& source, int offset, int count) {
  return WriteBlockStatus(source, offset, count) == BlockStatus::Ok;
}

BlockStatus PagerLink::WriteBlockStatus(const CodePlugImage& source, int offset, int count) {
  std::vector<std::uint8_t> reply(kWriteAckSize);
  BlockStatus status = BlockStatus::Ok;
  if (!SendExchange(ProgrammingFrame::WriteRequest(source, offset, count)) || !ReceiveReply(reply, kPollUnitTransfer)) {
    status = MissingReplyStatus();
  } else if (!IsWriteAcknowledgement(reply)) {
    TraceNote(trace_, port_.PortName(), QStringLiteral("write not acknowledged"));
    status = BlockStatus::NotAcknowledged;
  }
  BlockDone(offset, count);
  return status;
}

bool PagerLink::VerifyBlock(const CodePlugImage& image, int offset, int count) {
  return CompareBlock(image, offset, count) == BlockStatus::Ok;
}

BlockStatus PagerLink::CompareBlock(const CodePlugImage& image, int offset, int count) {
  std::vector<std::uint8_t> reply(static_cast<std::size_t>(ReadReplySize(count)));
  BlockStatus status = BlockStatus::Ok;
  if (!SendExchange(ProgrammingFrame::ReadRequest(offset, count)) || !ReceiveReply(reply, kPollUnitTransfer)) {
    status = MissingReplyStatus();
  } else if (!IsValidReadReply(reply, count)) {
    TraceNote(trace_, port_.PortName(), QStringLiteral("read reply checksum wrong"));
    status = BlockStatus::BadChecksum;
  } else {
    const auto data = reply.begin() + kFrameHeaderSize;
    const auto mismatch = std::mismatch(data, data + count, image.data() + offset);
    if (mismatch.first != data + count) {
      TraceNote(trace_, port_.PortName(),
                QStringLiteral("byte %1 differs").arg(offset + static_cast<int>(mismatch.first - data)));
      status = BlockStatus::Differs;
    }
  }
  BlockDone(offset, count);
  return status;
}

bool PagerLink::SendTestCommand(std::uint8_t command, std::uint8_t p1, std::uint8_t p2, std::uint8_t p3) {
  const bool sent =
      (port_.IsOpen() || OpenSelectedPort()) && SendFrame(ProgrammingFrame::TestRequest(command, p1, p2, p3));
  permissionReported_.clear();
  return sent;
}

void PagerLink::ReportPermissionDenied(const QString& portName) {
  if (host_.showOpenError) host_.showOpenError(PermissionHint(portName));
}

bool PagerLink::Probe() {
  std::uint8_t none[1] = {};
  return ReadBlock(kMemoryAddress, none, kProbeBlock.offset, kProbeBlock.count);
}

QString PagerLink::BoardNotRespondingMessage() const {
  QString message = QString::fromLatin1(kBoardNotRespondingText);
  if (!openProblem_.isEmpty()) message += QStringLiteral("\n") + openProblem_;
  return message;
}

bool PagerLink::CheckTargetBoard() {
  probeFlag_ = true;
  bool answered = false;
  openProblem_.clear();
  try {
    port_.Reopen(TCommPort::kBaudRate, SelectedPortName());
    port_.DiscardBuffers();
    answered = Probe();
  } catch (const ECommError& error) {
    port_.Close();
    // Without this the user only hears that the board does not respond.
    if (permissionReported_ != SelectedPortName()) openProblem_ = ProblemLines(error, SelectedPortName());
  }
  permissionReported_.clear();
  probeFlag_ = false;
  return answered;
}

bool PagerLink::FindTargetBoard() {
  enum class Answer { Pending, Answered, Silent };
  struct Candidate {
    std::unique_ptr<TCommPort> port = std::make_unique<TCommPort>();
    std::optional<ReplyReader> reader;
    Answer answer = Answer::Silent;
  };

  probeFlag_ = true;
  port_.Close();
  const ProgrammingFrame probe = ProgrammingFrame::ReadRequest(kProbeBlock.offset, kProbeBlock.count);
  const int byteTimeoutMs = timing_.ByteTimeoutMs(kPollUnitProbe);
  std::vector<Candidate> candidates(static_cast<std::size_t>(portNames_.size()));
  QString firstDenied;
  searchOpenProblems_.clear();

  // Every port gets its probe at once, so silent ports time out together.
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    Candidate& candidate = candidates[i];
    candidate.port->SetTrace(trace_);
    try {
      candidate.port->Reopen(TCommPort::kBaudRate, portNames_.at(static_cast<qsizetype>(i)));
      candidate.port->DiscardBuffers();
      candidate.port->SendBytes(probe.data(), probe.size());
      candidate.reader.emplace(*candidate.port, ReadReplySize(0), byteTimeoutMs);
      candidate.answer = Answer::Pending;
    } catch (const ECommError& error) {
      candidate.port->Close();
      const QString name = portNames_.at(static_cast<qsizetype>(i));
      if (error.permissionDenied() && firstDenied.isEmpty()) firstDenied = name;
      const QString line = PortProblemLine(name, error.problem(), error.detail());
      if (!line.isEmpty()) searchOpenProblems_ << line;
    }
  }

  auto settle = [&](Candidate& candidate) {
    try {
      switch (candidate.reader->Poll()) {
        case ReplyReader::State::Complete:
          if (trace_) trace_->Received(candidate.port->PortName(), candidate.reader->bytes());
          candidate.answer = IsValidReadReply(candidate.reader->bytes(), 0) ? Answer::Answered : Answer::Silent;
          break;
        case ReplyReader::State::TimedOut:
          if (trace_)
            trace_->TimedOut(candidate.port->PortName(), candidate.reader->bytes(), candidate.reader->count());
          candidate.answer = Answer::Silent;
          break;
        case ReplyReader::State::Waiting:
          break;
      }
    } catch (const ECommError&) {
      candidate.answer = Answer::Silent;
    }
    if (candidate.answer == Answer::Silent) candidate.port->Close();
  };

  // The first port in list order that has not stayed silent decides.
  std::optional<std::size_t> winner;
  for (;;) {
    std::vector<TCommPort*> waiting;
    int waitMs = byteTimeoutMs;
    for (Candidate& candidate : candidates) {
      if (candidate.answer != Answer::Pending) continue;
      settle(candidate);
      if (candidate.answer != Answer::Pending) continue;
      waiting.push_back(candidate.port.get());
      waitMs = std::min(waitMs, candidate.reader->RemainingMs());
    }
    const auto first = std::find_if(candidates.begin(), candidates.end(),
                                    [](const Candidate& c) { return c.answer != Answer::Silent; });
    if (first == candidates.end()) break;
    if (first->answer == Answer::Answered) {
      winner = static_cast<std::size_t>(first - candidates.begin());
      break;
    }
    if (StopRequested()) break;
    WaitForAnyInput(waiting, std::max(waitMs, 1));
  }

  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (winner && i == *winner) continue;
    candidates[i].port->Close();
  }
  if (winner) {
    TraceNote(trace_, portNames_.at(static_cast<qsizetype>(*winner)), QStringLiteral("cradle answers: selected"));
    port_.TakeOver(*candidates[*winner].port);
    selected_ = static_cast<int>(*winner);
  } else if (!firstDenied.isEmpty()) {
    // A cradle behind a port the user may not open is the usual first-run
    // trouble: one hint, for the first such port in list order.
    ReportPermissionDenied(firstDenied);
  }
  probeFlag_ = false;
  return winner.has_value();
}

}  // namespace zt310
