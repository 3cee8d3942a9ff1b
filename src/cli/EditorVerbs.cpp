// keys, get and set: the editor model driven from a script. A file is loaded
// as "Open" loads it; "set" then acts on the controls exactly as a user
// would (enter a field, type the value key by key, leave it; pick a list
// item; click a box) and saves the image as "Save" stores it.
#include <algorithm>
#include <iostream>

#include "cli/Cli.h"
#include "codeplug/TableFile.h"
#include "editor/EditorModel.h"
#include "editor/TextEntry.h"

namespace zt310::cli {

namespace {

using editor::Control;
using editor::ControlKind;
using editor::EditorModel;

// The value a control shows: the text of an edit, a label or a list's item,
// 1 or 0 for a box or radio button.
std::string ShownValue(const Control& control) {
  if (control.kind == ControlKind::Check || control.kind == ControlKind::Radio) return control.checked ? "1" : "0";
  return control.text;
}

std::string OneLine(const std::string& text) {
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      line += "\\n";
    } else if (c != '\r') {
      line += c;
    }
  }
  return line;
}

// A model with every page, messages printed to err as "TITLE: text", showing FILE.
std::unique_ptr<EditorModel> OpenInEditor(const std::string& path, std::ostream& err) {
  const auto image = LoadTableForCli(path, err);
  if (!image) return nullptr;
  auto model = editor::CreateEditorModel();
  model->SetMessageSink([&err](const editor::Message& message) {
    err << message.title << ": " << OneLine(message.text) << "\n";
    return message.buttons == editor::Buttons::YesNo ? editor::Answer::Yes : editor::Answer::Ok;
  });
  model->OpenImage(*image);
  return model;
}

struct Assignment {
  std::string name;
  std::string value;
};

// Checks an assignment against the control it names; empty when it can be tried.
std::string AssignmentError(const EditorModel& model, const Assignment& a) {
  if (!model.Has(a.name)) return "no control named '" + a.name + "'; 'zt310 keys FILE' lists them";
  const Control& control = model.At(a.name);
  switch (control.kind) {
    case ControlKind::Edit:
      return {};
    case ControlKind::List:
      if (std::find(control.items.begin(), control.items.end(), a.value) != control.items.end()) return {};
      {
        std::string items;
        for (const auto& item : control.items) items += (items.empty() ? "\"" : ", \"") + item + "\"";
        return a.name + " has no item \"" + a.value + "\"; its items are " + items;
      }
    case ControlKind::Check:
      if (a.value == "0" || a.value == "1") return {};
      return a.name + " is a check box: its value is 1 (ticked) or 0 (clear)";
    case ControlKind::Radio:
      if (a.value == "1") return {};
      return a.name + " is a radio button: it can only be chosen, with the value 1";
    default:
      return a.name + " cannot be changed by the user";
  }
}

std::string KeyText(char key) {
  const auto byte = static_cast<unsigned char>(key);
  if (byte >= 0x21 && byte < 0x7F) return std::string(1, key);
  static const char* digits = "0123456789ABCDEF";
  return std::string("\\x") + digits[byte >> 4] + digits[byte & 15];
}

// An edit field as a user fills it (editor::TypeInto). A key the filter drops
// without a message would store something else than VALUE unnoticed: the field
// is left empty instead (its stored value stays) and the refusal returned. A
// key refused with a message goes on as the user would, the message telling
// what happened.
std::optional<std::string> TypeIntoField(EditorModel& model, const std::string& name, const std::string& value) {
  const editor::TypingResult typed = editor::TypeInto(model, name, value, editor::DroppedKey::Refuse);
  if (!typed.refusedKey) return std::nullopt;
  const std::size_t at = *typed.refusedKey;
  std::string dropped;
  for (std::size_t j = at; j < value.size(); ++j) dropped += KeyText(value[j]);
  return name + " takes no '" + KeyText(value[at]) + "': " + name + "=" + value + " refused (keys not typed: " +
         dropped + ")";
}

// Empty when applied; otherwise why VALUE could not be typed.
std::optional<std::string> Apply(EditorModel& model, const Assignment& a) {
  const Control& control = model.At(a.name);
  switch (control.kind) {
    case ControlKind::Edit:
      return TypeIntoField(model, a.name, a.value);
    case ControlKind::List:
      model.PickText(a.name, a.value);
      break;
    case ControlKind::Check:
      if (control.checked != (a.value == "1")) model.Click(a.name);
      break;
    case ControlKind::Radio:
      model.Click(a.name);
      break;
    default:
      break;
  }
  return std::nullopt;
}

int RunKeys(const std::vector<std::string>& argsIn, Io& io) {
  std::vector<std::string> args = argsIn;
  DropEndOfOptions(args);
  if (args.size() != 1) {
    io.err << "Usage: zt310 keys FILE\n";
    return kExitUsage;
  }
  const auto model = OpenInEditor(args[0], io.err);
  if (!model) return kExitUsage;
  for (const auto& name : model->Names()) {
    io.out << name << '\t' << OneLine(ShownValue(model->At(name)));
    const std::string why = model->WhyNotActionable(name);
    if (!why.empty()) io.out << "\t(" << why << ")";
    io.out << '\n';
  }
  return kExitOk;
}

int RunGet(const std::vector<std::string>& argsIn, Io& io) {
  std::vector<std::string> args = argsIn;
  DropEndOfOptions(args);
  if (args.size() < 2) {
    io.err << "Usage: zt310 get FILE NAME...\n";
    return kExitUsage;
  }
  const auto model = OpenInEditor(args[0], io.err);
  if (!model) return kExitUsage;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (!model->Has(args[i])) {
      io.err << "zt310 get: no control named '" << args[i] << "'; 'zt310 keys FILE' lists them\n";
      return kExitUsage;
    }
  }
  for (std::size_t i = 1; i < args.size(); ++i) io.out << OneLine(ShownValue(model->At(args[i]))) << '\n';
  return kExitOk;
}

int RunSet(const std::vector<std::string>& argsIn, Io& io) {
  std::vector<std::string> args = argsIn;
  std::vector<std::string> outputs;
  if (!TakeOption(args, "-o", outputs) || outputs.size() > 1) {
    io.err << "Usage: zt310 set FILE NAME=VALUE... [-o OUT]\n";
    return kExitUsage;
  }
  DropEndOfOptions(args);
  if (args.empty()) {
    io.err << "Usage: zt310 set FILE NAME=VALUE... [-o OUT]\n";
    return kExitUsage;
  }
  const std::string file = args[0];
  std::vector<Assignment> assignments;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const auto eq = args[i].find('=');
    if (eq == std::string::npos || eq == 0) {
      io.err << "zt310 set: '" << args[i] << "' is not NAME=VALUE\n";
      return kExitUsage;
    }
    assignments.push_back({args[i].substr(0, eq), args[i].substr(eq + 1)});
  }
  if (assignments.empty()) {
    io.err << "Usage: zt310 set FILE NAME=VALUE... [-o OUT]\n";
    return kExitUsage;
  }

  // Held from the load to the save, so a concurrent set on the same file
  // either waits for this one or sees its result.
  const std::string target = outputs.empty() ? file : outputs[0];
  std::string lockError;
  const auto lock = TableFileLock::Acquire(target, &lockError);
  if (!lock) {
    io.err << "zt310 set: " << lockError << "\n";
    return kExitUsage;
  }
  const auto model = OpenInEditor(file, io.err);
  if (!model) return kExitUsage;
  for (const auto& a : assignments) {
    if (const std::string error = AssignmentError(*model, a); !error.empty()) {
      io.err << "zt310 set: " << error << "\n";
      return kExitUsage;
    }
  }

  int refused = 0;
  for (const auto& a : assignments) {
    const std::string why = model->WhyNotActionable(a.name);
    if (!why.empty()) {
      io.err << "zt310 set: " << a.name << " is " << why << "; " << a.name << "=" << a.value << " refused\n";
      ++refused;
      continue;
    }
    if (const auto refusal = Apply(*model, a)) {
      io.err << "zt310 set: " << *refusal << "\n";
      ++refused;
    }
  }

  const SaveResult saved = SaveImageForCli(*lock, model->image(), SaveKind::Save);
  if (!saved.ok) {
    io.err << "zt310 set: " << saved.error << "\n";
    return kExitUsage;
  }
  return model->MessagesShown() > 0 || refused > 0 ? kExitFailed : kExitOk;
}

}  // namespace

void AddEditorVerbs(std::vector<Verb>& verbs) {
  verbs.push_back({"keys", "zt310 keys FILE", "List every editor control with what it shows.",
                   "Loads FILE as \"Open\" does and prints one line per control: its name, a tab and\n"
                   "its shown text (1 or 0 for a box or radio button, the item for a list). A control\n"
                   "the user cannot reach gets a third column saying why (disabled, hidden, behind).\n"
                   "Exit codes: 0 listed, 2 usage or file error.\n",
                   RunKeys});
  verbs.push_back({"get", "zt310 get FILE NAME...", "Show what the named editor controls show.",
                   "Loads FILE as \"Open\" does and prints, one per line, the shown text of each named\n"
                   "control (1 or 0 for a box or radio button, the item text for a list).\n"
                   "Exit codes: 0 shown, 2 usage, unknown name or file error.\n",
                   RunGet});
  verbs.push_back(
      {"set", "zt310 set FILE NAME=VALUE... [-o OUT]", "Edit a code-plug through the editor, as a user would.",
       "Loads FILE as \"Open\" does, then applies each assignment in order:\n"
       "  edit field   entered (cleared), VALUE typed key by key through its key filter, left (committed)\n"
       "  list         the item whose text is VALUE is picked\n"
       "  check box    clicked when its state differs from VALUE (1 ticked, 0 clear)\n"
       "  radio button clicked (VALUE must be 1)\n"
       "A control that is disabled, hidden or behind another is refused, naming it. A VALUE\n"
       "with a key the field's filter drops without a message (a letter in a number, a digit\n"
       "too many after the point, a non-ASCII character) is refused, naming the key; the\n"
       "field keeps its stored value.\n"
       "  -o OUT       where the edited code-plug goes (default: FILE itself)\n"
       "Every message the editor shows is printed to stderr as TITLE: text. The image is\n"
       "saved to OUT (default FILE) as \"Save\" stores it (the old file kept as .BAK).\n"
       "Exit codes: 0 no message shown, 1 a message was shown or an assignment refused,\n"
       "2 usage, unknown control or value, or file error.\n",
       RunSet});
}

}  // namespace zt310::cli
