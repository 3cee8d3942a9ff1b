// SPDX-License-Identifier: GPL-3.0-or-later
// The backup of a pager's memory that Write (and a production run, when
// asked) saves before its first write frame: the pager's whole image, read
// as Read reads it, stored as a table file that "Open" takes.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "codeplug/CodePlugImage.h"
#include "link/LocalDateTime.h"
#include "link/OperationHost.h"

namespace zt310 {

inline constexpr const char* kLabelReadBackup = "Read Backup ......";
inline constexpr const char* kStatusReadBackup = "  Read Backup ......";
inline constexpr const char* kNoSerialName = "no-serial";
inline constexpr const char* kNothingWrittenText = "Nothing was written to the pager.";

// The serial number as one part of a file name: letters, digits, '-', '_',
// '.' and '+' kept, everything else (a slash above all) becomes '_', and a
// leading '.' too, so the name never leaves its folder nor hides itself.
// "no-serial" when there is no serial number.
std::string SerialFileNamePart(const std::string& serial);
// "AB1234567890-20240517-090731.tbl"
std::string BackupFileName(const std::string& serial, const LocalDateTime& when);

// The memory as the backup stores it: the bytes as read, checksum and header
// stamp included (a stale checksum stays stale, so a restore puts back what
// was there), with the tool's signature ("ZT310 ...") only where a pager
// never written by this tool lacks it, so "Open" takes the file.
CodePlugImage BackupImage(const CodePlugImage& memory);

namespace detail {
// Reads the pager's memory with the Read plan under "Read Backup ......" and
// saves it in context.backupDirectory (created when missing). On failure
// the reason, ending with "Nothing was written to the pager."; the caller
// abandons with it. The port stays open either way.
std::optional<std::string> BackUpPager(OperationContext& context, const std::string& serial);
}  // namespace detail

}  // namespace zt310
