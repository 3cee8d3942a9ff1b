// SPDX-License-Identifier: GPL-3.0-or-later
// The "Setting" page: "Model Options", "Function Switches", "Alert Tonality"
// and "Priority Scan". The widgets carry the editor model's object names;
// the model binder shows them and forwards the user's actions. The page adds
// the "Help" label's click and the mouse-over commits of the page and groups.
#pragma once

#include <QWidget>

#include "ui/Pages.h"

namespace zt310::ui {

QWidget* CreateSettingPage(const PageContext& context, QWidget* parent);

}  // namespace zt310::ui
