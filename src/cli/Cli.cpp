// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Cli.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/JsonReport.h"
#include "codeplug/Hex.h"
#include "codeplug/Layout.h"
#include "codeplug/TableFile.h"
#include "codeplug/TextPlug.h"

namespace zt310::cli {

int UsageError(std::ostream& err, const std::string& usage) {
  err << "Usage: " << usage << "\n";
  return kExitUsage;
}

const std::vector<Verb>& AllVerbs() {
  static const std::vector<Verb> verbs = [] {
    std::vector<Verb> all;
    AddFileVerbs(all);
    AddTextVerbs(all);
    AddEditorVerbs(all);
    AddLinkVerbs(all);
    AddOperationVerbs(all);
    AddHistoryVerbs(all);
    return all;
  }();
  return verbs;
}

bool IsHelpRequest(const std::vector<std::string>& args) {
  const auto end = std::find(args.begin(), args.end(), std::string("--"));
  return std::any_of(args.begin(), end, [](const std::string& a) { return a == "--help" || a == "-h"; });
}

void PrintVerbHelp(const Verb& verb, std::ostream& out) {
  out << "Usage: " << verb.usage << "\n\n" << verb.summary << "\n";
  if (!verb.help.empty()) out << "\n" << verb.help;
  if (!verb.help.empty() && verb.help.back() != '\n') out << "\n";
}

static void PrintToolHelp(std::ostream& out) {
  out << "Usage: zt310 VERB [ARGUMENTS]\n\n"
         "Edit, inspect, write, read and verify ZT310 pager code-plugs (.tbl table files).\n\n"
         "Verbs:\n";
  for (const auto& verb : AllVerbs()) {
    out << "  " << verb.name << std::string(verb.name.size() < 10 ? 10 - verb.name.size() : 1, ' ') << verb.summary
        << "\n";
  }
  out << "\n'zt310 VERB --help' describes a verb.\n"
         "Exit codes: 0 success, 1 the operation failed or found a difference, 2 usage or file error.\n";
}

int RunCli(const std::vector<std::string>& args, Io& io) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintToolHelp(args.empty() ? io.err : io.out);
    return args.empty() ? kExitUsage : kExitOk;
  }
  for (const auto& verb : AllVerbs()) {
    if (verb.name != args[0]) continue;
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (IsHelpRequest(rest)) {
      PrintVerbHelp(verb, io.out);
      return kExitOk;
    }
    return verb.run(rest, io);
  }
  io.err << "zt310: unknown verb '" << args[0] << "'; see 'zt310 --help'.\n";
  return kExitUsage;
}

std::optional<CodePlugImage> LoadTableForCli(const std::string& path, std::ostream& err) {
  CodePlugImage image = FactoryDefaultImage();
  std::optional<CodePlugImage> text;
  if (text::IsTextPlugPath(path) && !(text = LoadTextForCli(path, err))) return std::nullopt;
  const OpenResult result =
      text ? OpenTableBytes({text->data(), text->data() + layout::kImageSize}, image) : OpenTableFile(path, image);
  switch (result.status) {
    case OpenStatus::Opened:
      return image;
    case OpenStatus::NotCodePlug:
      err << path << ": " << kNotCodePlugText << "\n";
      return std::nullopt;
    case OpenStatus::CannotRead:
      err << "Cannot read \"" << path << "\": " << result.detail << "\n";
      return std::nullopt;
  }
  return std::nullopt;
}

std::optional<CodePlugImage> LoadStoredTableForCli(const std::string& path, std::ostream& err) {
  if (text::IsTextPlugPath(path)) {
    auto image = LoadTextForCli(path, err);
    if (image && !FileHasModelSignature({image->data(), image->data() + layout::kImageSize})) {
      err << path << ": " << kNotCodePlugText << "\n";
      return std::nullopt;
    }
    return image;
  }
  std::string reason;
  const auto bytes = ReadFileBytes(path, &reason);
  if (!bytes) {
    err << "Cannot read \"" << path << "\": " << reason << "\n";
    return std::nullopt;
  }
  if (!FileHasModelSignature(*bytes)) {
    err << path << ": " << kNotCodePlugText << "\n";
    return std::nullopt;
  }
  CodePlugImage image = FactoryDefaultImage();
  PlaceFileBytes(image, *bytes);
  return image;
}

namespace {

// A path as a shell takes it: in single quotes unless it is plain.
std::string ShellWord(const std::string& text) {
  const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || (c != '\0' && std::strchr("._/-+,:@%", c) != nullptr);
  });
  if (plain) return text;
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

void WarnWhenStoredChecksumDiffers(const std::string& path, std::ostream& err) {
  const auto bytes = ReadFileBytes(path, nullptr);
  if (!bytes || bytes->size() < static_cast<std::size_t>(layout::kImageChecksum + 2)) return;
  CodePlugImage image = FactoryDefaultImage();
  PlaceFileBytes(image, *bytes);
  const std::uint16_t stored = image.GetWord(layout::kImageChecksum);
  const std::uint16_t computed = ComputeImageChecksum(image);
  if (stored == computed) return;
  const std::string text = "Warning: " + OneLineText(path) + " stores the checksum " + HexWord(stored) +
                           ", but its bytes sum to " + HexWord(computed) +
                           ": the file was changed by another program or is damaged. It is written all the same, "
                           "with the checksum made afresh.";
  err << text << "\n";
  if (JsonReport* report = ActiveJsonReport()) report->AddWarning(text);
}

std::string OneChannelHint(const std::string& path) {
  return "To program a single-channel pager, make a one-channel copy of this file: zt310 set " + ShellWord(path) +
         " chkOneChannel=1 -o ONE-CHANNEL.tbl";
}

bool TakeOption(std::vector<std::string>& args, const std::string& name, std::vector<std::string>& values) {
  for (auto it = args.begin(); it != args.end() && *it != "--";) {
    if (*it == name) {
      if (it + 1 == args.end()) return false;
      values.push_back(*(it + 1));
      it = args.erase(it, it + 2);
    } else if (it->rfind(name + "=", 0) == 0) {
      values.push_back(it->substr(name.size() + 1));
      it = args.erase(it);
    } else {
      ++it;
    }
  }
  return true;
}

bool TakeFlag(std::vector<std::string>& args, const std::string& name) {
  const auto end = std::find(args.begin(), args.end(), std::string("--"));
  const auto it = std::find(args.begin(), end, name);
  if (it == end) return false;
  args.erase(it);
  return true;
}

void DropEndOfOptions(std::vector<std::string>& args) {
  const auto it = std::find(args.begin(), args.end(), std::string("--"));
  if (it != args.end()) args.erase(it);
}

}  // namespace zt310::cli
