// SPDX-License-Identifier: GPL-3.0-or-later
// Creating and replacing files in folders other users may write to: no link
// planted at a name the tool picks is ever followed, no temporary name can be
// guessed, a replaced file keeps its mode and owner, and two programs saving
// the same file take turns.
#pragma once

#include <sys/types.h>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zt310 {

// Follows the symbolic links of a file name the user gave, up to the real
// file (which need not exist yet). A link is followed only when it belongs to
// the user or to root: a link another user planted is refused. Empty path
// with *error set when refused.
std::filesystem::path ResolveUserLinks(const std::filesystem::path& path, std::string* error);

// An open descriptor, closed when it goes.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd();
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_ = -1;
};

// Writes all of data; false with errno set when the system refuses.
bool WriteAll(int fd, const std::uint8_t* data, std::size_t size);

// The hidden temporary names of one file: ".zt310-HHHHHHHH-RRRRRR" where H
// is a hash of the file's name and R is random. Short, so a file whose own
// name uses the whole 255 bytes still gets one.
std::string TemporaryPrefixFor(const std::string& fileName);
bool IsTemporaryNameOf(const std::string& candidate, const std::string& fileName);

// A fresh temporary name of fileName in folder (not created).
std::filesystem::path TemporaryPathBeside(const std::filesystem::path& folder, const std::string& fileName);

struct Temporary {
  UniqueFd fd;
  std::filesystem::path path;
};

// A fresh file with an unguessable name beside fileName in folder, created
// with O_EXCL and O_NOFOLLOW. mode goes through the umask, as for any new file.
std::optional<Temporary> CreateTemporaryBeside(const std::filesystem::path& folder, const std::string& fileName,
                                               mode_t mode, std::string* reason);

// Removes what killed saves of fileName left in folder: temporaries of the
// current and of the earlier naming (".NAME.XXXXXX"), owned by the user and
// older than a minute. Returns how many were removed.
int RemoveStaleTemporaries(const std::filesystem::path& folder, const std::string& fileName);

// Writes bytes under a temporary name and renames it over path, so a link or
// anything else planted at path is replaced, never written through. Returns
// an empty string on success, otherwise the reason.
std::string ReplaceFileWith(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// Opens a file to append to, creating it when missing, never through a link
// and only when it is a regular file. created tells whether this call made it.
// Made in a setgid, group-writable folder, it is group-writable too.
struct AppendFile {
  enum class Status { Opened, CannotCreate, CannotOpen, NotRegular };
  Status status = Status::CannotOpen;
  UniqueFd fd;
  bool created = false;
  std::string reason;
};
AppendFile OpenForAppend(const std::filesystem::path& path);

// The user's own folders and files (settings, backups): folders made 0700,
// files 0600, and ones already there tightened to that when they belong to
// the user. A file is created empty when missing, so whatever writes it
// later (and keeps its mode) never makes it readable to others first.
// False when the folder cannot be made.
bool MakePrivateFolder(const std::filesystem::path& folder);
void MakePrivateFile(const std::filesystem::path& file);

// Serialises the programs that rewrite one table file: the holder may load
// it, change it and save it knowing no other holder does so meanwhile. The
// lock is an advisory write lock (fcntl, on the open file description) on
// the file itself, opened for writing, so only those who may write the file
// can hold it; it is taken again whenever the file was replaced while
// waiting, and given up with the object or when the process ends. A file
// that does not exist yet is not locked: its save creates it only where no
// file has appeared meanwhile (RenameWithoutReplacing).
class TableFileLock {
 public:
  static constexpr int kDefaultWaitMs = 10000;

  // Waits up to waitMs for the lock. Empty with *error naming the file when
  // the name is refused or another program holds the lock all that time.
  static std::optional<TableFileLock> Acquire(const std::filesystem::path& path, std::string* error,
                                              int waitMs = kDefaultWaitMs);

  // The name as given, and the real file it stands for.
  const std::filesystem::path& Named() const { return named_; }
  const std::filesystem::path& Target() const { return target_; }
  // The file did not exist when the lock was taken: the save must create it.
  bool CreatesFile() const { return creates_; }

 private:
  TableFileLock(std::filesystem::path named, std::filesystem::path target, UniqueFd fd, bool creates)
      : named_(std::move(named)), target_(std::move(target)), fd_(std::move(fd)), creates_(creates) {}
  std::filesystem::path named_;
  std::filesystem::path target_;
  UniqueFd fd_;
  bool creates_ = false;
};

// Renames from to to unless something is at to already (EEXIST then).
bool RenameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

// Empty, or why file cannot be replaced by this user: it belongs to another
// user in a sticky folder (such as /tmp or a shared drop folder) that this
// user does not own either.
std::string ForeignFileInStickyFolder(const std::filesystem::path& file);

}  // namespace zt310
