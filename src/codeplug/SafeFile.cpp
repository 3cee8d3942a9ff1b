// SPDX-License-Identifier: GPL-3.0-or-later
#include "codeplug/SafeFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <thread>

namespace zt310 {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxLinkHops = 40;
constexpr int kNameAttempts = 100;
constexpr int kRandomLength = 6;
constexpr std::time_t kStaleSeconds = 60;
// A table file is 512 bytes; a leftover of the earlier naming is never more.
constexpr off_t kLargestOldTemporary = 512;

std::string Quoted(const fs::path& path) { return "\"" + path.string() + "\""; }

fs::path FolderOf(const fs::path& path) { return path.parent_path().empty() ? fs::path(".") : path.parent_path(); }

bool IsNameCharacter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

bool AllNameCharacters(std::string_view text) {
  for (char c : text) {
    if (!IsNameCharacter(c)) return false;
  }
  return true;
}

std::string RandomSuffix() {
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device device;  // fresh entropy, so forked savers never share names
  std::string suffix;
  for (int i = 0; i < kRandomLength; ++i) suffix += kAlphabet[device() % (sizeof kAlphabet - 1)];
  return suffix;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The save lock needs write access: only a descriptor opened for writing
// takes it, so a user who may only read the file cannot hold saves back.
// O_NONBLOCK keeps a FIFO planted at the name from stalling the open.
int OpenToLock(const fs::path& path) { return ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC); }

enum class LockTry { Taken, Busy, Unsupported, Failed };

// A write lock on the whole file, owned by the open file description (not
// by the process), so closing another descriptor of the file keeps it and
// two saves in one process take turns too. Only a write lock held by
// another saver counts as busy: a read lock needs no more than read access,
// and a reader must not make a saver wait.
LockTry TryWriteLock(int fd) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) return LockTry::Taken;
  const int error = errno;
  if (error == ENOLCK || error == EOPNOTSUPP || error == ENOSYS || error == EINVAL) return LockTry::Unsupported;
  if (error != EAGAIN && error != EACCES && error != EINTR) return LockTry::Failed;
  struct flock held {};
  held.l_type = F_WRLCK;
  held.l_whence = SEEK_SET;
  if (::fcntl(fd, F_OFD_GETLK, &held) == 0 && held.l_type == F_RDLCK) return LockTry::Unsupported;
  return LockTry::Busy;
}

// A file made in a group's shared folder (setgid, group-writable) is the
// group's to append to, whatever the maker's umask keeps from the group.
void ShareWithFolderGroup(int fd, const fs::path& folder) {
  struct stat dir {};
  struct stat file {};
  if (::stat(folder.c_str(), &dir) != 0 || ::fstat(fd, &file) != 0) return;
  if ((dir.st_mode & S_ISGID) == 0 || (dir.st_mode & S_IWGRP) == 0 || file.st_gid != dir.st_gid) return;
  ::fchmod(fd, (file.st_mode & 0777) | S_IRGRP | S_IWGRP);
}

}  // namespace

UniqueFd::~UniqueFd() {
  if (fd_ >= 0) ::close(fd_);
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.Release();
  }
  return *this;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

fs::path ResolveUserLinks(const fs::path& path, std::string* error) {
  fs::path current = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat info {};
    if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
    if (info.st_uid != ::geteuid() && info.st_uid != 0) {
      *error = "Cannot save " + Quoted(path) + ": " + Quoted(current) +
               " is a link that belongs to another user; it is not followed.";
      return {};
    }
    std::vector<char> buffer(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
    const ssize_t length = ::readlink(current.c_str(), buffer.data(), buffer.size());
    if (length < 0 || static_cast<std::size_t>(length) >= buffer.size()) {
      *error = "Cannot save " + Quoted(path) + ": the link " + Quoted(current) + " cannot be read.";
      return {};
    }
    const fs::path next(std::string(buffer.data(), static_cast<std::size_t>(length)));
    current = next.is_absolute() ? next : current.parent_path() / next;
  }
  *error = "Cannot save " + Quoted(path) + ": " + std::strerror(ELOOP);
  return {};
}

std::string TemporaryPrefixFor(const std::string& fileName) {
  std::uint32_t hash = 2166136261u;  // FNV-1a
  for (unsigned char c : fileName) hash = (hash ^ c) * 16777619u;
  char prefix[24];
  std::snprintf(prefix, sizeof prefix, ".zt310-%08x-", hash);
  return prefix;
}

bool IsTemporaryNameOf(const std::string& candidate, const std::string& fileName) {
  const std::string prefix = TemporaryPrefixFor(fileName);
  if (candidate.size() == prefix.size() + kRandomLength && candidate.starts_with(prefix)) {
    return AllNameCharacters(std::string_view(candidate).substr(prefix.size()));
  }
  const std::string oldPrefix = "." + fileName + ".";
  return candidate.size() == oldPrefix.size() + kRandomLength && candidate.starts_with(oldPrefix) &&
         AllNameCharacters(std::string_view(candidate).substr(oldPrefix.size()));
}

fs::path TemporaryPathBeside(const fs::path& folder, const std::string& fileName) {
  return folder / (TemporaryPrefixFor(fileName) + RandomSuffix());
}

std::optional<Temporary> CreateTemporaryBeside(const fs::path& folder, const std::string& fileName, mode_t mode,
                                               std::string* reason) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    fs::path path = TemporaryPathBeside(folder, fileName);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0) return Temporary{UniqueFd(fd), std::move(path)};
    if (errno != EEXIST) break;
  }
  *reason = std::strerror(errno);
  return std::nullopt;
}

int RemoveStaleTemporaries(const fs::path& folder, const std::string& fileName) {
  DIR* directory = ::opendir(folder.c_str());
  if (!directory) return 0;
  const int folderFd = ::dirfd(directory);
  const std::time_t now = std::time(nullptr);
  int removed = 0;
  while (const dirent* entry = ::readdir(directory)) {
    const std::string name = entry->d_name;
    if (!IsTemporaryNameOf(name, fileName)) continue;
    struct stat info {};
    if (::fstatat(folderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid() || now - info.st_mtime < kStaleSeconds) continue;
    const bool current = name.starts_with(TemporaryPrefixFor(fileName));
    if (!current && info.st_size > kLargestOldTemporary) continue;
    if (::unlinkat(folderFd, name.c_str(), 0) == 0) ++removed;
  }
  ::closedir(directory);
  return removed;
}

std::string ReplaceFileWith(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::string reason;
  auto temporary = CreateTemporaryBeside(FolderOf(path), path.filename().string(), 0666, &reason);
  if (!temporary) return reason;
  if (!WriteAll(temporary->fd.get(), bytes.data(), bytes.size()) || ::fsync(temporary->fd.get()) != 0 ||
      ::rename(temporary->path.c_str(), path.c_str()) != 0) {
    reason = std::strerror(errno);
    ::unlink(temporary->path.c_str());
    return reason;
  }
  return {};
}

AppendFile OpenForAppend(const fs::path& path) {
  AppendFile file;
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd >= 0) {
    ShareWithFolderGroup(fd, FolderOf(path));
    file.fd = UniqueFd(fd);
    file.created = true;
    file.status = AppendFile::Status::Opened;
    return file;
  }
  if (errno != EEXIST) {
    file.status = AppendFile::Status::CannotCreate;
    file.reason = std::strerror(errno);
    return file;
  }
  fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    const bool notFile = error == ELOOP || error == EISDIR || error == ENXIO;
    file.status = notFile ? AppendFile::Status::NotRegular : AppendFile::Status::CannotOpen;
    file.reason = notFile ? "it is not a regular file" : std::strerror(error);
    return file;
  }
  file.fd = UniqueFd(fd);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    file.fd = UniqueFd();
    file.status = AppendFile::Status::NotRegular;
    file.reason = "it is not a regular file";
    return file;
  }
  // Appends are whole lines; a blocking descriptor keeps them whole.
  ::fcntl(fd, F_SETFL, O_APPEND);
  file.status = AppendFile::Status::Opened;
  return file;
}

bool MakePrivateFolder(const fs::path& folder) {
  if (folder.empty()) return false;
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) {
    if (errno != ENOENT) return false;
    const fs::path parent = folder.parent_path();
    if (!parent.empty() && parent != folder && ::access(parent.c_str(), F_OK) != 0) {
      std::error_code error;
      fs::create_directories(parent, error);
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (::lstat(folder.c_str(), &info) != 0) return false;
  }
  if (!S_ISDIR(info.st_mode)) return false;
  if (info.st_uid == ::geteuid() && (info.st_mode & 077) != 0) ::chmod(folder.c_str(), 0700);
  return true;
}

void MakePrivateFile(const fs::path& file) {
  int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0 && errno == EEXIST) fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  const UniqueFd held(fd);
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) != 0) {
    ::fchmod(fd, info.st_mode & 0700);
  }
}

std::optional<TableFileLock> TableFileLock::Acquire(const fs::path& path, std::string* error, int waitMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    const fs::path target = ResolveUserLinks(path, error);
    if (target.empty()) return std::nullopt;

    UniqueFd fd(OpenToLock(target));
    if (!fd.valid()) {
      const int reason = errno;
      // No file yet: the save creates it without replacing one that appears
      // meanwhile (see CreatedOnly), which needs no lock on the folder that
      // readers of the folder could hold.
      if (reason == ENOENT) return TableFileLock(path, target, UniqueFd(), true);
      // A file the user may not write: no lock to take, and the save says
      // the file is read-only.
      if (reason == EACCES || reason == EPERM || reason == EROFS || reason == ETXTBSY) {
        return TableFileLock(path, target, UniqueFd(), false);
      }
      // Became a link meanwhile: resolve again, for as long as we may wait.
      if (reason == ELOOP && std::chrono::steady_clock::now() < deadline) continue;
      if (reason == ENXIO || reason == EISDIR || reason == ELOOP) {
        *error = "Cannot save " + Quoted(path) + ": it is not a regular file.";
      } else {
        *error = "Cannot save " + Quoted(path) + ": " + std::strerror(reason);
      }
      return std::nullopt;
    }
    struct stat held {};
    ::fstat(fd.get(), &held);
    if (!S_ISREG(held.st_mode)) {
      *error = "Cannot save " + Quoted(path) + ": it is not a regular file.";
      return std::nullopt;
    }

    switch (TryWriteLock(fd.get())) {
      case LockTry::Taken:
        break;
      case LockTry::Unsupported:
        // A file system without locks (some network mounts) still saves,
        // without the turn-taking, as it did before there was a lock.
        return TableFileLock(path, target, std::move(fd), false);
      case LockTry::Failed:
        *error = "Cannot lock " + Quoted(path) + ": " + std::strerror(errno);
        return std::nullopt;
      case LockTry::Busy:
        if (std::chrono::steady_clock::now() >= deadline) {
          *error = "Cannot save " + Quoted(path) + ": another program is saving it; nothing was written.";
          return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        continue;
    }

    // Whoever held the lock may have replaced the file: the lock only counts
    // on the file that is there now.
    struct stat now {};
    if (::lstat(target.c_str(), &now) == 0 && SameFile(now, held)) {
      return TableFileLock(path, target, std::move(fd), false);
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      *error = "Cannot save " + Quoted(path) + ": it keeps being replaced by another program; nothing was written.";
      return std::nullopt;
    }
  }
}

bool RenameWithoutReplacing(const fs::path& from, const fs::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the flag: a second name, then the first goes.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
}

std::string ForeignFileInStickyFolder(const fs::path& file) {
  struct stat info {};
  if (::lstat(file.c_str(), &info) != 0) return {};
  struct stat folder {};
  if (::stat(FolderOf(file).c_str(), &folder) != 0 || (folder.st_mode & S_ISVTX) == 0) return {};
  const uid_t me = ::geteuid();
  if (me == 0 || me == folder.st_uid || me == info.st_uid) return {};
  const struct passwd* owner = ::getpwuid(info.st_uid);
  const std::string name = owner ? std::string(owner->pw_name) : "user " + std::to_string(info.st_uid);
  return Quoted(file) + " belongs to " + name +
         ", and in this shared folder (sticky: only a file's owner may replace it) it cannot be replaced";
}

}  // namespace zt310
