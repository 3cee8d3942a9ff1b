// SPDX-License-Identifier: GPL-3.0-or-later
// Code-plugs as text: a YAML file with one line per field ("KEY: VALUE",
// keys as "zt310 dump" names them) and a "bytes:" section for what no field
// says. This file reads and writes the text; what a key means, and applying
// it through the editor's rules, is the editor's (editor/TextImport.h).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zt310::text {

// The first line of every file: "zt310-codeplug: 1".
inline constexpr const char* kFormatKey = "zt310-codeplug";
inline constexpr int kFormatVersion = 1;
inline constexpr const char* kBytesKey = "bytes";
// A code-plug text is a few kilobytes; anything past this is not one, and
// is refused before it is parsed.
inline constexpr std::size_t kMaxTextFileSize = 1024 * 1024;

// Where a key or a value stands in the file, counted from 1.
struct Position {
  int line = 1;
  int column = 1;
};

struct TextField {
  std::string key;
  std::string value;
  Position at;     // of the value
  Position keyAt;  // of the key
};

struct TextByte {
  int offset = 0;
  std::uint8_t value = 0;
  Position at;
};

struct TextPlug {
  std::vector<TextField> fields;  // in file order, the format line left out
  std::vector<TextByte> bytes;    // in file order
};

struct TextError {
  Position at;
  std::string key;  // empty when the fault is not in one key
  std::string reason;
};

// "LINE:COLUMN: KEY: REASON" (without the key when there is none).
std::string Describe(const TextError& error);

// Parses a code-plug text: a YAML mapping whose first key is the format
// line, whose values are scalars, and whose "bytes" entry maps offsets 0 to
// 511 to byte values. A key given twice, a nested value, a wrong version or
// anything but YAML is refused with where it is.
std::variant<TextPlug, TextError> ParseTextPlug(std::string_view text);

// What a writer gives for each line.
struct OutputLine {
  enum class Kind { Field, Comment };
  Kind kind = Kind::Field;
  std::string key;    // a field's key, or a comment's text
  std::string value;  // a field's value
};

// The whole text: format line, the lines in order, then "bytes:" with one
// "  OFFSET: 0xHH" line per byte (left out when there are none). Values
// are written plain where YAML reads them back as the same text, quoted
// otherwise; no line ends in a blank.
std::string WriteTextPlug(const std::vector<OutputLine>& lines, const std::vector<std::pair<int, std::uint8_t>>& bytes);

// A value as YAML writes it: plain when safe, else double-quoted with
// escapes.
std::string ScalarText(const std::string& value);

// ".yaml" or ".yml", in any case.
bool IsTextPlugPath(const std::filesystem::path& path);

// Reads a text file of at most kMaxTextFileSize bytes: refused when it is not
// a regular file, cannot be read or is larger (the reason names the size).
std::optional<std::string> ReadTextPlugFile(const std::filesystem::path& path, std::string* error);

}  // namespace zt310::text
