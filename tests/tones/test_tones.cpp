// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "tones/Tones.h"

using namespace zt310;

Q_DECLARE_METATYPE(zt310::ToneSystem)
Q_DECLARE_METATYPE(zt310::ToneCommitResult)
Q_DECLARE_METATYPE(zt310::ToneKind)

namespace {

// The decoder word worked out in exact rational arithmetic, independent of
// any floating point: f = t / 10, 119318.1667 = 1193181667 / 10000.
std::uint16_t ExactDecoderWord(unsigned tenths) {
  const std::int64_t t = tenths;
  const std::int64_t periods = (118920 * t) / 35795450;
  // 29730 / 3579545 - v / (4 f) = (118920 t - 35795450 v) / (3579545 * 4 t)
  const std::int64_t numerator = (118920 * t - 35795450 * periods) * 1193181667LL;
  const std::int64_t denominator = 3579545LL * 4 * t * 10000;
  return static_cast<std::uint16_t>(0x8000 + 128 * periods + numerator / denominator);
}

// A channel whose only enabled tone is `tone` in `slot`.
ChannelTones ChannelWithTone(int slot, ToneValue tone) {
  ChannelTones channel;
  channel.tones[static_cast<std::size_t>(slot)] = tone;
  const int call = CallIndexOfSlot(slot);
  if (IsGroupToneSlot(slot))
    channel.groupEnableBits = static_cast<std::uint8_t>(1u << call);
  else
    channel.callEnableBits = static_cast<std::uint8_t>(1u << call);
  return channel;
}

const std::string kLongMessage09 =
    "Tone Frequency Error!\n\nPlease check the tone spacing rule. \n"
    "[1]Two tones in the same call address should not be the same.\n"
    "[2]Any two tones should be separated by minimum of 0.9%. \n"
    "     (spacing = bandwidth*2 + 0.001)\n\nThe original tone frequency is restored.";
const std::string kShortMessage31 =
    "Tone Frequency Error!\n\nPlease check the tone spacing rule. \n"
    "[1]Two tones in the same call address should not be the same.\n"
    "[2]Any two tones should be separated by minimum of 3.1%. \n\nThe original tone frequency is restored.";

}  // namespace

class TestTones : public QObject {
  Q_OBJECT

 private slots:
  void decoderWordKnownValues_data();
  void decoderWordKnownValues();
  void decoderWordWholeRange();
  void decoderWordClampsOutsideRange();
  void legacy879Word();

  void tables();
  void snap_data();
  void snap();
  void snapPicksNearestLaterEntryEverywhere();

  void toneSystemFromByte();
  void ranges_data();
  void ranges();
  void bandwidthFromIndex();

  void spacing_data();
  void spacing();
  void spacingExactMatchEndsWalk();

  void parseToneText_data();
  void parseToneText();
  void formatTone();

  void commit_data();
  void commit();
  void messages();
};

void TestTones::decoderWordKnownValues_data() {
  QTest::addColumn<int>("tone");
  QTest::addColumn<int>("word");
  struct Row {
    const char* name;
    int tone;
    int word;
  };
  const Row rows[] = {
      {"288.5 lowest Standard", 2885, 0x84BC},
      {"879.0 factory tone 2", 8790, 0x8E86},
      {"1285.8 factory tone 1", 12858, 0x9510},
      {"3500.0 highest User", 35000, 0xBA02},
  };
  for (const Row& r : rows) QTest::newRow(r.name) << r.tone << r.word;
}

void TestTones::decoderWordKnownValues() {
  QFETCH(int, tone);
  QFETCH(int, word);
  QCOMPARE(int(ToneDecoderWord(static_cast<ToneValue>(tone))), word);
}

void TestTones::decoderWordWholeRange() {
  int previousPeriods = 0;
  for (unsigned t = kLowestTone; t <= kHighestTone; ++t) {
    const std::uint16_t word = ToneDecoderWord(static_cast<ToneValue>(t));
    if (word != ExactDecoderWord(t)) QFAIL(qPrintable(QString("tone %1: %2").arg(t).arg(word, 4, 16)));
    const int periods = (word >> 7) & 0xFF;
    QVERIFY(word & 0x8000);
    QVERIFY((word & 0x7F) <= 99);
    QVERIFY(periods >= previousPeriods);
    previousPeriods = periods;
  }
  QCOMPARE((ToneDecoderWord(2800) >> 7) & 0xFF, 9);
  QCOMPARE((ToneDecoderWord(35000) >> 7) & 0xFF, 116);
}

void TestTones::decoderWordClampsOutsideRange() {
  QCOMPARE(ToneDecoderWord(0), ToneDecoderWord(kLowestTone));
  QCOMPARE(ToneDecoderWord(1000), ToneDecoderWord(kLowestTone));
  QCOMPARE(ToneDecoderWord(65535), ToneDecoderWord(kHighestTone));
}

void TestTones::legacy879Word() {
  QCOMPARE(MendedLegacyDecoderWord(8790, 0x4E86), std::optional<std::uint16_t>(0x8E86));
  QCOMPARE(MendedLegacyDecoderWord(8790, 0x8E86), std::nullopt);
  QCOMPARE(MendedLegacyDecoderWord(8791, 0x4E86), std::nullopt);
  QCOMPARE(MendedLegacyDecoderWord(12858, 0x4E86), std::nullopt);
}

void TestTones::tables() {
  QCOMPARE(StandardToneTable.front(), ToneValue(2885));
  QCOMPARE(StandardToneTable.back(), ToneValue(24682));
  QCOMPARE(PlectronToneTable.front(), ToneValue(2822));
  QCOMPARE(PlectronToneTable.back(), ToneValue(34870));
  QCOMPARE(std::count(StandardToneTable.begin(), StandardToneTable.end(), ToneValue(7674)), 2);
  QCOMPARE(std::count(StandardToneTable.begin(), StandardToneTable.end(), ToneValue(8325)), 2);
  QCOMPARE(std::adjacent_find(PlectronToneTable.begin(), PlectronToneTable.end()), PlectronToneTable.end());
  QCOMPARE(ToneTableOf(ToneSystem::Standard).size(), std::size_t(140));
  QCOMPARE(ToneTableOf(ToneSystem::Plectron).size(), std::size_t(59));
  QVERIFY(ToneTableOf(ToneSystem::User).empty());
}

void TestTones::snap_data() {
  QTest::addColumn<ToneSystem>("system");
  QTest::addColumn<int>("typed");
  QTest::addColumn<int>("snapped");
  QTest::addColumn<int>("index");  // -1: not checked
  struct Row {
    const char* name;
    ToneSystem system;
    int typed, snapped, index;
  };
  const Row rows[] = {
      {"tie goes to the higher entry", ToneSystem::Standard, 2925, 2965, 1},
      {"767.4 takes the second duplicate", ToneSystem::Standard, 7674, 7674, 76},
      {"832.5 takes the second duplicate", ToneSystem::Standard, 8325, 8325, 86},
      {"just below duplicates", ToneSystem::Standard, 7670, 7674, 76},
      {"1000 under Standard", ToneSystem::Standard, 10000, 10069, -1},
      {"1285.8 exact", ToneSystem::Standard, 12858, 12858, 115},
      {"lowest Standard", ToneSystem::Standard, 2885, 2885, 0},
      {"highest Standard", ToneSystem::Standard, 24682, 24682, 139},
      {"1000 under Plectron", ToneSystem::Plectron, 10000, 9920, 29},
      {"highest Plectron", ToneSystem::Plectron, 34870, 34870, 58},
      {"far above table takes last", ToneSystem::Standard, 35000, 24682, 139},
      {"far below table takes first", ToneSystem::Plectron, 0, 2822, 0},
      {"User keeps the tone", ToneSystem::User, 10003, 10003, -1},
  };
  for (const Row& r : rows) QTest::newRow(r.name) << r.system << r.typed << r.snapped << r.index;
}

void TestTones::snap() {
  QFETCH(ToneSystem, system);
  QFETCH(int, typed);
  QFETCH(int, snapped);
  QFETCH(int, index);
  QCOMPARE(int(SnapToneToTable(system, static_cast<ToneValue>(typed))), snapped);
  if (index >= 0) QCOMPARE(int(SnapToneTableIndex(ToneTableOf(system), static_cast<ToneValue>(typed))), index);
}

void TestTones::snapPicksNearestLaterEntryEverywhere() {
  for (const ToneSystem system : {ToneSystem::Standard, ToneSystem::Plectron}) {
    const auto table = ToneTableOf(system);
    const ToneRange range = ToneRangeOf(system);
    for (int t = range.lowest; t <= range.highest; ++t) {
      const std::size_t got = SnapToneTableIndex(table, static_cast<ToneValue>(t));
      const int distance = std::abs(int(table[got]) - t);
      QVERIFY(distance <= 1000);
      for (std::size_t i = 0; i < table.size(); ++i) {
        const int other = std::abs(int(table[i]) - t);
        if (other < distance || (other == distance && i > got))
          QFAIL(qPrintable(QString("tone %1 snapped to index %2, index %3 is better").arg(t).arg(got).arg(i)));
      }
    }
  }
}

void TestTones::toneSystemFromByte() {
  QCOMPARE(ToneSystemFromByte(255), ToneSystem::Standard);
  QCOMPARE(ToneSystemFromByte(254), ToneSystem::User);
  QCOMPARE(ToneSystemFromByte(253), ToneSystem::Plectron);
  QCOMPARE(ToneSystemFromByte(0), ToneSystem::Standard);
  QCOMPARE(ToneSystemFromByte(252), ToneSystem::Standard);
  QCOMPARE(ToneSystemByte(ToneSystem::Plectron), std::uint8_t(253));
}

void TestTones::ranges_data() {
  QTest::addColumn<ToneSystem>("system");
  QTest::addColumn<uint>("tenths");
  QTest::addColumn<bool>("inRange");
  struct Row {
    const char* name;
    ToneSystem system;
    unsigned tenths;
    bool in;
  };
  const Row rows[] = {
      {"Standard 288.4", ToneSystem::Standard, 2884, false},
      {"Standard 288.5", ToneSystem::Standard, 2885, true},
      {"Standard 2468.2", ToneSystem::Standard, 24682, true},
      {"Standard 2468.3", ToneSystem::Standard, 24683, false},
      {"Plectron 280.0", ToneSystem::Plectron, 2800, false},
      {"Plectron 282.2", ToneSystem::Plectron, 2822, true},
      {"Plectron 1000", ToneSystem::Plectron, 10000, true},
      {"Plectron 3487.0", ToneSystem::Plectron, 34870, true},
      {"Plectron 3487.1", ToneSystem::Plectron, 34871, false},
      {"User 279.9", ToneSystem::User, 2799, false},
      {"User 280", ToneSystem::User, 2800, true},
      {"User 3500", ToneSystem::User, 35000, true},
      {"User 3500.1", ToneSystem::User, 35001, false},
      {"User wraps no 16-bit value", ToneSystem::User, 65536 + 10000, false},
      {"User huge", ToneSystem::User, std::numeric_limits<std::uint32_t>::max(), false},
  };
  for (const Row& r : rows) QTest::newRow(r.name) << r.system << uint(r.tenths) << r.in;
}

void TestTones::ranges() {
  QFETCH(ToneSystem, system);
  QFETCH(uint, tenths);
  QFETCH(bool, inRange);
  QCOMPARE(IsToneInRange(system, tenths), inRange);
}

void TestTones::bandwidthFromIndex() {
  QCOMPARE(DecoderBandwidthTenthsForIndex(0, 9), 1);
  QCOMPARE(DecoderBandwidthTenthsForIndex(3, 9), 7);
  QCOMPARE(DecoderBandwidthTenthsForIndex(15, 9), 31);
  QCOMPARE(DecoderBandwidthTenthsForIndex(16, 13), 13);
  QCOMPARE(DecoderBandwidthTenthsForIndex(255, 9), 9);
}

void TestTones::spacing_data() {
  QTest::addColumn<int>("heldSlot");
  QTest::addColumn<int>("heldTone");
  QTest::addColumn<bool>("heldEnabled");
  QTest::addColumn<int>("bandwidth");
  QTest::addColumn<int>("slot");
  QTest::addColumn<int>("candidate");
  QTest::addColumn<bool>("accepted");
  QTest::addColumn<int>("conflictCall");
  struct Row {
    const char* name;
    int heldSlot, heldTone;
    bool enabled;
    int b, slot, candidate;
    bool accepted;
    int call;
  };
  const Row rows[] = {
      // The window is 1.9 % of the held tone: 19.0 Hz around 1000.0 Hz.
      {"1018.9 too close", 0, 10000, true, 9, 5, 10189, false, 0},
      {"1019.0 far enough", 0, 10000, true, 9, 5, 10190, true, -1},
      {"981.1 too close", 0, 10000, true, 9, 12, 9811, false, 0},
      {"981.0 far enough", 0, 10000, true, 9, 12, 9810, true, -1},
      {"group slot candidate", 0, 10000, true, 9, 17, 10189, false, 0},
      {"disabled 1018.9", 0, 10000, false, 9, 5, 10189, true, -1},
      {"disabled 981.1", 0, 10000, false, 9, 5, 9811, true, -1},
      {"own slot skipped", 5, 10000, true, 9, 5, 10100, true, -1},
      {"conflict in tone 2 of call 2", 9, 10000, true, 9, 0, 10100, false, 1},
      {"conflict in group 3", 18, 10000, true, 9, 0, 10100, false, 2},
      {"equal tone in other call", 3, 10000, true, 9, 0, 10000, true, -1},
      // Other bandwidths: b = 1 gives 0.3 %, b = 31 gives 6.3 %.
      {"b=1 1002.9 too close", 0, 10000, true, 1, 5, 10029, false, 0},
      {"b=1 1003.0 far enough", 0, 10000, true, 1, 5, 10030, true, -1},
      {"b=31 1062.9 too close", 0, 10000, true, 31, 5, 10629, false, 0},
      {"b=31 1063.0 far enough", 0, 10000, true, 31, 5, 10630, true, -1},
      {"b=31 937.1 too close", 0, 10000, true, 31, 5, 9371, false, 0},
      {"b=1 1018.9 fine", 0, 10000, true, 1, 5, 10189, true, -1},
  };
  for (const Row& r : rows)
    QTest::newRow(r.name) << r.heldSlot << r.heldTone << r.enabled << r.b << r.slot << r.candidate << r.accepted
                          << r.call;
}

void TestTones::spacing() {
  QFETCH(int, heldSlot);
  QFETCH(int, heldTone);
  QFETCH(bool, heldEnabled);
  QFETCH(int, bandwidth);
  QFETCH(int, slot);
  QFETCH(int, candidate);
  QFETCH(bool, accepted);
  QFETCH(int, conflictCall);
  ChannelTones channel = ChannelWithTone(heldSlot, static_cast<ToneValue>(heldTone));
  if (!heldEnabled) channel.callEnableBits = channel.groupEnableBits = 0;
  const SpacingCheck check = CheckToneSpacing(channel, slot, static_cast<ToneValue>(candidate), bandwidth);
  QCOMPARE(check.accepted, accepted);
  QCOMPARE(check.conflictCall, conflictCall);
  if (!accepted) QCOMPARE(check.conflictSlot, heldSlot);
}

void TestTones::spacingExactMatchEndsWalk() {
  ChannelTones channel;
  channel.tones[0] = 10000;  // call 1, tone 1
  channel.tones[1] = 10050;  // call 2, tone 1: within 1.9 % of 1000.0 Hz
  channel.callEnableBits = 0b11;
  QVERIFY(CheckToneSpacing(channel, 6, 10000, 9).accepted);

  channel.callEnableBits = 0b10;  // without the exact match the close tone refuses
  const SpacingCheck check = CheckToneSpacing(channel, 6, 10000, 9);
  QVERIFY(!check.accepted);
  QCOMPARE(check.conflictCall, 1);
}

void TestTones::parseToneText_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("valid");
  QTest::addColumn<uint>("tenths");
  QTest::addColumn<QString>("shown");
  struct Row {
    const char* name;
    const char* text;
    bool valid;
    unsigned tenths;
    const char* shown;
  };
  const Row rows[] = {
      {"one decimal", "1285.8", true, 12858, "1285.8"},
      {"whole number", "1000", true, 10000, "1000.0"},
      {"trailing point", "879.", true, 8790, "879.0"},
      {"blanks around", " 292.5 ", true, 2925, "292.5"},
      {"leading zeros", "0012.3", true, 123, "12.3"},
      {"small value padded", "0.5", true, 5, "00.5"},
      {"point first", ".5", true, 5, "00.5"},
      {"extra decimals dropped", "1285.86", true, 12858, "1285.8"},
      {"too long saturates", "99999999999999999999", true, std::numeric_limits<std::uint32_t>::max(),
       "99999999999999999999.0"},
      {"empty", "", false, 0, ""},
      {"blank", "   ", false, 0, ""},
      {"point only", ".", false, 0, ""},
      {"letter", "12a", false, 0, ""},
      {"minus", "-5", false, 0, ""},
      {"two points", "1.2.3", false, 0, ""},
  };
  for (const Row& r : rows) QTest::newRow(r.name) << QString(r.text) << r.valid << uint(r.tenths) << QString(r.shown);
}

void TestTones::parseToneText() {
  QFETCH(QString, text);
  QFETCH(bool, valid);
  QFETCH(uint, tenths);
  QFETCH(QString, shown);
  const auto typed = ParseToneText(text.toStdString());
  QCOMPARE(typed.has_value(), valid);
  if (!typed) return;
  QCOMPARE(uint(typed->tenths), tenths);
  QCOMPARE(QString::fromStdString(typed->shown), shown);
}

void TestTones::formatTone() {
  QCOMPARE(FormatTone(12858), std::string("1285.8"));
  QCOMPARE(FormatTone(8790), std::string("879.0"));
  QCOMPARE(FormatTone(35000), std::string("3500.0"));
  QCOMPARE(FormatTone(5), std::string("00.5"));
  QCOMPARE(FormatTone(0), std::string("00.0"));
}

void TestTones::commit_data() {
  QTest::addColumn<ToneSystem>("system");
  QTest::addColumn<int>("slot");
  QTest::addColumn<uint>("candidate");
  QTest::addColumn<int>("partner");  // -1: none
  QTest::addColumn<ToneCommitResult>("result");
  QTest::addColumn<int>("stored");
  QTest::addColumn<int>("conflictCall");
  using R = ToneCommitResult;
  const ToneSystem S = ToneSystem::Standard, P = ToneSystem::Plectron, U = ToneSystem::User;
  struct Row {
    const char* name;
    ToneSystem system;
    int slot;
    unsigned candidate;
    int partner;
    R result;
    int stored;
    int call;
  };
  // The channel holds 1000.0 Hz, enabled, in tone 1 of call 1 (slot 0).
  const Row rows[] = {
      {"Standard 1285.8 stored", S, 3, 12858, 8790, R::Store, 12858, -1},
      {"Standard 292.5 snaps up", S, 3, 2925, -1, R::Store, 2965, -1},
      {"Standard ignores spacing", S, 3, 10189, -1, R::Store, 10069, -1},
      {"Standard 3000.0 out of range", S, 3, 30000, -1, R::OutOfRange, 0, -1},
      {"Plectron 1000 snaps to 992.0", P, 3, 10000, -1, R::Store, 9920, -1},
      {"Plectron 3487.1 out of range", P, 3, 34871, -1, R::OutOfRange, 0, -1},
      {"Plectron 280.0 out of range", P, 3, 2800, -1, R::OutOfRange, 0, -1},
      {"User 280 as typed", U, 3, 2800, -1, R::Store, 2800, -1},
      {"User 3500 as typed", U, 3, 35000, -1, R::Store, 35000, -1},
      {"User 279.9 out of range", U, 3, 2799, -1, R::OutOfRange, 0, -1},
      {"User 3500.1 out of range", U, 3, 35001, -1, R::OutOfRange, 0, -1},
      {"User huge out of range", U, 3, std::numeric_limits<std::uint32_t>::max(), -1, R::OutOfRange, 0, -1},
      {"User too close", U, 3, 10189, -1, R::SpacingConflict, 0, 0},
      {"User equal to other call", U, 3, 10000, -1, R::Store, 10000, -1},
      {"equal tones Standard", S, 4, 12858, 12858, R::EqualTones, 0, -1},
      {"equal tones Plectron", P, 12, 12870, 12870, R::EqualTones, 0, -1},
      {"equal tones User", U, 4, 20000, 20000, R::EqualTones, 0, -1},
      {"equal tones before range", U, 4, 50000, 50000, R::EqualTones, 0, -1},
      {"snapping may make tones equal", S, 4, 10000, 10010, R::Store, 10069, -1},
      {"group tone has no partner", U, 17, 10000, 10000, R::Store, 10000, -1},
  };
  for (const Row& r : rows)
    QTest::newRow(r.name) << r.system << r.slot << uint(r.candidate) << r.partner << r.result << r.stored << r.call;
}

void TestTones::commit() {
  QFETCH(ToneSystem, system);
  QFETCH(int, slot);
  QFETCH(uint, candidate);
  QFETCH(int, partner);
  QFETCH(ToneCommitResult, result);
  QFETCH(int, stored);
  QFETCH(int, conflictCall);
  const ChannelTones channel = ChannelWithTone(0, 10000);
  const auto partnerTenths = partner < 0 ? std::nullopt : std::optional<std::uint32_t>(std::uint32_t(partner));
  const ToneCommitDecision decision = DecideToneCommit(system, channel, slot, candidate, partnerTenths, 9);
  QCOMPARE(decision.result, result);
  QCOMPARE(decision.conflictCall, conflictCall);
  if (result == ToneCommitResult::Store) {
    QCOMPARE(int(decision.tone), stored);
    QCOMPARE(decision.decoderWord, ToneDecoderWord(decision.tone));
  }
}

void TestTones::messages() {
  QCOMPARE(ToneSpacingLongMessage(9), kLongMessage09);
  QCOMPARE(ToneSpacingShortMessage(31), kShortMessage31);
  QCOMPARE(ToneRangeMessage(ToneSystem::Standard), std::string_view("Please insert a number between 288.5 to 2468.2"));
  QCOMPARE(ToneRangeMessage(ToneSystem::Plectron), std::string_view("Please insert a number between 282.2 to 3487.0"));
  QCOMPARE(ToneRangeMessage(ToneSystem::User), std::string_view("Please insert a number between 280 to 3500.0"));

  ToneCommitDecision equal;
  equal.result = ToneCommitResult::EqualTones;
  auto m = MessageForToneCommit(equal, ToneSystem::User, 0, ToneKind::Tone1, 9);
  QVERIFY(m);
  QCOMPARE(m->title, std::string_view("ZT310Pro"));
  QCOMPARE(m->text, kLongMessage09);
  for (const auto& [channel, kind] :
       {std::pair{1, ToneKind::Tone1}, std::pair{0, ToneKind::Tone2}, std::pair{1, ToneKind::Tone2}}) {
    m = MessageForToneCommit(equal, ToneSystem::User, channel, kind, 31);
    QCOMPARE(m->title, std::string_view("ZT310"));
    QCOMPARE(m->text, kShortMessage31);
  }

  ToneCommitDecision conflict;
  conflict.result = ToneCommitResult::SpacingConflict;
  m = MessageForToneCommit(conflict, ToneSystem::User, 1, ToneKind::Group, 9);
  QCOMPARE(m->title, std::string_view("ZT310"));
  QCOMPARE(m->text, kLongMessage09);

  ToneCommitDecision range;
  range.result = ToneCommitResult::OutOfRange;
  m = MessageForToneCommit(range, ToneSystem::Plectron, 0, ToneKind::Tone1, 9);
  QCOMPARE(m->title, std::string_view("ZT310"));
  QCOMPARE(m->text, std::string("Please insert a number between 282.2 to 3487.0"));

  QVERIFY(!MessageForToneCommit(ToneCommitDecision{}, ToneSystem::User, 0, ToneKind::Tone1, 9));
}

QTEST_APPLESS_MAIN(TestTones)
#include "test_tones.moc"
