// SPDX-License-Identifier: GPL-3.0-or-later
// The boxes that explain a failed pager operation once it has ended and the
// port is closed: which fields a Verify found different, what a write that
// stopped part-way left in the pager, and what a restore found.
#pragma once

#include <QWidget>
#include <filesystem>

#include "link/OperationHost.h"
#include "link/PagerRestore.h"

namespace zt310::ui {

// What failed, what the pager now holds and how to put it right.
void ShowPartialWrite(const PartialWrite& partial, const std::filesystem::path& backup, QWidget* parent);
// Which fields differ, or what failed on the link.
void ShowVerifyFailure(const VerifyReport& report, QWidget* parent);
// After a restore ended: what differs, or which bytes the restore remade.
void ShowRestoreReport(const RestoreResult& restore, QWidget* parent);

}  // namespace zt310::ui
