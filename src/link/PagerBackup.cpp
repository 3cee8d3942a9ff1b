// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/PagerBackup.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"
#include "link/Operations.h"
#include "port/PagerLink.h"

namespace zt310 {

using namespace layout;

std::string SerialFileNamePart(const std::string& serial) {
  if (serial.empty()) return kNoSerialName;
  std::string part;
  for (const char c : serial) {
    const auto byte = static_cast<unsigned char>(c);
    const bool alnum = (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
    const bool sign = c == '-' || c == '_' || c == '.' || c == '+';
    part.push_back(alnum || (sign && !(part.empty() && c == '.')) ? c : '_');
  }
  return part;
}

std::string BackupFileName(const std::string& serial, const LocalDateTime& when) {
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "-%04d%02d%02d-%02d%02d%02d.tbl", when.year, when.month, when.day, when.hour,
                when.minute, when.second);
  return SerialFileNamePart(serial) + stamp;
}

CodePlugImage BackupImage(const CodePlugImage& memory) {
  CodePlugImage image = memory;
  const bool hasSignature = std::equal(kModelSignature.begin(), kModelSignature.end(), image.data() + kHeaderCaption);
  if (!hasSignature) StampCaption(image);
  return image;
}

namespace detail {

namespace {

std::optional<std::string> Refusal(const std::string& reason) { return reason + "\n" + kNothingWrittenText; }

}  // namespace

std::optional<std::string> BackUpPager(OperationContext& context, const std::string& serial) {
  OperationHost& host = context.host;
  host.ProgressRange(0, kReadProgressMax);
  host.ProgressValue(0);
  host.ProgressGaugeVisible(true);
  host.ProgressLabel(kLabelReadBackup);
  host.Status(kStatusReadBackup);

  CodePlugImage memory;
  DiscardBuffers(context.link);
  for (const BlockRange& block : ReadBlockPlan()) {
    const BlockStatus status =
        context.link.ReadBlockStatus(kMemoryAddress, memory.data() + block.offset, block.offset, block.count);
    if (status != BlockStatus::Ok) {
      return Refusal("The pager could not be backed up: " + BlockProblemText(status, block.offset, block.count));
    }
    host.ProgressValue(std::min(block.offset + block.count, kReadProgressMax));
  }

  const std::filesystem::path& folder = *context.backupDirectory;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) return Refusal("The backup folder \"" + folder.string() + "\" cannot be made: " + error.message());
  CodePlugImage stored = BackupImage(memory);
  const std::filesystem::path file = folder / BackupFileName(serial, context.now());
  const SaveResult saved = SaveTableFile(file, stored, SaveKind::AsStored);
  if (!saved.ok) return Refusal("The backup of the pager cannot be saved. " + saved.error);
  host.PagerBackedUp(file);
  return std::nullopt;
}

}  // namespace detail

}  // namespace zt310
