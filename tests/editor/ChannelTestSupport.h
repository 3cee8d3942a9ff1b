// A headless editor for the channel page tests: every message is recorded,
// fields are typed into as a user types.
#pragma once

#include <QtTest>

#include <memory>
#include <string>
#include <vector>

#include "codeplug/CodePlugImage.h"
#include "editor/ChannelPages.h"
#include "editor/EditorModel.h"

namespace zt310::editor::test {

struct Editor {
  std::unique_ptr<EditorModel> model = CreateEditorModel();
  std::vector<Message> messages;

  Editor() {
    model->SetMessageSink([this](const Message& m) {
      messages.push_back(m);
      return Answer::Ok;
    });
  }
  explicit Editor(const CodePlugImage& image) : Editor() { Load(image); }

  void Load(const CodePlugImage& image) {
    model->OpenImage(image);
  }
  ChannelPages& pages() { return model->PartOf<ChannelPages>(); }
  CodePlugImage& image() { return model->image(); }
  const Control& at(const std::string& name) { return model->At(name); }
  std::string text(const std::string& name) { return model->At(name).text; }

  // Enter, type key by key, leave (the commit runs once).
  bool Type(const std::string& name, const std::string& value) {
    model->Enter(name);
    for (char key : value) {
      model->Key(name, key);
      if (model->Focus() != name) return model->Leave(name);
    }
    model->SetFocus(kFocusSink);
    return model->Leave(name);
  }
  void Pick(const std::string& name, const std::string& item) { QVERIFY(model->PickText(name, item)); }
  // Sets a box to the wanted state by clicking it when it differs.
  void Tick(const std::string& name, bool on) {
    if (model->At(name).checked != on) model->Click(name);
  }
  std::string LastText() const { return messages.empty() ? std::string() : messages.back().text; }
};

// The factory default with a few changes applied, for images that must be loaded.
inline CodePlugImage DefaultImage() {
  CodePlugImage image = FactoryDefaultImage();
  StampCaption(image);
  StampHeader(image);
  return image;
}

}  // namespace zt310::editor::test
