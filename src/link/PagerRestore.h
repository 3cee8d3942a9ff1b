// SPDX-License-Identifier: GPL-3.0-or-later
// Putting a backup back into its pager exactly, and checking byte for byte
// that a pager holds a file. A backup goes in as stored, without the
// normalisations "Open" makes: only the pager's identity block and serial
// number stay the pager's, and the checksum and header stamp are made as
// Write makes them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "codeplug/CodePlugImage.h"
#include "link/OperationHost.h"
#include "link/Operations.h"

namespace zt310 {

// One byte that differs between what was meant (the file) and what the
// pager holds, with the fields ("zt310 dump" paths) it belongs to.
struct ByteDifference {
  int offset = 0;
  std::uint8_t expected = 0;
  std::uint8_t found = 0;
  std::vector<std::string> fields;
};
std::vector<ByteDifference> DifferingBytes(const CodePlugImage& expected, const CodePlugImage& found);
// "byte 23: pager 0x22, file 0x23 (channels.F1.spacing)"
std::string DescribeByteDifference(const ByteDifference& difference, const std::string& expectedName = "file",
                                   const std::string& foundName = "pager");

// Why a file cannot be a backup (not 512 bytes, no "ZT310" signature), or
// nothing.
std::optional<std::string> BackupFileProblem(const std::vector<std::uint8_t>& bytes);
CodePlugImage ImageOfBackup(const std::vector<std::uint8_t>& bytes);

struct RestoreRequest {
  CodePlugImage stored;  // the backup's 512 bytes as stored
};

struct RestoreResult {
  // " Write Success !", " Write Fail !" or " Verify Fail !" as Write ends;
  // abandoned (no label) when refused. result.image stays empty: a restore
  // never touches the working image.
  OperationResult result;
  // The bytes of the file the checksum and header stamp changed.
  std::vector<ByteDifference> remade;
  // After " Verify Fail !": what the read-back found, or why it failed.
  std::vector<ByteDifference> differences;
  std::string linkProblem;
};

// Probes, reads the pager's identity and serial number, refuses a backup of
// another kind of pager, writes the backup through Write's block plan (each
// block read back), then reads the whole memory back and compares all 512
// bytes with what was meant.
RestoreResult RestorePager(OperationContext& context, const RestoreRequest& request);

// The pager's whole memory compared byte for byte with the file, apart from
// the identity block and serial number (the pager's own); the checksum and
// header stamp may be the file's or the ones a restore makes.
// " Verify Success !" or "  Verify Fail !"; never writes.
RestoreResult VerifyPagerExact(OperationContext& context, const RestoreRequest& request);

}  // namespace zt310
