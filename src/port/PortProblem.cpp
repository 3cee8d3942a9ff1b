// SPDX-License-Identifier: GPL-3.0-or-later
#include "port/PortProblem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include "port/CommPort.h"

namespace zt310 {

PortProblem ClassifyPortProblem(const PortFacts& facts) {
  if (!facts.exists) return PortProblem::NoSuchDevice;
  if (!facts.characterDevice || !facts.terminal) return PortProblem::NotASerialPort;
  if (facts.accessDenied) return PortProblem::PermissionDenied;
  if (facts.busy) return PortProblem::InUse;
  return PortProblem::Other;
}

QString PortProblemReason(PortProblem problem) {
  switch (problem) {
    case PortProblem::NoSuchDevice:
      return QStringLiteral("no such device");
    case PortProblem::NotASerialPort:
      return QStringLiteral("not a serial port");
    case PortProblem::PermissionDenied:
      return QStringLiteral("permission denied");
    case PortProblem::InUse:
      return QStringLiteral("in use by another program");
    case PortProblem::None:
    case PortProblem::Other:
      break;
  }
  return {};
}

QString PortProblemLine(const QString& portName, PortProblem problem, const QString& detail) {
  if (problem == PortProblem::None) return {};
  QString reason = PortProblemReason(problem);
  if (reason.isEmpty()) reason = detail.isEmpty() ? QStringLiteral("it cannot be opened") : detail;
  return QStringLiteral("Port %1: %2.").arg(DevicePathForPortName(portName), reason);
}

PortFacts InspectPort(const QString& portName, bool qtSaysBusyOrDenied, bool lockedElsewhere) {
  const QByteArray path = DevicePathForPortName(portName).toLocal8Bit();
  PortFacts facts;
  struct stat status {};
  if (::stat(path.constData(), &status) != 0) {
    facts.exists = errno != ENOENT && errno != ENOTDIR;
    facts.accessDenied = errno == EACCES;
    return facts;
  }
  facts.characterDevice = S_ISCHR(status.st_mode);
  if (!facts.characterDevice) return facts;
  facts.accessDenied = ::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES;
  if (facts.accessDenied) return facts;
  // Opened without becoming its controlling terminal and without waiting
  // for a modem line; closed at once.
  const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) {
    facts.terminal = ::isatty(fd) != 0;
    ::close(fd);
  } else {
    facts.busy = errno == EBUSY;
    if (errno == ENODEV || errno == ENXIO) facts.exists = false;
  }
  facts.busy = facts.busy || qtSaysBusyOrDenied || lockedElsewhere;
  return facts;
}

}  // namespace zt310
