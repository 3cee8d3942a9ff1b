// SPDX-License-Identifier: GPL-3.0-or-later
// The "Advance Setting" page: the notice, decoder bandwidth, GAP MAX., group
// call duration, NRSSI response time, battery gauge levels, the squelch level
// grid ("Level 1".."Level 5" x "Speaker OFF"/"Speaker ON") and "Enable Fixed
// Alert Time".
#pragma once

#include <QWidget>

#include "ui/Pages.h"

namespace zt310::ui {

inline constexpr const char* kAdvanceNotice =
    " Notice : These decoder parameters may cause pager not to receive, please set up carefully.";

QWidget* CreateAdvancePage(const PageContext& context, QWidget* parent);

}  // namespace zt310::ui
