// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes of any length as a table file: "Open" and the start-up load of
// "default.tbl" read them from a real file, the editor shows the image and
// the decoder lists it. Nothing may crash; a refused file leaves the image
// as it was, and an opened one always yields exactly one 512-byte image.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "codeplug/Decode.h"
#include "codeplug/TableFile.h"
#include "editor/EditorModel.h"

using namespace zt310;

namespace {

// The bytes as a file, without touching the disk.
class MemoryFile {
 public:
  MemoryFile() : fd_(::memfd_create("fuzz.tbl", 0)), path_("/proc/self/fd/" + std::to_string(fd_)) {
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

editor::EditorModel& Model() {
  static auto model = [] {
    auto created = editor::CreateEditorModel();
    created->SetMessageSink([](const editor::Message&) { return editor::Answer::Ok; });
    return created;
  }();
  return *model;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static MemoryFile file;
  file.Fill(data, size);

  CodePlugImage opened = FactoryDefaultImage();
  const CodePlugImage before = opened;
  const OpenResult result = OpenTableFile(file.Path(), opened);
  if (result.status != OpenStatus::Opened && opened != before) std::abort();

  CodePlugImage loaded = FactoryDefaultImage();
  if (!LoadDefaultTableFile(file.Path(), loaded)) std::abort();

  editor::EditorModel& model = Model();
  model.OpenImage(result.status == OpenStatus::Opened ? opened : loaded);

  const std::string json = DecodedToJson(DecodeImage(loaded));
  if (json.empty()) std::abort();
  return 0;
}
