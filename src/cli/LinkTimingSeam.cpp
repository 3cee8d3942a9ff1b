// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/LinkTimingSeam.h"

#include <charconv>
#include <string_view>
#include <system_error>

namespace zt310::cli {

namespace {

bool ParseNumber(std::string_view text, double* value) {
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

LinkTiming ParseLinkTiming(const std::string& text) {
  const LinkTiming pager;
  const std::string_view all(text);
  const std::size_t comma = all.find(',');
  double pollUnitMs = 0;
  double waitScale = pager.waitScale;
  if (!ParseNumber(all.substr(0, comma), &pollUnitMs)) return pager;
  if (comma != std::string_view::npos && !ParseNumber(all.substr(comma + 1), &waitScale)) return pager;
  // Only shorter than the pager's: the seam never slows a verb down.
  if (!(pollUnitMs > 0 && pollUnitMs <= pager.pollUnitMs) || !(waitScale > 0 && waitScale <= 1.0)) return pager;
  return LinkTiming{pollUnitMs, waitScale};
}

LinkTiming VerbLinkTiming() {
  const char* text = std::getenv(kLinkTimingVariable);
  return text ? ParseLinkTiming(text) : LinkTiming{};
}

}  // namespace zt310::cli
