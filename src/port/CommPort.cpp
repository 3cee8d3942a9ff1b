// SPDX-License-Identifier: GPL-3.0-or-later
#include "port/CommPort.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QSerialPort>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <algorithm>
#include <cerrno>
#include <optional>
#ifdef __linux__
#include <linux/serial.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include "port/LinkTrace.h"

namespace zt310 {

namespace {

bool MayNotUse(const QString& path) {
  const QByteArray native = path.toLocal8Bit();
  return ::access(native.constData(), R_OK | W_OK) != 0 && errno == EACCES;
}

// A port must be a terminal: a regular file, a FIFO or /dev/null opens
// but carries no serial line. The reason, or nothing for a terminal (or
// a path that does not open at all, which the open itself reports).
// Only a device that failed to open as a port is opened here, so a working
// port never sees its lines toggled by the check.
std::optional<QString> NotACharacterDevice(const QString& path) {
  struct stat status {};
  if (::stat(path.toLocal8Bit().constData(), &status) != 0 || S_ISCHR(status.st_mode)) return std::nullopt;
  return QStringLiteral("not a terminal device");
}

std::optional<QString> NotATerminal(const QString& path) {
  const QByteArray native = path.toLocal8Bit();
  const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  const bool terminal = ::isatty(fd) != 0;
  ::close(fd);
  if (terminal) return std::nullopt;
  return QStringLiteral("not a terminal device");
}

// A device that went away (an unplugged adapter, a closed pseudo-terminal)
// does not always make Qt report an error: the line is hung up instead.
constexpr int kHangUpCheckMs = 100;

bool HungUp(const QSerialPort& device) {
  pollfd status{static_cast<int>(device.handle()), POLLIN, 0};
  return ::poll(&status, 1, 0) > 0 && (status.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

bool DeviceFailed(const QSerialPort& device) {
  return device.error() == QSerialPort::ResourceError || (device.bytesAvailable() == 0 && HungUp(device));
}

// Runs a local event loop until one of the devices has input or fails, or
// ms pass (returning early every so often to look for a hang-up). Without an application object there is no event loop
// to run, so the first device is waited on directly.
void WaitOnDevices(const std::vector<QSerialPort*>& devices, int ms) {
  if (devices.empty() || ms <= 0) return;
  for (QSerialPort* device : devices) {
    if (device->bytesAvailable() > 0 || DeviceFailed(*device)) return;
  }
  if (QCoreApplication::instance() == nullptr) {
    if (!devices.front()->waitForReadyRead(ms) && devices.front()->error() == QSerialPort::TimeoutError) {
      devices.front()->clearError();
    }
    return;
  }
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  for (QSerialPort* device : devices) {
    QObject::connect(device, &QSerialPort::readyRead, &loop, &QEventLoop::quit);
    QObject::connect(device, &QSerialPort::errorOccurred, &loop, [&loop](QSerialPort::SerialPortError error) {
      if (error != QSerialPort::NoError) loop.quit();
    });
    QObject::connect(device, &QObject::destroyed, &loop, &QEventLoop::quit);
  }
  timer.start(std::min(ms, kHangUpCheckMs));
  loop.exec();
}

// A USB serial adapter holds received bytes back until its latency timer
// runs out (16 ms on common ones), adding that much to every exchange; the
// driver's low-latency mode asks it not to. A pseudo-terminal or a driver
// without the mode refuses, and the port works as before.
void RequestLowLatency(int fd) {
#if defined(__linux__) && defined(TIOCGSERIAL) && defined(ASYNC_LOW_LATENCY)
  serial_struct settings{};
  if (::ioctl(fd, TIOCGSERIAL, &settings) != 0) return;
  if ((settings.flags & ASYNC_LOW_LATENCY) != 0) return;
  settings.flags |= ASYNC_LOW_LATENCY;
  [[maybe_unused]] const int refused = ::ioctl(fd, TIOCSSERIAL, &settings);
#else
  (void)fd;
#endif
}

}  // namespace

QString DevicePathForPortName(const QString& name) {
  if (name.startsWith(QLatin1Char('/'))) return name;
  const QString device = QStringLiteral("/dev/") + name;
  // A stable name as "zt310 ports" shows it, without its folder.
  const QString stable = QStringLiteral("/dev/serial/by-id/") + name;
  if (!name.contains(QLatin1Char('/')) && !QFileInfo::exists(device) && QFileInfo::exists(stable)) return stable;
  return device;
}

TCommPort::TCommPort() = default;

TCommPort::~TCommPort() {
  if (device_) device_->close();
}

void TCommPort::TakeOver(TCommPort& other) {
  if (&other == this) return;
  Close();
  device_ = std::move(other.device_);
  open_ = other.open_;
  portName_ = other.portName_;
  baud_ = other.baud_;
  other.open_ = false;
}

void TCommPort::Raise(CommErrorCode code) const {
  const QString detail = device_ ? device_->errorString() : QString();
  if (trace_) trace_->Note(portName_, QStringLiteral("error %1: %2").arg(static_cast<int>(code)).arg(detail));
  throw ECommError(code, detail);
}

void TCommPort::Open() {
  if (open_) return;
  const QString path = DevicePathForPortName(portName_);
  const auto refuseNonTerminal = [this](const QString& why) {
    if (trace_) trace_->Note(portName_, QStringLiteral("open failed: ") + why);
    throw ECommError(CommErrorCode::GetSettingsFailed, why, false, PortProblem::NotASerialPort);
  };
  if (const auto why = NotACharacterDevice(path)) refuseNonTerminal(*why);
  auto device = std::make_unique<QSerialPort>();
  device->setPortName(path);
  if (!device->open(QIODevice::ReadWrite)) {
    if (const auto why = NotATerminal(path)) refuseNonTerminal(*why);
    const QString detail = device->errorString();
    if (trace_) trace_->Note(portName_, QStringLiteral("open failed: ") + detail);
    const PortFacts facts = InspectPort(portName_, device->error() == QSerialPort::PermissionError, false);
    throw ECommError(CommErrorCode::OpenFailed, detail, MayNotUse(path), ClassifyPortProblem(facts));
  }
  // Qt locks by name; two names of one device (a link and its target)
  // must still be one port, so the device itself is locked too.
  if (::flock(static_cast<int>(device->handle()), LOCK_EX | LOCK_NB) != 0) {
    device->close();
    const QString detail = QStringLiteral("the device is in use under another name");
    if (trace_) trace_->Note(portName_, QStringLiteral("open failed: ") + detail);
    throw ECommError(CommErrorCode::OpenFailed, detail, false, PortProblem::InUse);
  }
  device_ = std::move(device);
  RequestLowLatency(static_cast<int>(device_->handle()));
  try {
    ApplyLineSettings();
  } catch (const ECommError&) {
    device_->close();
    device_.reset();
    throw;
  }
  // A pseudo-terminal has no modem lines: DTR and RTS are set where they exist.
  device_->setDataTerminalReady(true);
  device_->setRequestToSend(true);
  device_->clearError();
  open_ = true;
  if (trace_) trace_->Note(portName_, QStringLiteral("open"));
}

void TCommPort::ApplyLineSettings() {
  const bool applied = device_->setBaudRate(static_cast<qint32>(baud_)) && device_->setDataBits(QSerialPort::Data8) &&
                       device_->setParity(QSerialPort::NoParity) && device_->setStopBits(QSerialPort::OneStop) &&
                       device_->setFlowControl(QSerialPort::NoFlowControl);
  if (!applied) Raise(CommErrorCode::SettingsRefused);
}

void TCommPort::Close() {
  if (!open_) return;
  device_->close();
  device_.reset();
  open_ = false;
  if (trace_) trace_->Note(portName_, QStringLiteral("close"));
}

void TCommPort::SetSpeed(std::uint32_t baud) {
  const std::uint32_t previous = baud_;
  baud_ = baud;
  if (!open_) return;
  if (!device_->setBaudRate(static_cast<qint32>(baud))) {
    baud_ = previous;
    Raise(CommErrorCode::SpeedRefused);
  }
}

void TCommPort::SetPortName(const QString& name) {
  if (open_) Raise(CommErrorCode::PortNameWhileOpen);
  portName_ = name;
}

void TCommPort::Reopen(std::uint32_t baud, const QString& name) {
  Close();
  SetSpeed(baud);
  SetPortName(name);
  Open();
}

void TCommPort::SendBytes(const std::uint8_t* bytes, int count) {
  if (!open_) Raise(CommErrorCode::NotOpen);
  if (bytes == nullptr || count <= 0) return;
  if (trace_) trace_->Sent(portName_, bytes, count);
  const qint64 written = device_->write(reinterpret_cast<const char*>(bytes), count);
  const bool flushed = written == count && device_->waitForBytesWritten(kWriteTimeoutMs);
  // A refused write is not reported here: the missing reply shows it.
  if (!flushed) {
    if (trace_) trace_->Note(portName_, QStringLiteral("write incomplete: ") + device_->errorString());
    device_->clearError();
  }
}

std::uint8_t TCommPort::ReceiveByte() {
  if (!open_) Raise(CommErrorCode::NotOpen);
  char byte = 0;
  if (device_->read(&byte, 1) != 1) Raise(CommErrorCode::ReadFailed);
  return static_cast<std::uint8_t>(byte);
}

std::uint32_t TCommPort::PendingInputCount() {
  if (!open_) Raise(CommErrorCode::NotOpen);
  if (DeviceFailed(*device_)) Raise(CommErrorCode::StatusFailed);
  return static_cast<std::uint32_t>(device_->bytesAvailable());
}

void TCommPort::DiscardBuffers() {
  if (!open_) Raise(CommErrorCode::NotOpen);
  if (!device_->clear(QSerialPort::AllDirections)) Raise(CommErrorCode::DiscardFailed);
  device_->readAll();
}

void TCommPort::WaitForInput(int ms) {
  if (!open_) return;
  WaitOnDevices({device_.get()}, ms);
}

void WaitForAnyInput(const std::vector<TCommPort*>& ports, int ms) {
  std::vector<QSerialPort*> devices;
  for (TCommPort* port : ports) {
    if (port->IsOpen()) devices.push_back(port->device());
  }
  WaitOnDevices(devices, ms);
}

}  // namespace zt310
