// SPDX-License-Identifier: GPL-3.0-or-later
// The local date and time, as the production log and the pager backups
// name their files.
#pragma once

namespace zt310 {

struct LocalDateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
LocalDateTime CurrentLocalDateTime();

}  // namespace zt310
