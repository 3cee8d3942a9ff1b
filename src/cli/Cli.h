// SPDX-License-Identifier: GPL-3.0-or-later
// The zt310 command-line tool: one entry per verb. Data goes to stdout,
// messages to stderr. Exit codes: 0 success, 1 the operation failed or found
// a difference, 2 usage or file errors.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "codeplug/CodePlugImage.h"
#include "codeplug/TableFile.h"

namespace zt310::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// "Usage: ..." on err; returns kExitUsage.
int UsageError(std::ostream& err, const std::string& usage);

struct Io {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
};

struct Verb {
  std::string name;
  std::string usage;    // one line: "zt310 dump FILE [--json | --hex]"
  std::string summary;  // what it does, one line
  std::string help;     // the rest of the verb's help: options, exit codes
  std::function<int(const std::vector<std::string>& args, Io& io)> run;
};

// Every verb, in the order --help lists them.
const std::vector<Verb>& AllVerbs();
int RunCli(const std::vector<std::string>& args, Io& io);

// Verb groups; each file adds its own.
void AddFileVerbs(std::vector<Verb>& verbs);
void AddTextVerbs(std::vector<Verb>& verbs);
void AddEditorVerbs(std::vector<Verb>& verbs);
void AddLinkVerbs(std::vector<Verb>& verbs);
void AddOperationVerbs(std::vector<Verb>& verbs);
void AddHistoryVerbs(std::vector<Verb>& verbs);

// Small shared helpers for verbs.
// Loads FILE with the "Open" rules (a code-plug text is first turned into
// the table file it stands for); on failure prints the reason and returns nothing.
std::optional<CodePlugImage> LoadTableForCli(const std::string& path, std::ostream& err);
// The file's bytes as stored, without the "Open" rules (the model signature
// is still checked); a short file keeps the factory bytes beyond its end.
std::optional<CodePlugImage> LoadStoredTableForCli(const std::string& path, std::ostream& err);
// Write and produce go on after it (the pager gets a checksum made afresh),
// but a stored checksum that does not match the file's bytes means the file
// was changed by another program or damaged: a warning on err, also kept
// for --json. Nothing when it matches or the file cannot be read.
void WarnWhenStoredChecksumDiffers(const std::string& path, std::ostream& err);
// What to run when a single-channel pager refuses the two-channel FILE: a
// one-channel copy, leaving FILE (a production master, often) as it is.
std::string OneChannelHint(const std::string& path);
// A code-plug text (".yaml", ".yml") imported onto BASE (default: the
// factory default); on failure prints FILE:LINE:COLUMN: KEY: reason.
std::optional<CodePlugImage> LoadTextForCli(const std::string& path, std::ostream& err,
                                            const std::optional<CodePlugImage>& base = std::nullopt);
// Saves as SaveTableFile does, or, for a ".yaml" name, the image's text.
SaveResult SaveImageForCli(const std::string& path, CodePlugImage& image, SaveKind kind);
SaveResult SaveImageForCli(const TableFileLock& lock, CodePlugImage& image, SaveKind kind);
bool IsHelpRequest(const std::vector<std::string>& args);
void PrintVerbHelp(const Verb& verb, std::ostream& out);
// Options end at "--": what follows it is never taken as an option.
// Takes "--name VALUE" out of args; returns false on a missing value.
bool TakeOption(std::vector<std::string>& args, const std::string& name, std::vector<std::string>& values);
bool TakeFlag(std::vector<std::string>& args, const std::string& name);
// Removes the "--" that ends the options, once they are all taken.
void DropEndOfOptions(std::vector<std::string>& args);

}  // namespace zt310::cli
