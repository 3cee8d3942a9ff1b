// SPDX-License-Identifier: GPL-3.0-or-later
// Why a port could not be opened, in the user's words: a missing device, a
// path that is no serial port, a device the user may not use, or one that
// another program holds. The facts come from QSerialPort and a stat() of
// the path; the reasoning is plain so it can be checked case by case.
#pragma once

#include <QString>

namespace zt310 {

enum class PortProblem { None, NoSuchDevice, NotASerialPort, PermissionDenied, InUse, Other };

// What was found out about a port that did not open.
struct PortFacts {
  bool exists = true;           // stat() finds the path
  bool characterDevice = true;  // the path is a character device
  bool terminal = true;         // it opens as a terminal (/dev/null does not)
  bool accessDenied = false;    // access() refuses reading and writing it (EACCES)
  bool busy = false;            // the open failed because someone holds it (a lock, an exclusive open)
};

PortProblem ClassifyPortProblem(const PortFacts& facts);

// "no such device", "not a serial port", ...; empty for None and Other.
QString PortProblemReason(PortProblem problem);

// The one line that names the port and the reason:
// "Port /dev/ttyNOPE: no such device." For Other, the system's own words
// (detail) are the reason. Empty for None.
QString PortProblemLine(const QString& portName, PortProblem problem, const QString& detail = {});

// Looks at the path of a port that failed to open and says why.
// qtSaysBusyOrDenied: QSerialPort reported a permission error (which it
// also reports when the device is locked by another program).
PortFacts InspectPort(const QString& portName, bool qtSaysBusyOrDenied, bool lockedElsewhere);

}  // namespace zt310
