// SPDX-License-Identifier: GPL-3.0-or-later
// Times the image keeps as a count of half seconds: the reset delay, the
// decoder reset, the reminder and the fixed alert times. A count is shown
// with one decimal ("8.5"); a typed or pasted number is accepted when it is a
// multiple of 0.5 as shown, and stored as the count of what is shown.
#pragma once

#include <string>

namespace zt310 {

// "8.5" for a count of 17.
std::string HalfSecondsText(int count);

// The value as a field with one decimal shows it.
double RoundedToTenths(double seconds);

// A whole number, or one whose value rounded to one decimal is its whole
// part plus 0.5.
bool IsHalfSecondStep(double seconds);

// The count stored for an accepted value: twice the value as shown, so a
// pasted 8.49 (shown "8.5") is stored as 17. Counting by truncation would
// store 16, a time the field does not show; typed values (one decimal at
// most) and every count read from an image give the same count either way.
int HalfSecondCount(double seconds);

}  // namespace zt310
