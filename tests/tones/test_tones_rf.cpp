// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include <cstdint>

#include "tones/RfChannel.h"

using namespace zt310;

Q_DECLARE_METATYPE(zt310::SpacingChoice)
Q_DECLARE_METATYPE(zt310::FrequencyCommitResult)

class TestTonesRf : public QObject {
  Q_OBJECT

 private slots:
  void synthesiserWords_data();
  void synthesiserWords();
  void autoSpacing_data();
  void autoSpacing();
  void spacingCodes();
  void legacyPllr();

  void commit_data();
  void commit();
  void sixAndAQuarterAcceptsWhatTwelveAndAHalfAccepts();

  void fieldText();
  void digits();
  void bandRule_data();
  void bandRule();
  void messages();
};

void TestTonesRf::synthesiserWords_data() {
  QTest::addColumn<uint>("field");
  QTest::addColumn<uint>("spacing");
  QTest::addColumn<int>("mutl");
  QTest::addColumn<uint>("pllr");
  QTest::addColumn<uint>("plln");
  struct Row {
    const char* name;
    unsigned field, spacing;
    int mutl;
    unsigned pllr, plln;
  };
  const Row rows[] = {
      {"F1 factory 152 MHz 12.5k", 1520000, 12500, 1, 0x0001A311, 0x00146800},
      {"F2 factory 162 MHz 12.5k", 1620000, 12500, 1, 0x0001A311, 0x0015F800},
      {"152 MHz 6.25k", 1520000, 6250, 1, 0x00034611, 0x0028D000},
      {"152 MHz 2.5k", 1520000, 2500, 1, 0x00082F11, 0x00660800},
      {"152.0025 MHz 2.5k", 1520025, 2500, 1, 0x00082F11, 0x00660880},
      {"450 MHz 12.5k", 4500000, 12500, 2, 0x0001A311, 0x00217C00},
      {"exactly 200 MHz stays MUTL 1", 2000000, 12500, 1, 0x0001A311, 0x001BE800},
      {"200.0025 MHz MUTL 2", 2000025, 2500, 2, 0x00082F11, 0x0045C400},
      {"highest field value", 9999975, 2500, 2, 0x00082F11, 0x017E4380},
      {"21.4 MHz is divider zero", 214000, 12500, 1, 0x0001A311, 0x00000000},
  };
  for (const Row& r : rows)
    QTest::newRow(r.name) << uint(r.field) << uint(r.spacing) << r.mutl << uint(r.pllr) << uint(r.plln);
}

void TestTonesRf::synthesiserWords() {
  QFETCH(uint, field);
  QFETCH(uint, spacing);
  QFETCH(int, mutl);
  QFETCH(uint, pllr);
  QFETCH(uint, plln);
  const SynthesiserWords words = ComputeSynthesiserWords(FrequencyFieldToHz(field), spacing);
  QCOMPARE(int(words.mutl), mutl);
  QCOMPARE(uint(words.pllr), pllr);
  QCOMPARE(uint(words.plln), plln);
}

void TestTonesRf::autoSpacing_data() {
  QTest::addColumn<uint>("hz");
  QTest::addColumn<bool>("found");
  QTest::addColumn<uint>("spacing");
  QTest::addColumn<int>("code");
  QTest::newRow("12.5k first") << 152000000u << true << 12500u << 34;
  QTest::newRow("152.0125") << 152012500u << true << 12500u << 34;
  QTest::newRow("6.25k only") << 21406250u << true << 6250u << 35;
  QTest::newRow("2.5k only") << 152002500u << true << 2500u << 36;
  QTest::newRow("none") << 152001000u << false << 0u << 0;
}

void TestTonesRf::autoSpacing() {
  QFETCH(uint, hz);
  QFETCH(bool, found);
  QFETCH(uint, spacing);
  QFETCH(int, code);
  const auto result = FindAutoSpacing(hz);
  QCOMPARE(result.has_value(), found);
  if (!result) return;
  QCOMPARE(uint(result->spacingHz), spacing);
  QCOMPARE(int(result->code), code);
}

void TestTonesRf::spacingCodes() {
  QCOMPARE(SpacingChoiceFromCode(32), SpacingChoice::Khz2_5);
  QCOMPARE(SpacingChoiceFromCode(33), SpacingChoice::Khz6_25);
  QCOMPARE(SpacingChoiceFromCode(34), SpacingChoice::Khz12_5);
  for (const int code : {35, 36, 37, 0xFF, 0, 31})
    QCOMPARE(SpacingChoiceFromCode(static_cast<std::uint8_t>(code)), SpacingChoice::Auto);

  struct Row {
    SpacingChoice choice;
    std::uint32_t hz;
    std::uint8_t code;
    const char* item;
  };
  const Row rows[] = {{SpacingChoice::Khz2_5, 2500, 32, "2.5 K"},
                      {SpacingChoice::Khz6_25, 6250, 33, "6.25 K"},
                      {SpacingChoice::Khz12_5, 12500, 34, "12.5 K"}};
  for (const Row& r : rows) {
    QCOMPARE(SpacingHzOfChoice(r.choice), std::optional<std::uint32_t>(r.hz));
    QCOMPARE(SpacingCodeOfChoice(r.choice), std::optional<std::uint8_t>(r.code));
    QCOMPARE(kSpacingChoiceItems[static_cast<std::size_t>(r.choice)], std::string_view(r.item));
    QCOMPARE(SpacingChoiceFromCode(r.code), r.choice);
  }
  QCOMPARE(SpacingHzOfChoice(SpacingChoice::Auto), std::nullopt);
  QCOMPARE(SpacingCodeOfChoice(SpacingChoice::Auto), std::nullopt);
  QCOMPARE(kSpacingChoiceItems[3], std::string_view("Auto"));
}

void TestTonesRf::legacyPllr() {
  QVERIFY(IsLegacyPllrWord(0x00020B11));
  QVERIFY(IsLegacyPllrWord(0x00020BFF));
  QVERIFY(!IsLegacyPllrWord(0x00082F11));
  QVERIFY(!IsLegacyPllrWord(0x00020C11));
  QVERIFY(!IsLegacyPllrWord(0x10020B11));
}

void TestTonesRf::commit_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<SpacingChoice>("choice");
  QTest::addColumn<uint>("spacingBefore");
  QTest::addColumn<FrequencyCommitResult>("result");
  QTest::addColumn<uint>("spacingAfter");
  QTest::addColumn<int>("code");  // -1: no code to store
  QTest::addColumn<uint>("plln");
  using R = FrequencyCommitResult;
  const auto A = SpacingChoice::Auto, K2 = SpacingChoice::Khz2_5, K6 = SpacingChoice::Khz6_25,
             K12 = SpacingChoice::Khz12_5;
  struct Row {
    const char* name;
    const char* text;
    SpacingChoice choice;
    unsigned before;
    R result;
    unsigned after;
    int code;
    unsigned plln;
  };
  const Row rows[] = {
      {"Auto factory F1", "1520000", A, 12500, R::Store, 12500, 34, 0x00146800},
      {"Auto finds 12.5k from 2.5k", "1520125", A, 2500, R::Store, 12500, 34, 0x00146880},
      {"Auto finds 2.5k", "1520025", A, 12500, R::Store, 2500, 36, 0x00660880},
      {"Auto finds none", "1520010", A, 6250, R::SpacingError, 6250, -1, 0},
      {"12.5k not a multiple", "1520025", K12, 2500, R::SpacingError, 12500, -1, 0},
      {"12.5k", "1520000", K12, 2500, R::Store, 12500, -1, 0x00146800},
      {"6.25k", "1520000", K6, 12500, R::Store, 6250, -1, 0x0028D000},
      {"2.5k", "1520000", K2, 12500, R::Store, 2500, -1, 0x00660800},
      {"450 MHz", "4500000", K12, 12500, R::Store, 12500, -1, 0x00217C00},
      {"blanks around", " 1620000 ", K12, 12500, R::Store, 12500, -1, 0x0015F800},
      {"lowest frequency", "0214000", K12, 12500, R::Store, 12500, -1, 0},
      {"below 21.4 MHz", "0213999", K2, 12500, R::BelowRange, 2500, -1, 0},
      {"zero under Auto", "0", A, 6250, R::BelowRange, 6250, -1, 0},
      {"20 MHz under Auto", "200000", A, 12500, R::BelowRange, 12500, -1, 0},
      {"letter", "152a000", K12, 12500, R::NotANumber, 12500, -1, 0},
      {"eight digits", "15200000", A, 2500, R::NotANumber, 2500, -1, 0},
  };
  for (const Row& r : rows)
    QTest::newRow(r.name) << QString(r.text) << r.choice << uint(r.before) << r.result << uint(r.after) << r.code
                          << uint(r.plln);
}

void TestTonesRf::commit() {
  QFETCH(QString, text);
  QFETCH(SpacingChoice, choice);
  QFETCH(uint, spacingBefore);
  QFETCH(FrequencyCommitResult, result);
  QFETCH(uint, spacingAfter);
  QFETCH(int, code);
  QFETCH(uint, plln);
  const FrequencyCommitDecision decision = DecideFrequencyCommit(text.toStdString(), choice, spacingBefore);
  QCOMPARE(decision.result, result);
  QCOMPARE(uint(decision.spacingHz), spacingAfter);
  QCOMPARE(decision.spacingCode.has_value(), code >= 0);
  if (decision.spacingCode) QCOMPARE(int(*decision.spacingCode), code);
  if (result == FrequencyCommitResult::Store) {
    QCOMPARE(uint(decision.words.plln), plln);
    QCOMPARE(decision.words.pllr, PllrWord(spacingAfter));
    QCOMPARE(decision.fieldValue, *ParseFrequencyField(text.toStdString()));
  }
}

// The field resolves 100 Hz, so any multiple of 6250 Hz is one of 12500 Hz.
void TestTonesRf::sixAndAQuarterAcceptsWhatTwelveAndAHalfAccepts() {
  for (std::uint32_t field = 1520000; field <= 1521000; ++field) {
    const std::string text = FormatFrequencyField(field);
    const auto six = DecideFrequencyCommit(text, SpacingChoice::Khz6_25, 12500).result;
    const auto twelve = DecideFrequencyCommit(text, SpacingChoice::Khz12_5, 12500).result;
    QCOMPARE(six, twelve);
    const auto found = DecideFrequencyCommit(text, SpacingChoice::Auto, 12500).spacingCode;
    QVERIFY(!found || *found != spacing_code::kAuto6_25);
  }
}

void TestTonesRf::fieldText() {
  QCOMPARE(FormatFrequencyField(1520000), std::string("1520000"));
  QCOMPARE(FormatFrequencyField(214000), std::string("0214000"));
  QCOMPARE(FormatFrequencyField(0), std::string("0000000"));
  QCOMPARE(ParseFrequencyField("0214000"), std::optional<std::uint32_t>(214000));
  QCOMPARE(ParseFrequencyField(""), std::nullopt);
  QCOMPARE(ParseFrequencyField("  "), std::nullopt);
  QCOMPARE(ParseFrequencyField("-152000"), std::nullopt);
  QCOMPARE(FormatSynthWord(0x0001A311), std::string("0001A311"));
  QCOMPARE(FormatSynthWord(0xABCDEF12), std::string("ABCDEF12"));
}

void TestTonesRf::digits() {
  const std::array<std::uint8_t, 7> factory{1, 5, 2, 0, 0, 0, 0};
  QCOMPARE(FrequencyFieldDigits(1520000), factory);
  QCOMPARE(FrequencyFieldFromDigits(factory), std::optional<std::uint32_t>(1520000));
  const std::array<std::uint8_t, 7> low{0, 2, 1, 4, 0, 0, 0};
  QCOMPARE(FrequencyFieldDigits(214000), low);
  QCOMPARE(FrequencyFieldFromDigits(low), std::optional<std::uint32_t>(214000));
  const std::array<std::uint8_t, 7> blank{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  QCOMPARE(FrequencyFieldFromDigits(blank), std::nullopt);
  const std::array<std::uint8_t, 7> damaged{1, 5, 2, 10, 0, 0, 0};
  QCOMPARE(FrequencyFieldFromDigits(damaged), std::nullopt);
}

void TestTonesRf::bandRule_data() {
  QTest::addColumn<int>("mutl");
  QTest::addColumn<uint>("other");
  QTest::addColumn<bool>("moves");
  QTest::newRow("high band, other low") << 2 << 1620000u << true;
  QTest::newRow("high band, other at 200 MHz") << 2 << 2000000u << true;
  QTest::newRow("high band, other high") << 2 << 2000001u << false;
  QTest::newRow("low band, other high") << 1 << 4500000u << true;
  QTest::newRow("low band, other at 200 MHz") << 1 << 2000000u << false;
  QTest::newRow("low band, other low") << 1 << 1620000u << false;
}

void TestTonesRf::bandRule() {
  QFETCH(int, mutl);
  QFETCH(uint, other);
  QFETCH(bool, moves);
  QCOMPARE(BandRuleMovesOtherChannel(static_cast<std::uint8_t>(mutl), other), moves);
}

void TestTonesRf::messages() {
  QCOMPARE(ChannelSpacingErrorMessage(0), std::string("F1 Channel Spacing Error!"));
  QCOMPARE(ChannelSpacingErrorMessage(1), std::string("F2 Channel Spacing Error!"));

  FrequencyCommitDecision decision;
  decision.result = FrequencyCommitResult::SpacingError;
  auto m = MessageForFrequencyCommit(decision, 1);
  QCOMPARE(m->title, std::string_view("ZT310"));
  QCOMPARE(m->text, std::string("F2 Channel Spacing Error!"));

  decision.result = FrequencyCommitResult::NotANumber;
  m = MessageForFrequencyCommit(decision, 0);
  QCOMPARE(m->title, std::string_view("Warning!"));
  QCOMPARE(m->text, std::string("Please insert a numeric  !"));

  decision.result = FrequencyCommitResult::BelowRange;
  m = MessageForFrequencyCommit(decision, 1);
  QCOMPARE(m->title, std::string_view("ZT310"));
  QVERIFY(m->text.starts_with("F2 "));
  QVERIFY(m->text.find("21.4 MHz") != std::string::npos);

  decision.result = FrequencyCommitResult::Store;
  QVERIFY(!MessageForFrequencyCommit(decision, 0));
}

QTEST_APPLESS_MAIN(TestTonesRf)
#include "test_tones_rf.moc"
