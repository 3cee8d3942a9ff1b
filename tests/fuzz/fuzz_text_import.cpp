// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a code-plug text, read from a real file as every verb reads
// one: nothing may crash, hang or grow without bound. A text that imports
// gives an image whose own text imports back to the very same bytes.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "codeplug/TextPlug.h"
#include "editor/TextImport.h"

using namespace zt310;

namespace {

// The bytes as a file, without touching the disk.
class MemoryFile {
 public:
  MemoryFile() : fd_(::memfd_create("fuzz.yaml", 0)), path_("/proc/self/fd/" + std::to_string(fd_)) {
    if (fd_ < 0) std::abort();
  }
  void Fill(const std::uint8_t* data, std::size_t size) {
    if (::ftruncate(fd_, 0) != 0 || ::pwrite(fd_, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
  }
  const std::string& Path() const { return path_; }

 private:
  int fd_;
  std::string path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static MemoryFile file;
  file.Fill(data, size);
  std::string error;
  const auto text = text::ReadTextPlugFile(file.Path(), &error);
  if (!text) {
    if (size <= text::kMaxTextFileSize) std::abort();  // only an oversized file is refused
    return 0;
  }
  static const CodePlugImage base = editor::TextBaseImage();
  const editor::TextImportResult imported = editor::ImportText(*text, base);
  if (!imported.image) {
    if (imported.error.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  const editor::TextImportResult again = editor::ImportText(editor::ExportText(*imported.image), base);
  if (!again.image || *again.image != *imported.image) std::abort();
  return 0;
}
