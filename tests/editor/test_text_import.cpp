// SPDX-License-Identifier: GPL-3.0-or-later
// Code-plugs as text through the editor: export then import gives back the
// same 512 bytes, and import then export the same text, for the stored
// files, for images edited as a user edits them and for images with random
// bytes where nothing is shown; a refused value stops the import, saying
// where and why.
#include <QtTest>

#include <random>

#include "TestData.h"
#include "codeplug/Layout.h"
#include "codeplug/TextPlug.h"
#include "editor/EditorModel.h"
#include "editor/TextEntry.h"
#include "editor/TextImport.h"

using namespace zt310;
using namespace zt310::testing;

namespace {

// The bytes no field shows: identity, reserved bytes, the caption.
constexpr int kUnshownBytes[] = {0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  15,  141,
                                 142, 143, 280, 281, 282, 283, 284, 285, 286, 287, 360, 361, 366,
                                 367, 377, 378, 395, 398, 399, 414, 415, 456, 457, 458, 459, 460,
                                 461, 462, 463, 488, 489, 490, 491, 492, 493, 494, 495, 500, 505};

// What a user may type, pick or click, with values from a small pool each.
struct Edit {
  std::string control;
  std::vector<std::string> values;
};

std::vector<Edit> Edits() {
  using namespace editor::names;
  std::vector<Edit> edits = {
      {FrequencyField(0), {"1530125", "1480000", "1740000"}},
      {FrequencyField(1), {"1550000", "1620000"}},
      {kChkOneChannel, {"click"}},
      {kChkNB, {"click"}},
      {kChkEnableAlertTime, {"click"}},
      {ToneSystemButton(1), {"click"}},
      {ToneSystemButton(2), {"click"}},
      {kEdtSquelch, {"3", "200"}},
      {Tonality(2), {"1.200", "0.350"}},
      {kEdtRFDelay, {"20", "90"}},
      {kEdtGapMax, {"5", "12"}},
  };
  for (int ch = 0; ch < 2; ++ch) {
    for (int row = 0; row < 8; ++row) {
      const auto n = CallRowNamesOf(ch, false, row);
      edits.push_back({n.enable, {"click"}});
      edits.push_back({n.tone1, {"1000.0", "1500.5", "800"}});
      edits.push_back({n.tone2, {"600.0", "2100.0"}});
      edits.push_back({n.priority, {"click"}});
      edits.push_back({n.switches[1], {"click"}});
    }
    edits.push_back({DutyBox(ch, 1), {"click"}});
    edits.push_back({CallRowNamesOf(ch, true, 2).enable, {"click"}});
  }
  return edits;
}

// An image made the way a user makes one: a stored file opened, then a
// few edits picked at random, each done only where the window allows it.
CodePlugImage EditedImage(std::mt19937& random, const std::vector<Edit>& edits) {
  static const char* files[] = {kFactoryFile, kOldTimingFile, kOneChannelFile, kPlectronFile, kNarrowBandFile};
  auto model = editor::CreateEditorModel();
  model->SetMessageSink([](const editor::Message&) { return editor::Answer::Ok; });
  model->OpenImage(TestDataImage(files[random() % 5]));
  const int count = 1 + static_cast<int>(random() % 12);
  for (int i = 0; i < count; ++i) {
    const Edit& edit = edits[random() % edits.size()];
    if (!model->IsActionable(edit.control)) continue;
    const std::string& value = edit.values[random() % edit.values.size()];
    if (value == "click") {
      model->Click(edit.control);
    } else {
      editor::TypeInto(*model, edit.control, value);
    }
  }
  return model->image();
}

// MADE_BY_EDITOR: every value the editor shows can be typed back, so the
// text has a key for every field.
void VerifyRoundTrip(const CodePlugImage& image, const char* what, bool madeByEditor = false) {
  const std::string text = editor::ExportText(image);
  if (madeByEditor && text.find("(refused by the editor") != std::string::npos) {
    QFAIL((std::string(what) + ": a shown value is refused\n" + text).c_str());
  }
  const editor::TextImportResult imported = editor::ImportText(text, editor::TextBaseImage());
  QVERIFY2(imported.image, (std::string(what) + ": " + imported.error + "\n" + text).c_str());
  for (int offset = 0; offset < static_cast<int>(layout::kImageSize); ++offset) {
    if ((*imported.image)[offset] != image[offset]) {
      QFAIL((std::string(what) + ": byte " + std::to_string(offset) + " differs\n" + text).c_str());
    }
  }
  QCOMPARE(editor::ExportText(*imported.image), text);
}

std::string WithLine(const std::string& text, const std::string& key, const std::string& line) {
  const auto at = text.find("\n" + key + ": ");
  if (at == std::string::npos) qFatal("no key %s", key.c_str());
  const auto end = text.find('\n', at + 1);
  return text.substr(0, at + 1) + line + text.substr(end);
}

}  // namespace

class TextImportTest : public QObject {
  Q_OBJECT

 private slots:
  void storedFilesRoundTrip() {
    for (const char* file : kStoredFiles) VerifyRoundTrip(TestDataImage(file), file, true);
  }

  void editedImagesRoundTrip() {
    std::mt19937 random(26);
    const auto edits = Edits();
    for (int i = 0; i < 200; ++i) {
      VerifyRoundTrip(EditedImage(random, edits), ("edited image " + std::to_string(i)).c_str());
      if (QTest::currentTestFailed()) return;
    }
  }

  // Bytes no field shows, and whole images of noise, still come back: what
  // the fields cannot say goes to "bytes:".
  void randomBytesRoundTrip() {
    std::mt19937 random(310);
    for (int i = 0; i < 100; ++i) {
      CodePlugImage image = TestDataImage(kStoredFiles[i % 5]);
      for (const int offset : kUnshownBytes) image[offset] = static_cast<std::uint8_t>(random());
      VerifyRoundTrip(image, ("reserved bytes " + std::to_string(i)).c_str());
      if (QTest::currentTestFailed()) return;
    }
    for (int i = 0; i < 30; ++i) {
      CodePlugImage image;
      for (int offset = 0; offset < static_cast<int>(layout::kImageSize); ++offset) {
        image[offset] = static_cast<std::uint8_t>(random());
      }
      VerifyRoundTrip(image, ("noise " + std::to_string(i)).c_str());
      if (QTest::currentTestFailed()) return;
    }
  }

  // A file of the factory default says every field; its lines are
  // "KEY: VALUE" in the window's units, none ending in a blank.
  void factoryTextIsPlainFields() {
    const std::string text = editor::ExportText(TestDataImage(kFactoryFile));
    QVERIFY(text.rfind("zt310-codeplug: 1\n", 0) == 0);
    for (const char* line : {"\nchannels.F1.frequency: 1520000\n", "\nchannels.F1.calls[0].tone1: 1285.8\n",
                             "\nchannels.F1.calls[0].enabled: true\n", "\nchannels.F2.calls[1].enabled: false\n",
                             "\nsetting.tonalities_khz[3]: 1.700\n", "\nsetting.reset_delay_s: 8.0\n",
                             "\nsystem.nrssi_v: 0.54\n", "\nsetting.function_switches[0].mode: Priority Scan F1\n"}) {
      QVERIFY2(text.find(line) != std::string::npos, line);
    }
    QVERIFY(text.find(" \n") == std::string::npos);
    QVERIFY2(text.find("(refused by the editor") == std::string::npos, text.c_str());
  }

  // A text that leaves keys out keeps the base's values there: a template.
  void missingKeysKeepTheBase() {
    const CodePlugImage base = TestDataImage(kNarrowBandFile);
    const auto imported = editor::ImportText("zt310-codeplug: 1\nchannels.F1.frequency: 1530125\n", base);
    QVERIFY2(imported.image, imported.error.c_str());
    const std::string text = editor::ExportText(*imported.image);
    QVERIFY(text.find("\nchannels.F1.frequency: 1530125\n") != std::string::npos);
    QVERIFY(text.find("\nsetting.narrow_band: true\n") != std::string::npos);
  }

  void refusedTextsSayWhereAndWhy_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    const std::string factory = editor::ExportText(TestDataImage(kFactoryFile));
    const auto line = [&](const std::string& key) {
      int n = 1;
      const auto at = factory.find("\n" + key + ": ");
      for (std::size_t i = 0; i < at; ++i) n += factory[i] == '\n';
      return QString::number(n + 1) + ":" + QString::number(key.size() + 3) + ": " + QString::fromStdString(key) + ": ";
    };
    const auto changed = [&](const std::string& key, const std::string& value) {
      return QString::fromStdString(WithLine(factory, key, key + ": " + value));
    };
    QTest::newRow("tone out of range") << changed("channels.F1.calls[2].tone1", "99.0")
                                       << line("channels.F1.calls[2].tone1");
    QTest::newRow("letter in a tone") << changed("channels.F1.calls[0].tone2", "87x.0")
                                      << line("channels.F1.calls[0].tone2") + "the field takes no 'x'";
    QTest::newRow("no such item") << changed("setting.audio_gain", "5")
                                  << line("setting.audio_gain") + "\"5\" is not an item";
    QTest::newRow("check box") << changed("setting.narrow_band", "maybe")
                               << line("setting.narrow_band") + "a check box is true or false";
    QTest::newRow("unknown key") << QString::fromStdString(factory + "channels.F3.frequency: 1\n")
                                 << ": channels.F3.frequency: no such key";
    QTest::newRow("key twice") << QString::fromStdString(factory + "system.rf_delay_ms: 20\n")
                               << ": system.rf_delay_ms: the key is given twice";
    QTest::newRow("version") << "zt310-codeplug: 2\nsystem.rf_delay_ms: 20\n"
                             << "1:17: zt310-codeplug: the text is in format version 2; this zt310 reads version 1";
    QTest::newRow("no format line") << "system.rf_delay_ms: 20\n"
                                    << "1:1: not a ZT310 code-plug text";
    QTest::newRow("not YAML") << "zt310-codeplug: 1\nkey: [unclosed\n"
                              << ": not YAML: ";
    QTest::newRow("binary") << QString::fromLatin1("ZT310\x01\x02{{{\n") << "not";
    QTest::newRow("nested") << "zt310-codeplug: 1\nchannels:\n  F1:\n    frequency: 1530125\n"
                            << "3:3: channels: holds a mapping; write one key per line";
    QTest::newRow("byte offset") << "zt310-codeplug: 1\nbytes:\n  512: 0x00\n"
                                 << "3:3: bytes.512: an offset is a whole number from 0 to 511";
    QTest::newRow("byte value") << "zt310-codeplug: 1\nbytes:\n  5: 0x100\n"
                                << "3:6: bytes.5: a byte is 0x00 to 0xFF";
    QTest::newRow("empty") << ""
                           << "the file is empty";
  }
  void refusedTextsSayWhereAndWhy() {
    QFETCH(QString, text);
    QFETCH(QString, error);
    const auto imported = editor::ImportText(text.toStdString(), editor::TextBaseImage());
    QVERIFY(!imported.image);
    QVERIFY2(QString::fromStdString(imported.error).contains(error), imported.error.c_str());
  }

  // Values are written so that YAML reads back the same text.
  void scalarsReadBackAsWritten() {
    for (const std::string value : {"Tone & Vibtate", "4 section  (120 second)", "-ABCD---", "", " lead", "a: b", "#x",
                                    "say \"hi\"", "back\\slash", "true", "0152000"}) {
      const std::string text = "zt310-codeplug: 1\nk: " + text::ScalarText(value) + "\n";
      const auto parsed = text::ParseTextPlug(text);
      QVERIFY2(std::holds_alternative<text::TextPlug>(parsed), text.c_str());
      QCOMPARE(std::get<text::TextPlug>(parsed).fields.at(0).value, value);
    }
  }
};

QTEST_GUILESS_MAIN(TextImportTest)
#include "test_text_import.moc"
