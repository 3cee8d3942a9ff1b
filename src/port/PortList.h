// SPDX-License-Identifier: GPL-3.0-or-later
// The list of serial ports offered for the cradle: ports named on the
// command line first, then USB adapters (ttyUSB, ttyACM), then the others,
// each group by number. Without any port present, ttyS0 to ttyS15 (the
// Linux names of COM1 to COM16).
#pragma once

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

// How a user who may not use the device gets access to it.
QString PermissionHint(const QString& portName);

}  // namespace zt310
