// SPDX-License-Identifier: GPL-3.0-or-later
// The demo mode of the window (zt310prog --demo): a simulated pager listed
// first, marked as such in the caption and the port list, holding at start
// what Write would put into it for the window's image, and logging its
// production runs apart from the day's real log.
#pragma once

#include <QString>

#include <filesystem>

#include "codeplug/CodePlugImage.h"
#include "link/Operations.h"

namespace zt310::ui {

// How the port list shows the simulated pager's pseudo-terminal.
inline constexpr const char* kDemoPortLabel = "Simulated pager (demo)";
// Added to the window's caption while the demo runs.
inline constexpr const char* kDemoCaptionMark = " (demo)";
// The folder, under the start-up folder, of the demo's production log.
inline constexpr const char* kDemoLogFolder = "demo-log";

// What Write puts into a pager holding MEMORY for REQUEST (its identity,
// band and serial number kept as Write keeps them), with the checksum bytes
// as the window holds them, so a first Verify of the window passes. MEMORY itself when Write would refuse the image, as
// a refused Write leaves the pager as it was.
CodePlugImage DemoPagerMemory(const CodePlugImage& memory, const OperationRequest& request);

// Where production runs against the demo pager log: a folder of its own
// under STARTUP, made when missing, never the folder of the day's real log.
std::filesystem::path DemoLogDirectory(const QString& startup);

}  // namespace zt310::ui
