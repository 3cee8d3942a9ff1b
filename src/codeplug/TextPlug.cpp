// SPDX-License-Identifier: GPL-3.0-or-later
#include "codeplug/TextPlug.h"

#include <yaml-cpp/yaml.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <utility>

#include "codeplug/Hex.h"
#include "codeplug/Layout.h"
#include "codeplug/SafeFile.h"

namespace zt310::text {

namespace {

Position At(const YAML::Mark& mark) {
  if (mark.is_null()) return {};
  return {mark.line + 1, mark.column + 1};
}

TextError Error(const YAML::Node& node, std::string key, std::string reason) {
  return {At(node.Mark()), std::move(key), std::move(reason)};
}

// Digits only, without sign or blanks, no larger than limit.
std::optional<long> WholeNumber(const std::string& text, int base, long limit) {
  if (text.empty() || text.size() > 8) return std::nullopt;
  long value = 0;
  for (const char c : text) {
    const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                      : base == 16 && std::isxdigit(static_cast<unsigned char>(c))
                          ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                          : -1;
    if (digit < 0) return std::nullopt;
    value = value * base + digit;
  }
  if (value > limit) return std::nullopt;
  return value;
}

std::optional<long> ByteValue(const std::string& text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    return WholeNumber(text.substr(2), 16, 255);
  return WholeNumber(text, 10, 255);
}

const char* KindName(const YAML::Node& node) {
  if (node.IsMap()) return "a mapping";
  if (node.IsSequence()) return "a list";
  if (node.IsNull()) return "nothing";
  return "a value";
}

std::optional<TextError> ParseBytes(const YAML::Node& section, TextPlug& plug) {
  if (section.IsNull()) return std::nullopt;  // "bytes:" with nothing under it
  if (!section.IsMap()) {
    return Error(section, kBytesKey, "must list OFFSET: VALUE lines (offsets 0 to 511, values 0x00 to 0xFF)");
  }
  std::set<long> seen;
  for (auto it = section.begin(); it != section.end(); ++it) {
    const YAML::Node key = it->first;
    const YAML::Node value = it->second;
    const std::string where = std::string(kBytesKey) + "." + (key.IsScalar() ? key.Scalar() : "?");
    const auto offset = key.IsScalar() ? WholeNumber(key.Scalar(), 10, layout::kImageSize - 1) : std::nullopt;
    if (!offset) return Error(key, where, "an offset is a whole number from 0 to 511");
    if (!seen.insert(*offset).second) return Error(key, where, "the offset is given twice");
    const auto byte = value.IsScalar() ? ByteValue(value.Scalar()) : std::nullopt;
    if (!byte) return Error(value.IsNull() ? key : value, where, "a byte is 0x00 to 0xFF (or 0 to 255)");
    plug.bytes.push_back({static_cast<int>(*offset), static_cast<std::uint8_t>(*byte), At(key.Mark())});
  }
  return std::nullopt;
}

std::optional<TextError> ParseFormatLine(const YAML::Node& root) {
  const std::string expected = std::string(kFormatKey) + ": " + std::to_string(kFormatVersion);
  auto first = root.begin();
  if (first == root.end() || !first->first.IsScalar() || first->first.Scalar() != kFormatKey) {
    const YAML::Node where = first == root.end() ? root : first->first;
    return Error(where, "", "not a ZT310 code-plug text: its first line must be \"" + expected + "\"");
  }
  const YAML::Node version = first->second;
  if (!version.IsScalar() || version.Scalar() != std::to_string(kFormatVersion)) {
    const std::string given = version.IsScalar() ? "version " + version.Scalar() : std::string(KindName(version));
    return Error(version.IsNull() ? first->first : version, kFormatKey,
                 "the text is in format " + given + "; this zt310 reads version " + std::to_string(kFormatVersion));
  }
  return std::nullopt;
}

std::variant<TextPlug, TextError> ParseDocument(const YAML::Node& root) {
  if (!root.IsMap()) {
    return Error(root, "",
                 std::string("not a ZT310 code-plug text: it is ") + KindName(root) + ", not lines of KEY: VALUE");
  }
  if (auto error = ParseFormatLine(root)) return *error;
  TextPlug plug;
  std::set<std::string> seen{kFormatKey};
  bool first = true;
  for (auto it = root.begin(); it != root.end(); ++it) {
    if (std::exchange(first, false)) continue;  // the format line
    const YAML::Node key = it->first;
    const YAML::Node value = it->second;
    if (!key.IsScalar()) return Error(key, "", "a key is a name such as channels.F1.frequency");
    const std::string name = key.Scalar();
    if (!seen.insert(name).second) return Error(key, name, "the key is given twice");
    if (name == kBytesKey) {
      if (auto error = ParseBytes(value, plug)) return *error;
      continue;
    }
    if (!value.IsScalar()) {
      const std::string why = value.IsNull() ? "has no value"
                                             : std::string("holds ") + KindName(value) +
                                                   "; write one key per line, as channels.F1.frequency: VALUE";
      return Error(value.IsNull() ? key : value, name, why);
    }
    plug.fields.push_back({name, value.Scalar(), At(value.Mark()), At(key.Mark())});
  }
  return plug;
}

bool PlainSafe(const std::string& value) {
  if (value.empty() || value.front() == ' ' || value.back() == ' ') return false;
  if (!std::isalnum(static_cast<unsigned char>(value.front())) && value.front() != '(') return false;
  return std::all_of(value.begin(), value.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || std::strchr(" ._()&/+-", c) != nullptr;
  });
}

}  // namespace

std::string Describe(const TextError& error) {
  std::string text = std::to_string(error.at.line) + ":" + std::to_string(error.at.column) + ": ";
  if (!error.key.empty()) text += error.key + ": ";
  return text + error.reason;
}

std::variant<TextPlug, TextError> ParseTextPlug(std::string_view text) {
  try {
    const std::vector<YAML::Node> documents = YAML::LoadAll(std::string(text));
    if (documents.empty()) return TextError{{}, "", "the file is empty, not a ZT310 code-plug text"};
    if (documents.size() > 1) return Error(documents[1], "", "the file holds more than one YAML document");
    return ParseDocument(documents.front());
  } catch (const YAML::ParserException& e) {
    return TextError{At(e.mark), "", "not YAML: " + e.msg};
  } catch (const YAML::Exception& e) {
    return TextError{At(e.mark), "", "not a ZT310 code-plug text: " + e.msg};
  } catch (const std::exception& e) {
    return TextError{{}, "", std::string("not a ZT310 code-plug text: ") + e.what()};
  }
}

std::string ScalarText(const std::string& value) {
  if (PlainSafe(value)) return value;
  std::string out = "\"";
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte >= 0x7F) {
      out += "\\x" + HexByte(byte);
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string WriteTextPlug(const std::vector<OutputLine>& lines,
                          const std::vector<std::pair<int, std::uint8_t>>& bytes) {
  std::string out = std::string(kFormatKey) + ": " + std::to_string(kFormatVersion) + "\n";
  for (const OutputLine& line : lines) {
    if (line.kind == OutputLine::Kind::Comment) {
      out += line.key.empty() ? "#\n" : "# " + line.key + "\n";
    } else {
      out += line.key + ": " + ScalarText(line.value) + "\n";
    }
  }
  if (!bytes.empty()) {
    out += std::string(kBytesKey) + ":\n";
    for (const auto& [offset, value] : bytes) {
      out += "  " + std::to_string(offset) + ": 0x" + HexByte(value) + "\n";
    }
  }
  return out;
}

bool IsTextPlugPath(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".yaml" || extension == ".yml";
}

std::optional<std::string> ReadTextPlugFile(const std::filesystem::path& path, std::string* error) {
  // Non-blocking, so a FIFO without a writer cannot hang the open.
  const UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!file.valid()) {
    if (error) *error = std::strerror(errno);
    return std::nullopt;
  }
  struct stat status {};
  if (::fstat(file.get(), &status) != 0) {
    if (error) *error = std::strerror(errno);
    return std::nullopt;
  }
  if (!S_ISREG(status.st_mode)) {
    if (error) *error = "not a regular file";
    return std::nullopt;
  }
  const auto tooLarge = [&](long long size) {
    if (error) {
      *error = "the file has " + std::to_string(size) + " bytes; a code-plug text has at most " +
               std::to_string(kMaxTextFileSize) + " bytes";
    }
    return std::nullopt;
  };
  if (static_cast<unsigned long long>(status.st_size) > kMaxTextFileSize) return tooLarge(status.st_size);
  // One byte more than allowed tells a file that grew while it was read.
  std::string text(kMaxTextFileSize + 1, '\0');
  std::size_t got = 0;
  while (got < text.size()) {
    const ssize_t n = ::read(file.get(), text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (error) *error = std::strerror(errno);
      return std::nullopt;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got > kMaxTextFileSize) return tooLarge(static_cast<long long>(got));
  text.resize(got);
  return text;
}

}  // namespace zt310::text
