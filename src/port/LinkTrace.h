// SPDX-License-Identifier: GPL-3.0-or-later
// Serial trace for support: every frame sent and received with a
// millisecond timestamp, the port and the direction, and the time-outs.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <span>

namespace zt310 {

class LinkTrace {
 public:
  // Appends to nothing until Open succeeds.
  LinkTrace() = default;
  ~LinkTrace();
  LinkTrace(const LinkTrace&) = delete;
  LinkTrace& operator=(const LinkTrace&) = delete;

  bool Open(const QString& path, QString* error);
  bool IsOpen() const { return file_ != nullptr; }

  void Sent(const QString& port, const std::uint8_t* bytes, int count);
  void Received(const QString& port, std::span<const std::uint8_t> bytes);
  void TimedOut(const QString& port, std::span<const std::uint8_t> received, int expected);
  void Note(const QString& port, const QString& text);

 private:
  void Line(const QString& port, const char* direction, const QString& text);

  std::FILE* file_ = nullptr;
  QElapsedTimer clock_;
};

QString HexBytes(std::span<const std::uint8_t> bytes);

// A file named on the command line for output (a trace, a picture), opened
// for writing: truncated when it is a regular file; a folder, a socket or a
// FIFO that no program reads is refused instead of hanging the run. Returns
// the descriptor (close-on-exec), or -1 with the reason in error.
int OpenNamedOutput(const QString& path, QString* error);

// Writes all of bytes to fd, which must take them whole (a full disk or
// /dev/full is an error, not a short picture). False with the reason.
bool WriteNamedOutput(int fd, const QByteArray& bytes, QString* error);

}  // namespace zt310
