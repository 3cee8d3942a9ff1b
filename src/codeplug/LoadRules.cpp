// SPDX-License-Identifier: GPL-3.0-or-later
#include "codeplug/LoadRules.h"

#include "codeplug/Layout.h"
#include "tones/RfChannel.h"

namespace zt310 {

using namespace layout;

bool NormaliseLegacySpacing(CodePlugImage& image, int channel) {
  if (!IsLegacyPllrWord(image.GetLong(RfReferenceWord(channel)))) return false;
  image[RfSpacingCode(channel)] = spacing_code::kLegacy2_5;
  return true;
}

bool NormaliseSquelchLevel(CodePlugImage& image) {
  if (image[kSquelchLevel] < kSquelchLevels) return false;
  image[kSquelchLevel] = kSquelchLevels - 1;
  return true;
}

bool NormaliseBlankAudioGain(CodePlugImage& image) {
  if (image[kAudioGain] != kBlank) return false;
  image[kAudioGain] = 0;
  return true;
}

bool NormaliseMarkerWithoutBand(CodePlugImage& image) {
  if (image[kNarrowBandMarker] != 0 || image[kBand] != kBlank) return false;
  image[kAudioGain] = 0;
  return true;
}

std::optional<bool> ShownNarrowBand(const CodePlugImage& image) {
  const int marker = image[kNarrowBandMarker];
  const int band = image[kBand];
  if (band == kBlank && (marker == kBlank || marker == 0)) return false;
  if (marker == 0 && band == 1) return true;
  return std::nullopt;
}

}  // namespace zt310
