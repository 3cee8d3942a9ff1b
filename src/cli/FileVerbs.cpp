// SPDX-License-Identifier: GPL-3.0-or-later
// Verbs on table files alone: new, dump, diff.
#include <cstdio>
#include <iostream>

#include "cli/Cli.h"
#include "codeplug/Decode.h"
#include "codeplug/Hex.h"
#include "codeplug/TableFile.h"

namespace zt310::cli {

namespace {

int RunNew(const std::vector<std::string>& argsIn, Io& io) {
  std::vector<std::string> args = argsIn;
  std::vector<std::string> outputs;
  if (!TakeOption(args, "-o", outputs) || outputs.size() != 1) return UsageError(io.err, "zt310 new -o FILE");
  DropEndOfOptions(args);
  if (!args.empty()) return UsageError(io.err, "zt310 new -o FILE");
  CodePlugImage image = FactoryDefaultImage();
  StampCaption(image);
  const SaveResult saved = SaveTableFile(outputs[0], image, SaveKind::Save);
  if (!saved.ok) {
    io.err << saved.error << "\n";
    return kExitUsage;
  }
  return kExitOk;
}

void PrintHex(const CodePlugImage& image, std::ostream& out) {
  for (int row = 0; row < static_cast<int>(layout::kImageSize); row += 16) {
    char decimal[8];
    std::snprintf(decimal, sizeof decimal, "%03d", row);
    out << decimal << ' ' << HexWord(static_cast<std::uint16_t>(row)) << ':';
    for (int i = 0; i < 16; ++i) out << ' ' << HexByte(image[row + i]);
    out << "\n";
  }
}

int RunDump(const std::vector<std::string>& argsIn, Io& io) {
  std::vector<std::string> args = argsIn;
  const bool json = TakeFlag(args, "--json");
  const bool hex = TakeFlag(args, "--hex");
  DropEndOfOptions(args);
  if (args.size() != 1 || (json && hex)) return UsageError(io.err, "zt310 dump FILE [--json | --hex]");
  const auto image = LoadStoredTableForCli(args[0], io.err);
  if (!image) return kExitUsage;
  if (hex) {
    PrintHex(*image, io.out);
  } else if (json) {
    io.out << DecodedToJson(DecodeImage(*image));
  } else {
    for (const auto& field : FlattenDecoded(DecodeImage(*image))) {
      io.out << field.path << " = " << OneLineText(field.text) << "\n";
    }
  }
  return kExitOk;
}

int RunDiff(const std::vector<std::string>& argsIn, Io& io) {
  std::vector<std::string> args = argsIn;
  DropEndOfOptions(args);
  if (args.size() != 2) return UsageError(io.err, "zt310 diff A B");
  const auto a = LoadStoredTableForCli(args[0], io.err);
  if (!a) return kExitUsage;
  const auto b = LoadStoredTableForCli(args[1], io.err);
  if (!b) return kExitUsage;
  const auto fieldsA = FlattenDecoded(DecodeImage(*a));
  const auto fieldsB = FlattenDecoded(DecodeImage(*b));
  bool differ = false;
  for (std::size_t i = 0; i < fieldsA.size() && i < fieldsB.size(); ++i) {
    if (fieldsA[i].text == fieldsB[i].text) continue;
    differ = true;
    io.out << fieldsA[i].path << ": " << OneLineText(fieldsA[i].text) << " -> " << OneLineText(fieldsB[i].text) << "\n";
  }
  // Bytes no field shows (identity, reserved) still make two files different.
  if (!differ && a->bytes() != b->bytes()) {
    for (int offset = 0; offset < static_cast<int>(layout::kImageSize); ++offset) {
      if ((*a)[offset] == (*b)[offset]) continue;
      io.out << "byte " << offset << ": " << HexByte((*a)[offset]) << " -> " << HexByte((*b)[offset]) << "\n";
    }
    differ = true;
  }
  return differ ? kExitFailed : kExitOk;
}

}  // namespace

void AddFileVerbs(std::vector<Verb>& verbs) {
  verbs.push_back({"new", "zt310 new -o FILE", "Write the factory default code-plug to FILE.",
                   "  -o FILE  the table file to write\n"
                   "The file is stored as \"Save\" stores it: checksum and header stamped, an existing FILE kept\n"
                   "as NAME.BAK beside it.\n"
                   "Exit codes: 0 written, 2 usage error or the file cannot be written.\n",
                   RunNew});
  verbs.push_back({"dump", "zt310 dump FILE [--json | --hex]", "Show every field of a table file.",
                   "Options:\n"
                   "  --json   a stable machine-readable form\n"
                   "  --hex    the 512 bytes, 16 a row, with decimal and hexadecimal offsets\n"
                   "The bytes are shown as FILE stores them (\"Open\" would change bytes 136, 411, 412 and an\n"
                   "old squelch table). In plain text other than printable ASCII is shown as \\xHH; JSON\n"
                   "escapes it as \\u00HH.\n"
                   "Exit codes: 0 shown, 2 usage error, or FILE cannot be read or is not a ZT310 code-plug.\n",
                   RunDump});
  verbs.push_back({"diff", "zt310 diff A B", "List the fields that differ between two table files.",
                   "One line per field: PATH: VALUE-IN-A -> VALUE-IN-B. Bytes that no field shows are listed by\n"
                   "offset when nothing else differs. Both files are compared as stored.\nExit codes: 0 equal, 1 "
                   "different, 2 usage or file error.\n",
                   RunDiff});
}

}  // namespace zt310::cli
