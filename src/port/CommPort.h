// SPDX-License-Identifier: GPL-3.0-or-later
// The serial port that reaches the programming cradle: fixed line settings
// (9600 baud, 8N1, raw, DTR and RTS on, no flow control), exclusive open,
// and the small set of operations the frame layer needs. Every failure
// raises ECommError with the code of the failing operation.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

#include "port/PortProblem.h"

class QSerialPort;

namespace zt310 {

class LinkTrace;

enum class CommErrorCode : std::uint8_t {
  SpeedRefused = 1,
  PortNameWhileOpen = 6,
  NotOpen = 7,
  OpenFailed = 8,
  WriteFailed = 9,
  ReadFailed = 10,
  CloseFailed = 11,
  DiscardFailed = 12,
  GetSettingsFailed = 14,
  SettingsRefused = 15,
  QueueSizesRefused = 16,
  StatusFailed = 18,
};

class ECommError {
 public:
  ECommError(CommErrorCode code, QString detail = {}, bool permissionDenied = false,
             PortProblem problem = PortProblem::None)
      : code_(code), detail_(std::move(detail)), permissionDenied_(permissionDenied), problem_(problem) {}

  CommErrorCode code() const { return code_; }
  // The system's own words, for traces and support.
  const QString& detail() const { return detail_; }
  // The user may not use the device (not a member of its group).
  bool permissionDenied() const { return permissionDenied_; }
  // Why Open failed, in the user's words; None for the other operations.
  PortProblem problem() const { return problem_; }

 private:
  CommErrorCode code_;
  QString detail_;
  bool permissionDenied_;
  PortProblem problem_;
};

class TCommPort {
 public:
  static constexpr std::uint32_t kBaudRate = 9600;
  static constexpr int kWriteTimeoutMs = 500;

  TCommPort();
  ~TCommPort();
  TCommPort(const TCommPort&) = delete;
  TCommPort& operator=(const TCommPort&) = delete;
  // Hands an open device over (the search keeps the port that answered open).
  void TakeOver(TCommPort& other);

  void Open();
  void Close();
  bool IsOpen() const { return open_; }
  void SetSpeed(std::uint32_t baud);
  // A name such as ttyUSB0 (under /dev) or a full path such as /dev/pts/3.
  void SetPortName(const QString& name);
  const QString& PortName() const { return portName_; }
  void Reopen(std::uint32_t baud, const QString& name);

  void SendBytes(const std::uint8_t* bytes, int count);
  std::uint8_t ReceiveByte();
  // Bytes waiting to be read; raises StatusFailed once the device is gone.
  std::uint32_t PendingInputCount();
  void DiscardBuffers();

  // Waits until input is waiting, the device reports an error or ms pass,
  // processing pending events meanwhile. Returns at once when input waits.
  void WaitForInput(int ms);

  void SetTrace(LinkTrace* trace) { trace_ = trace; }
  LinkTrace* trace() const { return trace_; }
  QSerialPort* device() const { return device_.get(); }

 private:
  void ApplyLineSettings();
  [[noreturn]] void Raise(CommErrorCode code) const;

  bool open_ = false;
  QString portName_ = QStringLiteral("ttyS0");
  std::uint32_t baud_ = kBaudRate;
  std::unique_ptr<QSerialPort> device_;
  LinkTrace* trace_ = nullptr;
};

// Waits until one of the open ports has input or reports an error, or ms
// pass, processing pending events meanwhile.
void WaitForAnyInput(const std::vector<TCommPort*>& ports, int ms);

// The device path QSerialPort opens for a port name.
QString DevicePathForPortName(const QString& name);

}  // namespace zt310
