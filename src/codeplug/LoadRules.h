// SPDX-License-Identifier: GPL-3.0-or-later
// The bytes an image gets when it is shown in the editor: values older
// firmware and older files left that no control can show are put in the
// form the controls and the pager use. Each function says whether its rule
// applied to the image.
#pragma once

#include "codeplug/CodePlugImage.h"

namespace zt310 {

// A reference word of the old 2.5 kHz synthesiser gives the channel the
// legacy 2.5 kHz spacing code.
bool NormaliseLegacySpacing(CodePlugImage& image, int channel);

// 255 means "no squelch level"; 5 to 254 name none either: both become the
// last level, so the speaker codes always follow a real level.
bool NormaliseSquelchLevel(CodePlugImage& image);

// A blank audio gain byte is gain "1".
bool NormaliseBlankAudioGain(CodePlugImage& image);

// The narrow-band marker without the band byte is a wide-band pager with
// audio gain "1".
bool NormaliseMarkerWithoutBand(CodePlugImage& image);

// What "NB" shows: the marker and the band byte both set. Nothing when the
// pair names neither band (the box keeps what it showed).
std::optional<bool> ShownNarrowBand(const CodePlugImage& image);

}  // namespace zt310
