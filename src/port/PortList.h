// SPDX-License-Identifier: GPL-3.0-or-later
// The list of serial ports offered for the cradle: ports named on the
// command line first, then USB adapters (ttyUSB, ttyACM), then the others,
// each group by number. Without any port present, ttyS0 to ttyS15 (the
// Linux names of COM1 to COM16).
#pragma once

#include <vector>

#include <QString>
#include <QStringList>

namespace zt310 {

inline constexpr int kFallbackPortCount = 16;

// Orders the names of the ports present; the fallback list when none is.
QStringList OrderPortNames(const QStringList& present);
// Named ports first (in the order given), then the ordered present ports
// that are not the same device as a named one.
QStringList MergePortNames(const QStringList& named, const QStringList& present);
// The names in their order, each device once (a link and its target are one).
QStringList UniqueDevices(const QStringList& names);
// The serial ports of this machine (QSerialPortInfo), merged as above.
QStringList BuildPortList(const QStringList& named = {});

inline constexpr const char* kSerialByIdFolder = "/dev/serial/by-id";

// What the system knows of a port beyond its name: for a USB adapter its
// vendor, product and serial number, and its stable name under
// /dev/serial/by-id, which stays the same across replugging and reboots.
struct PortDetails {
  QString name;
  bool usb = false;
  quint16 vendorId = 0;
  quint16 productId = 0;
  QString vendor;        // "FTDI"
  QString product;       // "FT232R USB UART"
  QString serialNumber;  // "A10K3JQ2"
  QString byIdPath;      // "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3JQ2-if00-port0"
};

// The link in byIdFolder that leads to the device of portName; empty when none.
QString StableNameFor(const QString& portName, const QString& byIdFolder = QString::fromLatin1(kSerialByIdFolder));
PortDetails DescribePort(const QString& portName);
// Every port of portNames described, in their order; the system's list of
// ports is read once for all of them.
std::vector<PortDetails> DescribePorts(const QStringList& portNames);
// One line: "FTDI FT232R USB UART (0403:6001), serial A10K3JQ2, by-id usb-FTDI_...";
// empty for a port that is no USB adapter and has no stable name.
QString PortDetailsText(const PortDetails& details);
// A port list's tooltip: the name, and below it PortDetailsText when that
// says anything.
QString PortToolTip(const PortDetails& details);

// How a user who may not use the device gets access to it.
QString PermissionHint(const QString& portName);

}  // namespace zt310
