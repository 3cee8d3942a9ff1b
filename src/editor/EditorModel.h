// SPDX-License-Identifier: GPL-3.0-or-later
// The editor model: the state of every control of the main window (text,
// list selection, ticked, enabled, visible, front/back) and every rule that
// runs when the user acts on one, without any user interface. Controls are
// keyed by their object names ("edtF1T10", "cboCSpaceF2", ...). The window
// shows this model and forwards the user's actions to it; "zt310 set" drives
// the same model from a script.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "codeplug/CodePlugImage.h"
#include "codeplug/Decode.h"
#include "editor/ControlNames.h"

namespace zt310::editor {

enum class ControlKind { Edit, List, Check, Radio, Label, Panel, Page, Group };

enum class Icon { Exclamation, Information, Question, Error, None };
enum class Buttons { Ok, OkCancel, YesNo };
enum class Answer { Ok, Cancel, Yes, No };

struct Message {
  std::string title;
  std::string text;
  Icon icon = Icon::Exclamation;
  Buttons buttons = Buttons::Ok;
};

inline constexpr const char* kTitle = "ZT310";
inline constexpr const char* kTitlePro = "ZT310Pro";
inline constexpr const char* kFocusSink = names::kEdtNull;

// What a key filter does with one key press, judged on the field's whole text.
struct KeyVerdict {
  bool accept = false;
  bool moveFocusToSink = false;  // Enter
  std::string message;           // shown when the key is swallowed with a message
};
// A key is a character; '\r' is Enter, '\b' is Backspace.
using KeyFilter = std::function<KeyVerdict(const std::string& text, char key)>;

struct Control {
  std::string name;
  ControlKind kind = ControlKind::Edit;
  std::string text;                // edit and label text; a list's shown item text
  std::vector<std::string> items;  // list items
  int selected = -1;               // list selection, -1 = none
  bool checked = false;            // check box / radio button
  bool enabled = true;
  bool visible = true;
  std::string parent;  // container (row panel, group, page); empty = top level
  std::string place;   // controls that share one place on screen: only the front one is seen
  int depth = 0;       // front-to-back order inside a place: higher is in front
  std::string hint;
  KeyFilter filter;  // edits only
};

// One handler per kind of user action; each is optional.
struct Handlers {
  std::function<void()> onEnter;   // after the text was cleared
  std::function<bool()> onLeave;   // commit; false = refused (focus stays in the field)
  std::function<void()> onChange;  // list picked, box clicked, radio chosen
};

class EditorModel;

// The pages register their controls and handlers.
class EditorPart {
 public:
  virtual ~EditorPart() = default;
  virtual void Register(EditorModel& model) = 0;
};

class EditorModel {
 public:
  EditorModel();
  ~EditorModel();
  EditorModel(const EditorModel&) = delete;
  EditorModel& operator=(const EditorModel&) = delete;

  CodePlugImage& image() { return image_; }
  const CodePlugImage& image() const { return image_; }

  // --- controls ---
  Control& Add(Control control);
  Control& At(const std::string& name);  // throws std::out_of_range for unknown names
  const Control& At(const std::string& name) const;
  bool Has(const std::string& name) const { return controls_.count(name) != 0; }
  const std::vector<std::string>& Names() const { return order_; }
  // Every entry point that takes a control's name throws std::out_of_range
  // for a name no control has.
  void SetHandlers(const std::string& name, Handlers handlers);
  Handlers& HandlersOf(const std::string& name);

  // Shown-value helpers that run no handler.
  void SetText(const std::string& name, const std::string& text) { At(name).text = text; }
  void Select(const std::string& name, int index);  // -1 clears; text follows
  void SetChecked(const std::string& name, bool on) { At(name).checked = on; }
  void SetEnabled(const std::string& name, bool on) { At(name).enabled = on; }
  void SetVisible(const std::string& name, bool on) { At(name).visible = on; }
  void BringToFront(const std::string& name);  // in front of its place
  bool IsInFront(const std::string& name) const;
  // Enabled and visible along the whole chain of containers, and in front.
  bool IsActionable(const std::string& name) const;
  // Why a control cannot be acted on ("disabled", "hidden", "behind ..."), empty when it can.
  std::string WhyNotActionable(const std::string& name) const;

  // --- user actions (each reports its messages through the message sink) ---
  void Enter(const std::string& name);            // focus into an edit: text cleared
  bool Key(const std::string& name, char key);    // through the key filter; true = key taken
  bool Leave(const std::string& name);            // commit; false = refused
  void Pick(const std::string& name, int index);  // list item chosen
  bool PickText(const std::string& name, const std::string& item);
  void Click(const std::string& name);      // check box toggled / radio chosen
  void RunChange(const std::string& name);  // a handler run by the program, not the user

  // The control that has the focus ("" = none) and where it goes next.
  const std::string& Focus() const { return focus_; }
  void SetFocus(const std::string& name);  // a control's name, the focus sink or "" (none)
  // Moves the focus to edtNull, so the field that had it runs its commit;
  // a refused commit takes the focus back. False when the commit refused.
  bool MoveFocusToSink();

  // --- messages ---
  // Every message the user would see goes here; questions get the answer back.
  using MessageSink = std::function<Answer(const Message&)>;
  void SetMessageSink(MessageSink sink) { sink_ = std::move(sink); }
  Answer Show(const Message& message);
  void Warn(const std::string& text, const std::string& title = kTitle);
  int MessagesShown() const { return messagesShown_; }

  // --- loading ---
  // Shows the working image in every control, in the one order of the
  // loader table (Loader.cpp).
  void FillControlsFromImage();
  // "Open": the image read from a file replaces the working image, the open
  // steps of the same table run and the controls are filled.
  void OpenImage(const CodePlugImage& image);
  bool Loading() const { return loading_; }

  // --- parts ---
  template <typename Part>
  Part& PartOf() {
    for (auto& part : parts_) {
      if (auto* p = dynamic_cast<Part*>(part.get())) return *p;
    }
    throw std::logic_error("editor part missing");
  }

 private:
  friend std::unique_ptr<EditorModel> CreateEditorModel();
  CodePlugImage image_;
  std::map<std::string, Control> controls_;
  std::vector<std::string> order_;
  std::map<std::string, Handlers> handlers_;
  std::vector<std::unique_ptr<EditorPart>> parts_;
  std::string focus_;
  MessageSink sink_;
  int messagesShown_ = 0;
  bool loading_ = false;
};

// Key filters shared by many fields.
KeyFilter DigitsOnlyFilter();
KeyFilter DecimalsFilter(int decimals);
inline constexpr const char* kNumericMessage = "Please insert a numeric!";
// A time field's value that is no multiple of half a second.
inline constexpr const char* kHalfSecondMessage = "The interval is 0.5 second.";

// Text helpers.
using ::zt310::FormatNumber;
using ::zt310::Trimmed;
// A whole number or decimal text as the fields accept it; nothing for other text.
std::optional<double> ParseNumber(const std::string& text);

// Creates a model with every page registered and the image shown, as the
// main window is at start-up (caption and header stamped).
std::unique_ptr<EditorModel> CreateEditorModel();

}  // namespace zt310::editor
