// SPDX-License-Identifier: GPL-3.0-or-later
#include "codeplug/HalfSeconds.h"

#include "codeplug/Decode.h"

namespace zt310 {

std::string HalfSecondsText(int count) { return FormatNumber("%01.1f", count * 0.5); }

double RoundedToTenths(double seconds) { return static_cast<double>(static_cast<long>(seconds * 10.0 + 0.5)) / 10.0; }

bool IsHalfSecondStep(double seconds) {
  const double whole = static_cast<double>(static_cast<long>(seconds));
  return seconds == whole || RoundedToTenths(seconds) == whole + 0.5;
}

int HalfSecondCount(double seconds) { return static_cast<int>(RoundedToTenths(seconds) * 2.0 + 0.5); }

}  // namespace zt310
