#include "codeplug/TableFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zt310 {

using namespace layout;
namespace fs = std::filesystem;

namespace {

std::string Reason(int error) { return std::strerror(error); }

// Squelch table in 0.01 V, speaker off then on, level by level.
constexpr std::uint8_t kWideBandTable[kSquelchTableSize] = {32, 10, 32, 14, 32, 20, 38, 24, 45, 28};

struct FileCloser {
  int fd;
  ~FileCloser() {
    if (fd >= 0) ::close(fd);
  }
};

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

// Writes bytes to a fresh file beside the target and syncs it. Returns the
// temporary path, or an empty path with *error set.
fs::path WriteTemporaryBeside(const fs::path& target, const std::uint8_t* data, std::size_t size,
                              std::string* error) {
  std::string pattern = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  FileCloser file{::mkstemp(name.data())};
  if (file.fd < 0) {
    *error = "Cannot create \"" + target.string() + "\": " + Reason(errno);
    return {};
  }
  const fs::path temporary(name.data());
  if (!WriteAll(file.fd, data, size) || ::fsync(file.fd) != 0) {
    *error = "Cannot write \"" + target.string() + "\": " + Reason(errno);
    ::unlink(name.data());
    return {};
  }
  ::fchmod(file.fd, 0644);
  return temporary;
}

// Keeps the current target as NAME.BAK without ever removing the target:
// the copy is made under a temporary name and renamed over an older backup.
bool BackUp(const fs::path& target, const fs::path& backup, std::string* error) {
  std::error_code ec;
  const fs::path partial = backup.string() + ".part";
  fs::copy_file(target, partial, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::rename(partial, backup, ec);
  if (ec) {
    fs::remove(partial);
    *error = "Cannot keep the backup \"" + backup.string() + "\": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const fs::path& path, std::string* error) {
  // Non-blocking, so a FIFO without a writer cannot hang the open; the
  // flag does not matter for the regular file that is read.
  FileCloser file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
  if (file.fd < 0) {
    if (error) *error = Reason(errno);
    return std::nullopt;
  }
  struct stat status {};
  if (::fstat(file.fd, &status) != 0) {
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
    const ssize_t n = ::read(file.fd, bytes.data() + got, bytes.size() - got);
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
  std::copy(std::begin(kWideBandTable), std::end(kWideBandTable), table);
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
  if (!FileHasModelSignature(*bytes)) {
    result.status = OpenStatus::NotCodePlug;
    return result;
  }
  const std::size_t fileSize = bytes->size();
  result.squelchUpgraded = UpgradeLegacySquelch(*bytes);
  bytes->resize(std::min(fileSize, kImageSize));
  PlaceFileBytes(image, *bytes);
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
  return target.parent_path() / (target.stem().string() + ".BAK");
}

SaveResult SaveTableFile(const fs::path& path, CodePlugImage& image, SaveKind kind) {
  SaveResult result;
  if (kind == SaveKind::SaveAs) image[kNarrowBandMarker] = 0;
  StoreImageChecksum(image);
  StampHeader(image);

  const fs::path target = path.parent_path().empty() ? fs::path(".") / path : path;
  const fs::path temporary = WriteTemporaryBeside(target, image.data(), kImageSize, &result.error);
  if (temporary.empty()) return result;

  std::error_code ec;
  if (fs::exists(target, ec)) {
    const fs::path backup = BackupPathFor(target);
    if (!BackUp(target, backup, &result.error)) {
      fs::remove(temporary, ec);
      return result;
    }
    result.backup = backup;
  }
  fs::rename(temporary, target, ec);
  if (ec) {
    result.error = "Cannot write \"" + target.string() + "\": " + ec.message();
    fs::remove(temporary, ec);
    return result;
  }
  result.ok = true;
  return result;
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
