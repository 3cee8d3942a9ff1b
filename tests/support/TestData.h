// SPDX-License-Identifier: GPL-3.0-or-later
// The stored code-plugs of tests/data; its README says how each was made.
#pragma once

#include <QtGlobal>

#include <algorithm>
#include <string>
#include <vector>

#include "codeplug/CodePlugImage.h"
#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"

namespace zt310::testing {

inline constexpr const char* kFactoryFile = "factory.tbl";
inline constexpr const char* kOldTimingFile = "firmware-1.0.5.tbl";
inline constexpr const char* kOneChannelFile = "one-channel-5.0.0.tbl";
inline constexpr const char* kPlectronFile = "plectron.tbl";
inline constexpr const char* kNarrowBandFile = "narrow-band.tbl";
inline constexpr const char* kStoredFiles[] = {kFactoryFile, kOldTimingFile, kOneChannelFile, kPlectronFile,
                                               kNarrowBandFile};

inline std::string TestDataPath(const std::string& name) { return std::string(ZT310_TEST_DATA_DIR) + "/" + name; }

inline std::vector<std::uint8_t> TestDataBytes(const std::string& name) {
  std::string error;
  const auto bytes = ReadFileBytes(TestDataPath(name), &error);
  if (!bytes || bytes->size() != static_cast<std::size_t>(layout::kImageSize)) {
    qFatal("tests/data/%s: %s", name.c_str(), bytes ? "not 512 bytes" : error.c_str());
  }
  return *bytes;
}

inline CodePlugImage TestDataImage(const std::string& name) {
  const std::vector<std::uint8_t> bytes = TestDataBytes(name);
  CodePlugImage image;
  std::copy(bytes.begin(), bytes.end(), image.data());
  return image;
}

}  // namespace zt310::testing
