// SPDX-License-Identifier: GPL-3.0-or-later
// Verbs on code-plug texts: export, import; and the loading and saving that
// lets every verb taking a table file take a text (".yaml") as well.
#include <iostream>

#include "cli/Cli.h"
#include "codeplug/TableFile.h"
#include "codeplug/TextPlug.h"
#include "editor/TextImport.h"

namespace zt310::cli {

std::optional<CodePlugImage> LoadTextForCli(const std::string& path, std::ostream& err,
                                            const std::optional<CodePlugImage>& base) {
  std::string reason;
  const auto text = text::ReadTextPlugFile(path, &reason);
  if (!text) {
    err << "Cannot read \"" << path << "\": " << reason << "\n";
    return std::nullopt;
  }
  const editor::TextImportResult imported = editor::ImportText(*text, base ? *base : editor::TextBaseImage());
  if (!imported.image) {
    err << path << ":" << imported.error << "\n";
    return std::nullopt;
  }
  return imported.image;
}

SaveResult SaveImageForCli(const std::string& path, CodePlugImage& image, SaveKind kind) {
  if (!text::IsTextPlugPath(path)) return SaveTableFile(path, image, kind);
  return editor::SaveTextFile(path, image, kind);
}

SaveResult SaveImageForCli(const TableFileLock& lock, CodePlugImage& image, SaveKind kind) {
  if (!text::IsTextPlugPath(lock.Named())) return SaveTableFile(lock, image, kind);
  return editor::SaveTextFile(lock, image, kind);
}

namespace {

constexpr const char* kExportUsage = "zt310 export FILE [-o OUT.yaml]";
constexpr const char* kImportUsage = "zt310 import FILE.yaml -o OUT.tbl [--base BASE.tbl]";

int RunExport(const std::vector<std::string>& argsIn, Io& io) {
  std::vector<std::string> args = argsIn;
  std::vector<std::string> outputs;
  if (!TakeOption(args, "-o", outputs) || outputs.size() > 1) return UsageError(io.err, kExportUsage);
  DropEndOfOptions(args);
  if (args.size() != 1) return UsageError(io.err, kExportUsage);
  const auto image = LoadStoredTableForCli(args[0], io.err);
  if (!image) return kExitUsage;
  const std::string written = editor::ExportText(*image);
  if (outputs.empty()) {
    io.out << written;
    return kExitOk;
  }
  const SaveResult saved = SaveFileContents(outputs[0], std::vector<std::uint8_t>(written.begin(), written.end()));
  if (!saved.ok) {
    io.err << saved.error << "\n";
    return kExitUsage;
  }
  return kExitOk;
}

int RunImport(const std::vector<std::string>& argsIn, Io& io) {
  std::vector<std::string> args = argsIn;
  std::vector<std::string> outputs;
  std::vector<std::string> bases;
  if (!TakeOption(args, "-o", outputs) || !TakeOption(args, "--base", bases) || outputs.size() != 1 ||
      bases.size() > 1) {
    return UsageError(io.err, kImportUsage);
  }
  DropEndOfOptions(args);
  if (args.size() != 1) return UsageError(io.err, kImportUsage);
  std::optional<CodePlugImage> base;
  if (!bases.empty()) {
    base = LoadTableForCli(bases[0], io.err);
    if (!base) return kExitUsage;
  }
  const auto image = LoadTextForCli(args[0], io.err, base);
  if (!image) {
    io.err << "Nothing was written.\n";
    return kExitUsage;
  }
  CodePlugImage result = *image;
  // The bytes as the text gives them: an exported text gives back its
  // image byte for byte, stale checksum and all.
  const SaveResult saved =
      text::IsTextPlugPath(outputs[0])
          ? SaveImageForCli(outputs[0], result, SaveKind::Save)
          : SaveFileContents(outputs[0], std::vector<std::uint8_t>(result.data(), result.data() + layout::kImageSize));
  if (!saved.ok) {
    io.err << saved.error << "\n";
    return kExitUsage;
  }
  return kExitOk;
}

}  // namespace

void AddTextVerbs(std::vector<Verb>& verbs) {
  verbs.push_back({"export", kExportUsage, "Write a code-plug as text (YAML), one field per line.",
                   "FILE is a table file (or a text). The text names each field as 'zt310 dump' does and gives it\n"
                   "the value the window shows (tones in Hz, the RF frequency as shown, times in seconds, voltages\n"
                   "in volts, list items by their texts). Its first line names the format and its version; bytes\n"
                   "that no field gives are listed under 'bytes:' by offset, so 'zt310 import' gives back the same\n"
                   "512 bytes. FILE is read as stored, without the \"Open\" rules.\n"
                   "  -o OUT.yaml  where the text goes (default: standard output); an existing OUT is kept as .BAK\n"
                   "Exit codes: 0 written, 2 usage or file error.\n",
                   RunExport});
  verbs.push_back(
      {"import", kImportUsage, "Make a table file from a code-plug text.",
       "Starts from the factory default (as 'zt310 new' makes it) or from BASE, loaded as \"Open\" loads\n"
       "it, and puts every field of FILE.yaml into the editor in the window's order, as typing, picking\n"
       "and clicking it would: the same normalisations, the same refusals. Fields the text leaves out\n"
       "keep the base's values. The 'bytes:' section is applied last. A refused or unknown value stops\n"
       "the import with FILE:LINE:COLUMN: KEY: reason, and nothing is written.\n"
       "  -o OUT.tbl       the table file to write (an existing one is kept as .BAK); OUT.yaml writes text\n"
       "  --base BASE.tbl  the code-plug the fields are applied to\n"
       "Exit codes: 0 written, 2 usage, file error or a refused value.\n",
       RunImport});
}

}  // namespace zt310::cli
