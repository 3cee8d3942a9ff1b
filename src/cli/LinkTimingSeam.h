// SPDX-License-Identifier: GPL-3.0-or-later
// The link timing of every zt310 verb. A test seam: ZT310_LINK_TIMING
// ("POLL_UNIT_MS" or "POLL_UNIT_MS,WAIT_SCALE") shrinks the poll unit (10 ms
// on a real pager) and the pauses between steps, so tests against the
// simulator or a silent port need not wait out the pager's 2 s and 5 s
// time-outs. It only shortens: a value outside (0, 10] ms or (0, 1] is
// ignored and the pager's own timing kept.
#pragma once

#include <cstdlib>
#include <string>

#include "port/PagerLink.h"

namespace zt310::cli {

inline constexpr const char* kLinkTimingVariable = "ZT310_LINK_TIMING";

// The timing a text such as "1,0.05" asks for; the pager's own on anything else.
LinkTiming ParseLinkTiming(const std::string& text);
// The timing of this process: ZT310_LINK_TIMING when set and sound.
LinkTiming VerbLinkTiming();

}  // namespace zt310::cli
