// SPDX-License-Identifier: GPL-3.0-or-later
// "zt310 produce" over several cradles, or with a list or a counter of
// serial numbers (StationVerbs.cpp).
#pragma once

#include <string>
#include <vector>

#include "cli/Cli.h"

namespace zt310::cli {

// More than one --port, or a list, counter or --no-wait.
bool WantsStation(const std::vector<std::string>& args);
int RunProduceStation(const std::vector<std::string>& args, Io& io);

}  // namespace zt310::cli
