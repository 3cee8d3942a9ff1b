// SPDX-License-Identifier: GPL-3.0-or-later
// A readable decoding of every field of an image, as a tree, for listings,
// comparisons and machine-readable output.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "codeplug/CodePlugImage.h"

namespace zt310 {

struct DecodedNode {
  using Value = std::variant<std::monostate, std::string, long, bool>;  // monostate = null
  std::string key;
  Value value;
  std::vector<DecodedNode> children;
  bool isArray = false;  // children are unnamed array elements
  bool isObject = false;
};

DecodedNode DecodeImage(const CodePlugImage& image);

// "channels.F1.calls[0].tone1" = "1285.8", one pair per leaf, in order.
struct FlatField {
  std::string path;
  std::string text;
};
std::vector<FlatField> FlattenDecoded(const DecodedNode& root);
std::string DecodedToJson(const DecodedNode& root);

// One field whose decoded text differs between what was expected (a file,
// the window's image) and what was found (the pager). A differing byte that
// no field shows is named "byte N", its values in hexadecimal.
struct FieldDifference {
  std::string path;  // as "zt310 dump" names it: "channels.F1.frequency"
  std::string expected;
  std::string found;
};
// Every field that differs, in dump order, then the differing bytes no field
// shows; empty when the images are equal.
std::vector<FieldDifference> DifferingFields(const CodePlugImage& expected, const CodePlugImage& found);
// Stored text may hold any byte: control characters, backslashes and bytes
// beyond ASCII become \xHH, so one field stays one line.
std::string OneLineText(const std::string& text);
// "channels.F1.frequency: file 1530125, pager 1520000"; control characters
// and bytes beyond ASCII shown as \xHH.
std::string DescribeDifference(const FieldDifference& difference, const std::string& expectedName = "file",
                               const std::string& foundName = "pager");

// Display helpers shared with the editor.
std::string AlertPatternText(const CodePlugImage& image, int offset);  // "ABCDABCD"
std::string FrequencyText(const CodePlugImage& image, int channel);    // "%07d"
long FrequencyValue(const CodePlugImage& image, int channel);          // 100 Hz units

// A number as printf's format shows it ("%01.2f"): listing and fields alike.
std::string FormatNumber(const char* format, double value);

}  // namespace zt310
