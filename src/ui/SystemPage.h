// SPDX-License-Identifier: GPL-3.0-or-later
// The "System" page: one captionless group with two columns of labelled
// decoder and receiver timing fields, and the overlapping "x 100 ms" /
// "x 50 ms" unit labels the model brings to the front.
#pragma once

#include <QWidget>

#include "ui/Pages.h"

namespace zt310::ui {

QWidget* CreateSystemPage(const PageContext& context, QWidget* parent);

}  // namespace zt310::ui
