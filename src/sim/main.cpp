// SPDX-License-Identifier: GPL-3.0-or-later
// zt310-sim: a ZT310 pager in its programming cradle on a pseudo-terminal.
#include <csignal>
#include <cstdio>
#include <iostream>

#include "sim/PagerSim.h"

namespace {

zt310::sim::PagerSimulator* running = nullptr;

void StopOnSignal(int) {
  if (running) running->Stop();
}

constexpr const char* kUsage =
    "Usage: zt310-sim [--link PATH] [--memory FILE] [--firmware X.Y.Z] [--single-channel]\n"
    "                 [--narrow-band] [--serial TEXT] [--baud N] [--turnaround MS]\n"
    "                 [--adapter-latency MS]\n"
    "                 [--fault KIND@N]... [--save FILE] [--trace FILE]\n"
    "       zt310-sim --version\n\n"
    "A ZT310 pager in its programming cradle on a pseudo-terminal. Prints 'ready DEVICE'\n"
    "once it listens and runs until terminated.\n"
    "  --link PATH       make PATH a symbolic link to the device\n"
    "  --memory FILE     initial 512-byte memory (default: factory image with checksum)\n"
    "  --firmware X.Y.Z  firmware version in the identity block (default 1.3.0)\n"
    "  --single-channel  single-channel pager (identity byte 11 = 254)\n"
    "  --narrow-band     narrow-band pager (bytes 136/138 = 0/1)\n"
    "  --serial TEXT     serial number (at most 14 characters) with its sum\n"
    "  --baud N          pace both directions as an N-baud 8N1 line (0 = instant)\n"
    "  --turnaround MS   pause between a request and its reply\n"
    "  --adapter-latency MS\n"
    "                    hold reply bytes as a USB serial adapter does: until MS ms\n"
    "                    have passed since it last passed bytes on, or 62 bytes wait\n"
    "  --fault KIND@N    on the Nth request: drop, short, corrupt, bad-ack, flip,\n"
    "                    unplug, slow:MS, garbage (repeatable)\n"
    "  --save FILE       memory written to FILE after every write and at exit\n"
    "  --trace FILE      one line per request, hex, ending with @MS: when it was\n"
    "                    whole, in ms on the system's monotonic clock\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (const auto& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (arg == "--version") {
      std::cout << "zt310-sim " << ZT310_VERSION << "\n";
      return 0;
    }
  }
  std::string error;
  auto options = zt310::sim::ParseSimArguments(args, &error);
  if (!options) {
    std::cerr << "zt310-sim: " << error << "\n" << kUsage;
    return 2;
  }
  zt310::sim::PagerSimulator simulator(std::move(*options));
  if (!simulator.Open(&error)) {
    std::cerr << "zt310-sim: " << error << "\n";
    return 1;
  }
  running = &simulator;
  std::signal(SIGTERM, StopOnSignal);
  std::signal(SIGINT, StopOnSignal);
  std::signal(SIGHUP, StopOnSignal);
  std::cout << "ready " << simulator.DevicePath() << std::endl;
  simulator.Run();
  running = nullptr;
  if (!simulator.SaveMemory()) std::cerr << "zt310-sim: cannot save the memory\n";
  return 0;
}
