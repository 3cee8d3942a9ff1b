// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DemoPager.h"

#include <QDir>

#include <algorithm>

#include "codeplug/CodePlugImage.h"
#include "protocol/ProgrammingFrame.h"
#include "protocol/WriteRules.h"

namespace zt310::ui {

namespace {

PagerBlock BlockOf(const CodePlugImage& memory, const BlockRange& range) {
  PagerBlock block{};
  std::copy_n(memory.bytes().begin() + range.offset, block.size(), block.begin());
  return block;
}

}  // namespace

CodePlugImage DemoPagerMemory(const CodePlugImage& memory, const OperationRequest& request) {
  WriteRuleInput input{WriteKind::Write, request.image, request.narrowBandChosen, {}, {}};
  input.pager.identity = BlockOf(memory, kIdentityBlock);
  input.pager.band = BlockOf(memory, kBandwidthBlock);
  input.pager.serial = BlockOf(memory, kSerialNumberBlock);
  input.answers.assumeAccepted = true;
  StampHeader(input.image);
  const WriteDecision decision = DecideWrite(input);
  if (decision.step != WriteDecision::Step::Write) return memory;
  // The checksum bytes as the window holds them: a fresh window's image has
  // none stored yet, and Verify compares them too.
  return decision.image;
}

std::filesystem::path DemoLogDirectory(const QString& startup) {
  QDir(startup).mkpath(kDemoLogFolder);
  return std::filesystem::path(QDir(startup).filePath(kDemoLogFolder).toStdString());
}

}  // namespace zt310::ui
