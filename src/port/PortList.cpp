// SPDX-License-Identifier: GPL-3.0-or-later
#include "port/PortList.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <grp.h>
#include <sys/stat.h>
#include <algorithm>
#include <tuple>

#include "port/CommPort.h"

namespace zt310 {

namespace {

struct PortSortKey {
  int group;  // 0 USB adapters, 1 the others
  long number;
  QString name;
  auto Tuple() const { return std::tie(group, number, name); }
};

PortSortKey KeyFor(const QString& name) {
  static const QRegularExpression trailingNumber(QStringLiteral("(\\d+)$"));
  const QString base = name.section(QLatin1Char('/'), -1);
  const bool usb = base.startsWith(QLatin1String("ttyUSB")) || base.startsWith(QLatin1String("ttyACM"));
  const auto match = trailingNumber.match(base);
  const long number = match.hasMatch() ? match.captured(1).toLong() : std::numeric_limits<long>::max();
  return {usb ? 0 : 1, number, base};
}

QString CanonicalDevice(const QString& name) {
  const QString path = DevicePathForPortName(name);
  const QString canonical = QFileInfo(path).canonicalFilePath();
  return canonical.isEmpty() ? path : canonical;
}

}  // namespace

QStringList OrderPortNames(const QStringList& present) {
  QStringList names = present;
  names.removeDuplicates();
  if (names.isEmpty()) {
    for (int i = 0; i < kFallbackPortCount; ++i) names << QStringLiteral("ttyS%1").arg(i);
    return names;
  }
  std::stable_sort(names.begin(), names.end(),
                   [](const QString& a, const QString& b) { return KeyFor(a).Tuple() < KeyFor(b).Tuple(); });
  return names;
}

QStringList MergePortNames(const QStringList& named, const QStringList& present) {
  QStringList merged;
  QStringList devices;
  auto add = [&](const QString& name) {
    const QString device = CanonicalDevice(name);
    if (devices.contains(device)) return;
    devices << device;
    merged << name;
  };
  for (const QString& name : named) add(name);
  for (const QString& name : OrderPortNames(present)) add(name);
  return merged;
}

QStringList UniqueDevices(const QStringList& names) {
  QStringList unique;
  QStringList devices;
  for (const QString& name : names) {
    const QString device = CanonicalDevice(name);
    if (devices.contains(device)) continue;
    devices << device;
    unique << name;
  }
  return unique;
}

QStringList BuildPortList(const QStringList& named) {
  QStringList present;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) present << info.portName();
  return MergePortNames(named, present);
}

QString StableNameFor(const QString& portName, const QString& byIdFolder) {
  const QString device = CanonicalDevice(portName);
  const QDir folder(byIdFolder);
  const QStringList links = folder.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
  for (const QString& link : links) {
    const QString path = folder.filePath(link);
    if (QFileInfo(path).canonicalFilePath() == device) return path;
  }
  return {};
}

std::vector<PortDetails> DescribePorts(const QStringList& portNames) {
  // Listing the system's ports walks the device tree: once for all names.
  const QList<QSerialPortInfo> available = QSerialPortInfo::availablePorts();
  std::vector<PortDetails> described;
  described.reserve(static_cast<std::size_t>(portNames.size()));
  for (const QString& portName : portNames) {
    PortDetails details;
    details.name = portName;
    const QString device = CanonicalDevice(portName);
    for (const QSerialPortInfo& info : available) {
      if (CanonicalDevice(info.systemLocation()) != device) continue;
      details.usb = info.hasVendorIdentifier();
      details.vendorId = info.vendorIdentifier();
      details.productId = info.productIdentifier();
      details.vendor = info.manufacturer();
      details.product = info.description();
      details.serialNumber = info.serialNumber();
      break;
    }
    details.byIdPath = StableNameFor(portName);
    described.push_back(std::move(details));
  }
  return described;
}

PortDetails DescribePort(const QString& portName) { return DescribePorts({portName}).front(); }

QString PortToolTip(const PortDetails& details) {
  const QString text = PortDetailsText(details);
  return text.isEmpty() ? details.name : details.name + QLatin1Char('\n') + text;
}

QString PortDetailsText(const PortDetails& details) {
  QStringList parts;
  if (details.usb) {
    QString adapter = (details.vendor + QLatin1Char(' ') + details.product).trimmed();
    if (!adapter.isEmpty()) adapter += QLatin1Char(' ');
    adapter += QStringLiteral("(%1:%2)")
                   .arg(details.vendorId, 4, 16, QLatin1Char('0'))
                   .arg(details.productId, 4, 16, QLatin1Char('0'));
    parts << adapter;
    if (!details.serialNumber.isEmpty()) parts << QStringLiteral("serial ") + details.serialNumber;
  }
  if (!details.byIdPath.isEmpty()) parts << details.byIdPath;
  return parts.join(QStringLiteral(", "));
}

QString PermissionHint(const QString& portName) {
  const QString path = DevicePathForPortName(portName);
  QString group = QStringLiteral("dialout");
  struct stat status {};
  if (::stat(path.toLocal8Bit().constData(), &status) == 0) {
    if (const struct group* owner = ::getgrgid(status.st_gid)) group = QString::fromLocal8Bit(owner->gr_name);
  }
  return QStringLiteral(
             "You may not use %1. Add your user to the group \"%2\" "
             "(sudo usermod -aG %2 $USER), then log out and in again.")
      .arg(path, group);
}

}  // namespace zt310
