// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a request arriving at the simulated cradle: the request
// parser, and the fault and option parsers of zt310-sim on the same bytes
// as text. A parsed request re-encodes to the very bytes it came from.
#include <algorithm>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "protocol/ProgrammingFrame.h"
#include "sim/PagerSim.h"

using namespace zt310;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  if (const auto request = ParseRequest(bytes)) {
    const ProgrammingFrame again = ProgrammingFrame::Request(request->address, request->command, request->payload);
    if (again.bytes().size() > size || !std::equal(again.bytes().begin(), again.bytes().end(), data)) std::abort();
  }

  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string error;
  if (const auto fault = sim::ParseFault(text, &error)) {
    const std::string name = sim::FaultName(*fault) + "@" + std::to_string(fault->request);
    const auto again = sim::ParseFault(name, &error);
    if (!again || again->kind != fault->kind || again->request != fault->request || again->slowMs != fault->slowMs) {
      std::abort();
    }
  }

  // Words split at blanks as a shell would pass them.
  std::vector<std::string> args;
  std::string word;
  for (char c : text) {
    if (c == ' ') {
      args.push_back(word);
      word.clear();
    } else {
      word.push_back(c);
    }
  }
  args.push_back(word);
  // --memory reads the file it names; the fuzzer must not pick /dev/zero.
  if (std::find(args.begin(), args.end(), "--memory") == args.end()) (void)sim::ParseSimArguments(args, &error);
  return 0;
}
