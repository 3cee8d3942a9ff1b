// SPDX-License-Identifier: GPL-3.0-or-later
// Outputs a verb will write, checked before the first frame goes to the
// pager: a run must not program a pager and then fail to record it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace zt310::cli {

// The day's production log: its folder must be a writable folder, and the
// file either absent or a regular file (not a link) that may be appended to.
// The reason naming the path, or nothing when it can be written.
std::optional<std::string> LogNotWritable(const std::filesystem::path& folder, const std::string& fileName);

// A backup folder: an existing writable folder, or one that can be made in
// the nearest folder that exists. The reason naming the path, or nothing.
std::optional<std::string> BackupFolderNotWritable(const std::filesystem::path& folder);

}  // namespace zt310::cli
