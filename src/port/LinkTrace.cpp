// SPDX-License-Identifier: GPL-3.0-or-later
#include "port/LinkTrace.h"

#include <QDateTime>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "codeplug/Hex.h"

namespace zt310 {

QString HexBytes(std::span<const std::uint8_t> bytes) { return QString::fromStdString(SpacedHex(bytes)); }

LinkTrace::~LinkTrace() {
  if (file_) std::fclose(file_);
}

namespace {

QString ErrnoText(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

}  // namespace

int OpenNamedOutput(const QString& path, QString* error) {
  // O_NONBLOCK: opening a FIFO for writing waits for a reader without it;
  // with it the open fails at once (ENXIO) when nobody reads.
  const int fd =
      ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) {
    if (error) *error = errno == ENXIO ? QStringLiteral("it is a FIFO that no program reads") : ErrnoText(errno);
    return -1;
  }
  struct stat info {};
  QString refused;
  if (::fstat(fd, &info) != 0) {
    refused = ErrnoText(errno);
  } else if (S_ISSOCK(info.st_mode)) {
    refused = QStringLiteral("it is a socket");
  } else if (S_ISREG(info.st_mode) && ::ftruncate(fd, 0) != 0) {
    refused = ErrnoText(errno);
  } else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    refused = ErrnoText(errno);
  }
  if (!refused.isEmpty()) {
    ::close(fd);
    if (error) *error = refused;
    return -1;
  }
  return fd;
}

bool WriteNamedOutput(int fd, const QByteArray& bytes, QString* error) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (error) *error = n < 0 ? ErrnoText(errno) : QStringLiteral("nothing was written");
      return false;
    }
    done += n;
  }
  return true;
}

bool LinkTrace::Open(const QString& path, QString* error) {
  const int fd = OpenNamedOutput(path, error);
  if (fd < 0) return false;
  std::FILE* file = ::fdopen(fd, "w");
  if (file == nullptr) {
    if (error) *error = ErrnoText(errno);
    ::close(fd);
    return false;
  }
  // The first line is written at once, so a trace that cannot take it (a
  // full disk, /dev/full) is found before a frame goes out.
  std::fprintf(file, "# zt310 serial trace started %s; time in ms, > sent, < received\n",
               QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8().constData());
  if (std::fflush(file) != 0 || std::ferror(file)) {
    if (error) *error = ErrnoText(errno);
    std::fclose(file);
    return false;
  }
  if (file_) std::fclose(file_);
  file_ = file;
  clock_.start();
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

void LinkTrace::Received(const QString& port, std::span<const std::uint8_t> bytes) { Line(port, "<", HexBytes(bytes)); }

void LinkTrace::TimedOut(const QString& port, std::span<const std::uint8_t> received, int expected) {
  Line(port, "!",
       QStringLiteral("TIMEOUT after %1 of %2 bytes: %3").arg(received.size()).arg(expected).arg(HexBytes(received)));
}

void LinkTrace::Note(const QString& port, const QString& text) { Line(port, "-", text); }

}  // namespace zt310
