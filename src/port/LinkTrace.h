// Serial trace for support: every frame sent and received with a
// millisecond timestamp, the port and the direction, and the time-outs.
#pragma once

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

}  // namespace zt310
