// SPDX-License-Identifier: GPL-3.0-or-later
// keys, get and set: the editor model driven from a script. A file is loaded
// as "Open" loads it; "set" then acts on the controls exactly as a user
// would (enter a field, type the value key by key, leave it; pick a list
// item; click a box) and saves the image as "Save" stores it.
#include <algorithm>
#include <filesystem>
#include <iostream>

#include <QJsonArray>
#include <QJsonObject>

#include "cli/Cli.h"
#include "cli/JsonReport.h"
#include "codeplug/Hex.h"
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

// One line of printable ASCII whatever the image holds: a line end as \n
// (a CR before it dropped), other bytes outside printable ASCII and the
// backslash as \xHH, as "zt310 dump" shows them.
std::string OneLine(const std::string& text) {
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      line += "\\n";
    } else if (text[i] != '\r' || i + 1 >= text.size() || text[i + 1] != '\n') {
      line += OneLineText(text.substr(i, 1));
    }
  }
  return line;
}

const char* KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::Edit:
      return "edit";
    case ControlKind::List:
      return "list";
    case ControlKind::Check:
      return "check";
    case ControlKind::Radio:
      return "radio";
    case ControlKind::Label:
      return "label";
    case ControlKind::Panel:
      return "panel";
    case ControlKind::Page:
      return "page";
    case ControlKind::Group:
      return "group";
  }
  return "control";
}

// A model with every page, messages printed to err as "TITLE: text" (and
// kept in *shown when given), showing FILE.
std::unique_ptr<EditorModel> OpenInEditor(const std::string& path, std::ostream& err,
                                          std::vector<std::string>* shown = nullptr) {
  const auto image = LoadTableForCli(path, err);
  if (!image) return nullptr;
  auto model = editor::CreateEditorModel();
  model->SetMessageSink([&err, shown](const editor::Message& message) {
    err << message.title << ": " << OneLine(message.text) << "\n";
    if (shown) shown->push_back(OneLine(message.text));
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
  return "\\x" + HexByte(byte);
}

// Text as a message shows it: in quotes, bytes outside printable ASCII as \xHH.
std::string Quoted(const std::string& text) { return "\"" + OneLineText(text) + "\""; }

// Why an assignment was refused; nothing when it went through. An edit
// field is typed as a user types (editor::TypeInto): every key its filter
// drops is named, and the cut value is never committed. A commit its rules
// refuse, or any message the rules show on the way, refuses it too.
std::optional<std::string> Apply(EditorModel& model, const Assignment& a, const std::vector<std::string>& shown) {
  const std::string what = a.name + "=" + OneLineText(a.value) + " refused: ";
  const std::size_t messagesBefore = shown.size();
  const Control& control = model.At(a.name);
  bool stayed = true;
  switch (control.kind) {
    case ControlKind::Edit: {
      const editor::TypingResult typed = editor::TypeInto(model, a.name, a.value, editor::DroppedKey::Refuse);
      if (!typed.droppedKeys.empty()) {
        std::string dropped;
        for (const std::size_t at : typed.droppedKeys) {
          dropped += (dropped.empty() ? "'" : " '") + KeyText(a.value[at]) + "'";
        }
        return a.name + " takes no '" + KeyText(a.value[typed.droppedKeys.front()]) + "': " + a.name + "=" +
               OneLineText(a.value) + " refused (keys dropped: " + dropped + "; the field received " +
               Quoted(typed.received) + ")";
      }
      stayed = typed.committed;
      break;
    }
    case ControlKind::List:
      model.PickText(a.name, a.value);
      stayed = model.At(a.name).text == a.value;
      break;
    case ControlKind::Check:
      if (control.checked != (a.value == "1")) model.Click(a.name);
      stayed = model.At(a.name).checked == (a.value == "1");
      break;
    case ControlKind::Radio:
      model.Click(a.name);
      stayed = model.At(a.name).checked;
      break;
    default:
      break;
  }
  std::string said;
  for (std::size_t i = messagesBefore; i < shown.size(); ++i) said += (said.empty() ? "" : " / ") + shown[i];
  if (!said.empty()) return what + "the field's rules said: " + said;
  if (!stayed) {
    return what + "the field's rules did not take it (" + a.name + " shows " + Quoted(ShownValue(model.At(a.name))) +
           ")";
  }
  return std::nullopt;
}

int RunKeys(const std::vector<std::string>& argsIn, Io& io) {
  std::vector<std::string> args = argsIn;
  DropEndOfOptions(args);
  if (args.size() != 1) {
    io.err << "Usage: zt310 keys FILE [--json]\n";
    return kExitUsage;
  }
  const auto model = OpenInEditor(args[0], io.err);
  if (!model) return kExitUsage;
  if (JsonReport* report = ActiveJsonReport()) {
    QJsonArray controls;
    for (const auto& name : model->Names()) {
      const std::string why = model->WhyNotActionable(name);
      controls.append(
          QJsonObject{{"name", QString::fromStdString(name)},
                      {"kind", KindName(model->At(name).kind)},
                      {"value", ImageTextValue(ShownValue(model->At(name)))},
                      {"unavailable", why.empty() ? QJsonValue() : QJsonValue(QString::fromStdString(why))}});
    }
    PrintJsonLine(QJsonObject{{"file", UserTextValue(args[0])}, {"controls", controls}}, io.out);
    report->MarkPrinted();
    return kExitOk;
  }
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
    io.err << "Usage: zt310 get FILE NAME... [--json]\n";
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
  if (JsonReport* report = ActiveJsonReport()) {
    QJsonObject values;
    for (std::size_t i = 1; i < args.size(); ++i) {
      values[QString::fromStdString(args[i])] = ImageTextValue(ShownValue(model->At(args[i])));
    }
    PrintJsonLine(QJsonObject{{"file", UserTextValue(args[0])}, {"values", values}}, io.out);
    report->MarkPrinted();
    return kExitOk;
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
  std::vector<std::string> shown;
  const auto model = OpenInEditor(file, io.err, &shown);
  if (!model) return kExitUsage;
  for (const auto& a : assignments) {
    if (const std::string error = AssignmentError(*model, a); !error.empty()) {
      io.err << "zt310 set: " << error << "\n";
      return kExitUsage;
    }
  }
  const bool loadShowedMessages = model->MessagesShown() > 0;

  // The model holds a copy of FILE: every assignment is tried on it, and it
  // is saved only when all of them went through.
  int refused = 0;
  for (const auto& a : assignments) {
    const std::string why = model->WhyNotActionable(a.name);
    if (!why.empty()) {
      io.err << "zt310 set: " << a.name << " is " << why << "; " << a.name << "=" << OneLineText(a.value)
             << " refused\n";
      ++refused;
      continue;
    }
    if (const auto refusal = Apply(*model, a, shown)) {
      io.err << "zt310 set: " << *refusal << "\n";
      ++refused;
    }
  }
  if (refused > 0) {
    io.err << "zt310 set: nothing was saved; " << target
           << (std::filesystem::exists(target) ? " is left as it was" : " was not written") << "\n";
    return kExitFailed;
  }

  const SaveResult saved = SaveImageForCli(*lock, model->image(), SaveKind::Save);
  if (!saved.ok) {
    io.err << "zt310 set: " << saved.error << "\n";
    return kExitUsage;
  }
  return loadShowedMessages ? kExitFailed : kExitOk;
}

}  // namespace

void AddEditorVerbs(std::vector<Verb>& verbs) {
  verbs.push_back({"keys", "zt310 keys FILE [--json]", "List every editor control with what it shows.",
                   "Loads FILE as \"Open\" does and prints one line per control: its name, a tab and\n"
                   "its shown text (1 or 0 for a box or radio button, the item for a list). A control\n"
                   "the user cannot reach gets a third column saying why (disabled, hidden, behind).\n"
                   "The text is printable ASCII whatever the image holds: a line end is shown as \\n,\n"
                   "other bytes and the backslash as \\xHH, as 'zt310 dump' shows them.\n"
                   "  --json   one JSON object: {\"file\", \"controls\": [{\"name\", \"kind\", \"value\",\n"
                   "           \"unavailable\" (why it cannot be reached, or null)}]}; each byte of a value\n"
                   "           is the character of the same number, as 'zt310 dump --json' gives it.\n"
                   "           An error prints an object with \"outcome\": \"error\" and its messages.\n"
                   "Exit codes: 0 listed, 2 usage or file error.\n",
                   WithJsonReport("keys", JsonObjects::PrintedByVerb, RunKeys)});
  verbs.push_back({"get", "zt310 get FILE NAME... [--json]", "Show what the named editor controls show.",
                   "Loads FILE as \"Open\" does and prints, one per line, the shown text of each named\n"
                   "control (1 or 0 for a box or radio button, the item text for a list), escaped as\n"
                   "'zt310 keys' escapes it.\n"
                   "  --json   one JSON object: {\"file\", \"values\": {NAME: value}}, values as\n"
                   "           'zt310 keys --json' gives them; an error prints an object with\n"
                   "           \"outcome\": \"error\" and its messages.\n"
                   "Exit codes: 0 shown, 2 usage, unknown name or file error.\n",
                   WithJsonReport("get", JsonObjects::PrintedByVerb, RunGet)});
  verbs.push_back({"set", "zt310 set FILE NAME=VALUE... [-o OUT]",
                   "Edit a code-plug through the editor, as a user would.",
                   "Loads FILE as \"Open\" does, then applies each assignment in order:\n"
                   "  edit field   entered (cleared), VALUE typed key by key through its key filter, left (committed)\n"
                   "  list         the item whose text is VALUE is picked\n"
                   "  check box    clicked when its state differs from VALUE (1 ticked, 0 clear)\n"
                   "  radio button clicked (VALUE must be 1)\n"
                   "The assignments are applied together or not at all. One is refused, naming it and\n"
                   "its VALUE, when its control is disabled, hidden or behind another; when the field's\n"
                   "key filter drops a key of VALUE, with or without a message (a minus sign, a letter or\n"
                   "a comma in a number, a digit too many after the point, a non-ASCII character: the\n"
                   "keys dropped are named, and the cut value is never committed); or when the field's\n"
                   "rules refuse it or show a message on the way (the message is named). After a refusal\n"
                   "nothing is saved: OUT is left byte for byte as it was.\n"
                   "  -o OUT       where the edited code-plug goes (default: FILE itself)\n"
                   "Every message the editor shows is printed to stderr as TITLE: text. The image is\n"
                   "saved to OUT (default FILE) as \"Save\" stores it (the old file kept as .BAK).\n"
                   "Exit codes: 0 saved and no message shown, 1 an assignment refused (nothing saved)\n"
                   "or loading FILE showed a message (saved), 2 usage, unknown control or value, or\n"
                   "file error.\n",
                   RunSet});
}

}  // namespace zt310::cli
