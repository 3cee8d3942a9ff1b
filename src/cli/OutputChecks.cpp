// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/OutputChecks.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace zt310::cli {

namespace fs = std::filesystem;

namespace {

// Nothing when files may be made in the folder; otherwise why not.
std::optional<std::string> FolderRefuses(const fs::path& folder) {
  struct stat status {};
  if (::stat(folder.c_str(), &status) != 0) return std::string(std::strerror(errno));
  if (!S_ISDIR(status.st_mode)) return std::string("not a folder");
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return std::string(std::strerror(errno));
  return std::nullopt;
}

std::string Quoted(const fs::path& path) { return "\"" + path.string() + "\""; }

}  // namespace

std::optional<std::string> LogNotWritable(const fs::path& folder, const std::string& fileName) {
  if (const auto why = FolderRefuses(folder)) return "the log folder " + Quoted(folder) + ": " + *why;
  const fs::path file = folder / fileName;
  struct stat status {};
  if (::lstat(file.c_str(), &status) != 0) return std::nullopt;  // made by the first run
  if (!S_ISREG(status.st_mode))
    return "the log file " + Quoted(file) + ": not a regular file (a link, a folder or a device)";
  if (::access(file.c_str(), W_OK) != 0) return "the log file " + Quoted(file) + ": " + std::strerror(errno);
  return std::nullopt;
}

std::optional<std::string> BackupFolderNotWritable(const fs::path& folder) {
  fs::path existing = folder;
  std::error_code error;
  // The nearest folder that exists is where the missing ones will be made.
  while (!existing.empty() && !fs::exists(fs::symlink_status(existing, error)) && existing != existing.root_path()) {
    existing = existing.has_parent_path() && existing.parent_path() != existing ? existing.parent_path() : fs::path();
  }
  if (existing.empty()) existing = ".";
  if (const auto why = FolderRefuses(existing)) {
    const std::string where = existing == folder ? Quoted(folder) : Quoted(folder) + " (in " + Quoted(existing) + ")";
    return "the backup folder " + where + ": " + *why;
  }
  return std::nullopt;
}

}  // namespace zt310::cli
