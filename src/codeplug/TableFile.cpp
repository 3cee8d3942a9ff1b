// SPDX-License-Identifier: GPL-3.0-or-later
#include "codeplug/TableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "codeplug/SafeFile.h"

namespace zt310 {

using namespace layout;
namespace fs = std::filesystem;

namespace {

std::string Reason(int error) { return std::strerror(error); }

std::string Quoted(const fs::path& path) { return "\"" + path.string() + "\""; }

fs::path FolderOf(const fs::path& path) { return path.parent_path().empty() ? fs::path(".") : path.parent_path(); }

void Discard(const Temporary& temporary) { ::unlink(temporary.path.c_str()); }

// The backup shares the old file's contents, mode and owner: a second name
// for it, made under a temporary name and renamed over an older backup, so
// the target itself is never missing and a link planted at the backup's
// name is replaced rather than written through.
std::optional<Temporary> LinkOldFileAside(const fs::path& target, std::string* reason) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path aside = TemporaryPathBeside(FolderOf(target), target.filename().string());
    if (::link(target.c_str(), aside.c_str()) == 0) return Temporary{UniqueFd(), std::move(aside)};
    if (errno != EEXIST) break;
  }
  *reason = std::strerror(errno);
  return std::nullopt;
}

// For folders whose file system has no hard links: a copy with the old
// file's mode and owner.
std::optional<Temporary> CopyOldFileAside(const fs::path& target, const struct stat& old, std::string* reason) {
  auto bytes = ReadFileBytes(target, reason);
  if (!bytes) return std::nullopt;
  auto copy = CreateTemporaryBeside(FolderOf(target), target.filename().string(), 0600, reason);
  if (!copy) return std::nullopt;
  if (!WriteAll(copy->fd.get(), bytes->data(), bytes->size()) || ::fsync(copy->fd.get()) != 0) {
    *reason = std::strerror(errno);
    Discard(*copy);
    return std::nullopt;
  }
  [[maybe_unused]] const int owned = ::fchown(copy->fd.get(), old.st_uid, old.st_gid);
  ::fchmod(copy->fd.get(), old.st_mode & 0777);
  return copy;
}

std::string KeepBackup(const fs::path& target, const struct stat& old, const fs::path& backup) {
  std::string reason;
  auto aside = LinkOldFileAside(target, &reason);
  if (!aside) aside = CopyOldFileAside(target, old, &reason);
  if (aside && ::rename(aside->path.c_str(), backup.c_str()) != 0) {
    reason = std::strerror(errno);
    Discard(*aside);
    aside.reset();
  }
  return aside ? std::string() : "Cannot keep the backup " + Quoted(backup) + ": " + reason;
}

// A read-only file is the owner's word that it must not change; root, whom
// the system lets write anything, is held to the mode bits too.
std::string RefusalToReplace(const fs::path& named, const fs::path& target, const struct stat& old) {
  if (!S_ISREG(old.st_mode)) return "Cannot save " + Quoted(named) + ": it is not a regular file.";
  const bool noWriteBits = (old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  if (noWriteBits || ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
    if (noWriteBits) errno = EACCES;
    if (errno == EACCES || errno == EPERM) return "Cannot save " + Quoted(named) + ": the file is read-only.";
    return "Cannot save " + Quoted(named) + ": " + Reason(errno);
  }
  return {};
}

void SyncFolder(const fs::path& folder) {
  const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.valid()) ::fsync(fd.get());
}

std::string AppearedText(const fs::path& named) {
  return "Cannot save " + Quoted(named) + ": another program created it meanwhile; nothing was written.";
}

// In a sticky folder a file of another user cannot be replaced, nor its
// backup: said before anything is made, so no name is left behind that
// this user could not remove again.
std::string RefusalInStickyFolder(const fs::path& named, const fs::path& target, bool exists) {
  std::string reason = exists ? ForeignFileInStickyFolder(target) : std::string();
  if (reason.empty() && exists) reason = ForeignFileInStickyFolder(BackupPathFor(target));
  return reason.empty() ? reason : "Cannot save " + Quoted(named) + ": " + reason + "; nothing was written.";
}

SaveResult WriteWhileLocked(const TableFileLock& lock, const std::uint8_t* data, std::size_t size,
                            bool* appeared = nullptr) {
  SaveResult result;
  const fs::path& named = lock.Named();
  const fs::path& target = lock.Target();
  struct stat old {};
  const bool exists = ::lstat(target.c_str(), &old) == 0;
  if (exists && lock.CreatesFile()) {
    if (appeared) *appeared = true;
    result.error = AppearedText(named);
    return result;
  }
  if (exists) {
    result.error = RefusalToReplace(named, target, old);
    if (!result.error.empty()) return result;
  }
  result.error = RefusalInStickyFolder(named, target, exists);
  if (!result.error.empty()) return result;
  RemoveStaleTemporaries(FolderOf(target), target.filename().string());

  std::string reason;
  // A new file gets the umask's mode; a replaced one gets its old mode below.
  auto temporary = CreateTemporaryBeside(FolderOf(target), target.filename().string(), exists ? 0600 : 0666, &reason);
  if (!temporary) {
    result.error = "Cannot create " + Quoted(named) + ": " + reason;
    return result;
  }
  if (!WriteAll(temporary->fd.get(), data, size) || ::fsync(temporary->fd.get()) != 0) {
    result.error = "Cannot write " + Quoted(named) + ": " + Reason(errno);
    Discard(*temporary);
    return result;
  }
  if (exists) {
    // Only root may give the file back to another owner; anyone else's
    // save of a shared file leaves it theirs, with its mode and, where they
    // belong to it, its group, so the others may still write it.
    [[maybe_unused]] const int owned = ::fchown(temporary->fd.get(), old.st_uid, old.st_gid);
    ::fchmod(temporary->fd.get(), old.st_mode & 0777);
    const fs::path backup = BackupPathFor(target);
    result.error = KeepBackup(target, old, backup);
    if (!result.error.empty()) {
      Discard(*temporary);
      return result;
    }
    result.backup = backup;
  }
  // A new file never replaces one another program made meanwhile.
  const bool placed =
      exists ? ::rename(temporary->path.c_str(), target.c_str()) == 0 : RenameWithoutReplacing(temporary->path, target);
  if (!placed) {
    const bool taken = !exists && errno == EEXIST;
    if (taken && appeared) *appeared = true;
    result.error = taken ? AppearedText(named) : "Cannot write " + Quoted(named) + ": " + Reason(errno);
    Discard(*temporary);
    return result;
  }
  SyncFolder(FolderOf(target));
  result.ok = true;
  return result;
}

void StampForSave(CodePlugImage& image, SaveKind kind) {
  if (kind == SaveKind::AsStored) return;
  if (kind == SaveKind::SaveAs) image[kNarrowBandMarker] = 0;
  StoreImageChecksum(image);
  StampHeader(image);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const fs::path& path, std::string* error) {
  // Non-blocking, so a FIFO without a writer cannot hang the open; the
  // flag does not matter for the regular file that is read.
  const UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!file.valid()) {
    if (error) *error = Reason(errno);
    return std::nullopt;
  }
  struct stat status {};
  if (::fstat(file.get(), &status) != 0) {
    if (error) *error = Reason(errno);
    return std::nullopt;
  }
  if (!S_ISREG(status.st_mode)) {
    if (error) *error = "not a regular file";
    return std::nullopt;
  }
  // One byte more than the image tells a longer file from a whole one.
  std::vector<std::uint8_t> bytes(kMaxTableFileRead);
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(file.get(), bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (error) *error = Reason(errno);
      return std::nullopt;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

void PlaceFileBytes(CodePlugImage& image, const std::vector<std::uint8_t>& bytes) {
  const std::size_t count = std::min(bytes.size(), kImageSize);
  std::copy_n(bytes.begin(), count, image.bytes().begin());
}

bool FileHasModelSignature(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < static_cast<std::size_t>(kHeaderCaption + kModelSignatureSize)) return false;
  return std::equal(kModelSignature.begin(), kModelSignature.end(), bytes.begin() + kHeaderCaption);
}

bool UpgradeLegacySquelch(std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < kImageSize) bytes.resize(kImageSize, kBlank);
  const auto table = bytes.begin() + kSquelchTable;
  const bool tableBlank = std::all_of(table, table + kSquelchTableSize, [](std::uint8_t b) { return b == kBlank; });
  if (bytes[kSquelchLevel] != kBlank && !tableBlank) return false;
  const auto level4 = bytes[kSpeakerOffCode] == 38 && (bytes[kSpeakerOnCode] == 23 || bytes[kSpeakerOnCode] == 24);
  if (level4) {
    bytes[kSpeakerOnCode] = 24;
    bytes[kSquelchLevel] = 3;
  } else {
    bytes[kSquelchLevel] = 4;
    bytes[kSpeakerOffCode] = 45;
    bytes[kSpeakerOnCode] = 28;
  }
  std::copy(fields::kWideBandPreset.squelch.begin(), fields::kWideBandPreset.squelch.end(), table);
  return true;
}

void NormaliseRememberedToneDurations(CodePlugImage& image) {
  if (image[kToneDur2Standard] == kBlank) image[kToneDur2Standard] = 3;
  if (image[kToneDur2Plectron] == kBlank) image[kToneDur2Plectron] = 2;
}

OpenResult OpenTableFile(const fs::path& path, CodePlugImage& image) {
  OpenResult result;
  auto bytes = ReadFileBytes(path, &result.detail);
  if (!bytes) return result;
  return OpenTableBytes(std::move(*bytes), image);
}

OpenResult OpenTableBytes(std::vector<std::uint8_t> bytes, CodePlugImage& image) {
  OpenResult result;
  if (!FileHasModelSignature(bytes)) {
    result.status = OpenStatus::NotCodePlug;
    return result;
  }
  const std::size_t fileSize = bytes.size();
  result.squelchUpgraded = UpgradeLegacySquelch(bytes);
  bytes.resize(std::min(fileSize, kImageSize));
  PlaceFileBytes(image, bytes);
  NormaliseRememberedToneDurations(image);
  image[kNarrowBandMarker] = 0;
  result.status = OpenStatus::Opened;
  return result;
}

bool LoadDefaultTableFile(const fs::path& path, CodePlugImage& image) {
  std::error_code ec;
  if (!fs::exists(path, ec)) return false;
  auto bytes = ReadFileBytes(path, nullptr);
  if (!bytes) return false;
  PlaceFileBytes(image, *bytes);
  NormaliseRememberedToneDurations(image);
  return true;
}

fs::path BackupPathFor(const fs::path& target) {
  fs::path backup = target.parent_path() / (target.stem().string() + ".BAK");
  // "X.BAK" would be its own backup.
  if (backup.filename() == target.filename()) backup = target.parent_path() / (target.filename().string() + ".BAK");
  return backup;
}

SaveResult SaveTableFile(const fs::path& path, CodePlugImage& image, SaveKind kind) {
  StampForSave(image, kind);
  return SaveFileContents(path, std::vector<std::uint8_t>(image.data(), image.data() + kImageSize));
}

SaveResult SaveTableFile(const TableFileLock& lock, CodePlugImage& image, SaveKind kind) {
  StampForSave(image, kind);
  return WriteWhileLocked(lock, image.data(), kImageSize);
}

void StampImageForSave(CodePlugImage& image, SaveKind kind) { StampForSave(image, kind); }

SaveResult SaveFileContents(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  const fs::path named = path.parent_path().empty() ? fs::path(".") / path : path;
  // A file another program created while this one wrote is saved over, as
  // the later of two saves, keeping the other's as the backup.
  for (int attempt = 0;; ++attempt) {
    SaveResult result;
    const auto lock = TableFileLock::Acquire(named, &result.error);
    if (!lock) return result;
    bool appeared = false;
    result = WriteWhileLocked(*lock, bytes.data(), bytes.size(), &appeared);
    if (!appeared || attempt == 2) return result;
  }
}

SaveResult SaveFileContents(const TableFileLock& lock, const std::vector<std::uint8_t>& bytes) {
  return WriteWhileLocked(lock, bytes.data(), bytes.size());
}

CodePlugImage FactoryImageForChannels(bool oneChannel) {
  static constexpr std::uint8_t kOneChannelSwitches[kSwitchCount] = {0x40, 0x20, 0x21, 0x21};
  static constexpr std::uint8_t kTwoChannelSwitches[kSwitchCount] = {0x52, 0x22, 0x21, 0x25};
  CodePlugImage image = FactoryDefaultImage();
  const std::uint8_t marker = oneChannel ? kMarkerOn : kMarkerOff;
  image[kSingleChannelMarker] = marker;
  image[kSingleChannelMarker2] = marker;
  const auto* switches = oneChannel ? kOneChannelSwitches : kTwoChannelSwitches;
  for (int s = 0; s < kSwitchCount; ++s) image[kFunctionSwitch + s] = switches[s];
  StoreImageChecksum(image);
  return image;
}

}  // namespace zt310
