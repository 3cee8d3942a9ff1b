// SPDX-License-Identifier: GPL-3.0-or-later
// Table files (*.tbl): exactly the 512-byte image, nothing else.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "codeplug/CodePlugImage.h"
#include "codeplug/SafeFile.h"

namespace zt310 {

inline constexpr const char* kDefaultTableName = "default.tbl";
inline constexpr const char* kFileErrorTitle = "File Error";
inline constexpr const char* kFileErrorText =
    "Can't perform one of the following file operations: Open, Seek, Read, Close.";
inline constexpr const char* kNotCodePlugText = "The file is not ZT310 code-plug file.";

// A table file is read up to one byte past the image.
inline constexpr std::size_t kMaxTableFileRead = 513;

// Reads a table file: at most kMaxTableFileRead bytes. Empty optional when
// it cannot be opened or read or is not a regular file (a FIFO, a device);
// the reason is put into *error.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path, std::string* error);

// Places the smaller of the file size and 512 bytes at offset 0; the rest of
// the image keeps its bytes.
void PlaceFileBytes(CodePlugImage& image, const std::vector<std::uint8_t>& bytes);

// "ZT310" at 498..502 of a file that long.
bool FileHasModelSignature(const std::vector<std::uint8_t>& bytes);

// Files from before the squelch voltage table existed: pick a level and fill
// the wide-band table. Returns true when the buffer was changed.
bool UpgradeLegacySquelch(std::vector<std::uint8_t>& bytes);

// Blank remembered tone-2 durations get their defaults (3 and 2).
void NormaliseRememberedToneDurations(CodePlugImage& image);

enum class OpenStatus { Opened, CannotRead, NotCodePlug };
struct OpenResult {
  OpenStatus status = OpenStatus::CannotRead;
  std::string detail;  // the system's reason when the file cannot be read
  bool squelchUpgraded = false;
};

// The image side of "Open": signature test, legacy squelch upgrade, copy,
// remembered durations and byte 136 = 0. The image is unchanged unless the
// result is Opened.
OpenResult OpenTableFile(const std::filesystem::path& path, CodePlugImage& image);

// The same for a file's bytes already read (a code-plug text turned into
// the table file it stands for).
OpenResult OpenTableBytes(std::vector<std::uint8_t> bytes, CodePlugImage& image);

// The image side of loading "default.tbl" at start-up: no signature test, no
// squelch upgrade. Returns false (image unchanged) when the file is missing
// or unreadable.
bool LoadDefaultTableFile(const std::filesystem::path& path, CodePlugImage& image);

struct SaveResult {
  bool ok = false;
  std::string error;             // names the file and the reason
  std::filesystem::path backup;  // the .BAK written, empty when there was no old file
};

// AsStored: the 512 bytes as they stand, nothing stamped (a pager's backup).
enum class SaveKind { Save, SaveAs, AsStored };

// Stores the image: checksum and header are stamped in the working image
// first ("Save As ..." also clears byte 136), an existing target is kept as
// NAME.BAK beside it (replacing an older backup), and the new file replaces
// the target only once it is whole on disk. A symbolic link of the user's is
// saved through to its file and stays a link; a replaced file keeps its mode
// (and owner where the process may set it); a new one gets the umask's mode;
// a read-only file or anything but a regular file is refused. Takes the
// file's lock for the save.
SaveResult SaveTableFile(const std::filesystem::path& path, CodePlugImage& image, SaveKind kind);

// The same under a lock the caller took before loading the file, so no
// other program's save falls between the load and this save.
SaveResult SaveTableFile(const TableFileLock& lock, CodePlugImage& image, SaveKind kind);

// What SaveTableFile stamps into the image before it stores it.
void StampImageForSave(CodePlugImage& image, SaveKind kind);

// Stores BYTES as they are, with everything SaveTableFile promises (the
// backup, the mode, the lock, the whole file or nothing): a code-plug text,
// or an image that must keep the bytes it has.
SaveResult SaveFileContents(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
SaveResult SaveFileContents(const TableFileLock& lock, const std::vector<std::uint8_t>& bytes);

// The backup name of a target: its base name with ".BAK", in its folder;
// "X.BAK" itself is backed up as "X.BAK.BAK".
std::filesystem::path BackupPathFor(const std::filesystem::path& target);

// The factory default adapted to the one-channel option, with its checksum,
// as "Restore all factory settings" takes it.
CodePlugImage FactoryImageForChannels(bool oneChannel);

}  // namespace zt310
