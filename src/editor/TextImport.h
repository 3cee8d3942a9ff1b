// SPDX-License-Identifier: GPL-3.0-or-later
// Code-plugs as text, through the editor: export writes what every control
// shows under the key "zt310 dump" gives its field; import types, picks and
// clicks those values into the controls in the window's order, exactly as a
// user would, and takes the "bytes:" section last. Export lists in "bytes:"
// every byte that applying its own fields to the factory default does not
// give, so import after export yields the same 512 bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codeplug/CodePlugImage.h"
#include "codeplug/TableFile.h"

namespace zt310::editor {

// What import starts from without a base: the factory default as
// "zt310 new" stores it.
CodePlugImage TextBaseImage();

// The text of IMAGE (as stored, no "Open" rules), relative to TextBaseImage.
std::string ExportText(const CodePlugImage& image);

struct TextImportResult {
  std::optional<CodePlugImage> image;  // empty when refused
  std::string error;                   // "LINE:COLUMN: KEY: reason"
};

// Applies TEXT to BASE (shown as "Open" shows an image). The first refused or
// unknown value stops it: nothing is returned but the error.
TextImportResult ImportText(std::string_view text, const CodePlugImage& base);

// "Open" of a code-plug text: imported onto TextBaseImage, then the rules
// of opening a table file of those bytes. CannotRead with the reason in
// detail when the file cannot be read; NotCodePlug with "LINE:COLUMN: KEY:
// reason" in *refusal when the text is refused. IMAGE is unchanged unless
// Opened.
OpenResult OpenTextFile(const std::filesystem::path& path, CodePlugImage& image, std::string* refusal);

// "Save" and "Save As ..." to a code-plug text: the image is stamped as for
// a table file, then its text stored with the same care.
SaveResult SaveTextFile(const std::filesystem::path& path, CodePlugImage& image, SaveKind kind);
SaveResult SaveTextFile(const TableFileLock& lock, CodePlugImage& image, SaveKind kind);

// Every key a text may hold, in the order export writes them.
std::vector<std::string> TextKeys();

}  // namespace zt310::editor
