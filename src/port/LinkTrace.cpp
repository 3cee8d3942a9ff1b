#include "port/LinkTrace.h"

#include <QDateTime>

#include <cerrno>
#include <cstring>

namespace zt310 {

QString HexBytes(std::span<const std::uint8_t> bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size() * 3));
  for (const std::uint8_t b : bytes) {
    if (!text.isEmpty()) text += QLatin1Char(' ');
    text += QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
  }
  return text;
}

LinkTrace::~LinkTrace() {
  if (file_) std::fclose(file_);
}

bool LinkTrace::Open(const QString& path, QString* error) {
  std::FILE* file = std::fopen(path.toLocal8Bit().constData(), "w");
  if (file == nullptr) {
    if (error) *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
  }
  if (file_) std::fclose(file_);
  file_ = file;
  clock_.start();
  std::fprintf(file_, "# zt310 serial trace started %s; time in ms, > sent, < received\n",
               QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8().constData());
  std::fflush(file_);
  return true;
}

void LinkTrace::Line(const QString& port, const char* direction, const QString& text) {
  if (!file_) return;
  std::fprintf(file_, "%8lld %s %s %s\n", static_cast<long long>(clock_.elapsed()), port.toUtf8().constData(),
               direction, text.toUtf8().constData());
  std::fflush(file_);
}

void LinkTrace::Sent(const QString& port, const std::uint8_t* bytes, int count) {
  Line(port, ">", HexBytes(std::span(bytes, static_cast<std::size_t>(count))));
}

void LinkTrace::Received(const QString& port, std::span<const std::uint8_t> bytes) {
  Line(port, "<", HexBytes(bytes));
}

void LinkTrace::TimedOut(const QString& port, std::span<const std::uint8_t> received, int expected) {
  Line(port, "!", QStringLiteral("TIMEOUT after %1 of %2 bytes: %3")
                      .arg(received.size())
                      .arg(expected)
                      .arg(HexBytes(received)));
}

void LinkTrace::Note(const QString& port, const QString& text) { Line(port, "-", text); }

}  // namespace zt310
