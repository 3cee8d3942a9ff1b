// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCoreApplication>

#include <iostream>

#include "cli/Cli.h"

int main(int argc, char** argv) {
  // The pager link waits for replies in an event loop.
  QCoreApplication app(argc, argv);
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--version") {
    std::cout << "zt310 " << ZT310_VERSION << "\n";
    return 0;
  }
  zt310::cli::Io io{std::cout, std::cerr, std::cin};
  return zt310::cli::RunCli(args, io);
}
