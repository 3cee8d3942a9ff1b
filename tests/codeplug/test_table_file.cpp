// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "codeplug/TableFile.h"

using namespace zt310;
using namespace zt310::layout;
namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> Bytes(const CodePlugImage& image, std::size_t size = kImageSize) {
  return {image.data(), image.data() + size};
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> ReadFile(const fs::path& path) { return *ReadFileBytes(path, nullptr); }

CodePlugImage SignedImage() {
  CodePlugImage image = FactoryDefaultImage();
  StampCaption(image);
  return image;
}

}  // namespace

class TableFileTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  fs::path Path(const char* name) const { return fs::path(dir_.path().toStdString()) / name; }

 private slots:
  void init() {
    for (const auto& entry : fs::directory_iterator(dir_.path().toStdString())) fs::remove_all(entry.path());
  }

  void saveStoresChecksumHeaderAndExactly512Bytes() {
    CodePlugImage image = SignedImage();
    image[kNarrowBandMarker] = 0x55;
    image[kHeaderMinorPatch] = 0;
    const auto saved = SaveTableFile(Path("a.tbl"), image, SaveKind::Save);
    QVERIFY2(saved.ok, saved.error.c_str());
    const auto bytes = ReadFile(Path("a.tbl"));
    QCOMPARE(bytes.size(), kImageSize);
    QCOMPARE(bytes, Bytes(image));
    QCOMPARE(image.GetWord(kImageChecksum), ComputeImageChecksum(image));
    QCOMPARE(int{bytes[kHeaderMinorPatch]}, 0x39);
    QCOMPARE(int{bytes[kNarrowBandMarker]}, 0x55);  // "Save" keeps byte 136
    QVERIFY(saved.backup.empty());
  }

  void saveAsClearsTheNarrowBandMarker() {
    CodePlugImage image = SignedImage();
    QVERIFY(SaveTableFile(Path("b.tbl"), image, SaveKind::SaveAs).ok);
    QCOMPARE(int{ReadFile(Path("b.tbl"))[kNarrowBandMarker]}, 0);
  }

  void roundTripThroughOpen() {
    CodePlugImage image = SignedImage();
    image.SetWord(CallTone1Freq(1, 3), 15000);
    image[kNarrowBandMarker] = 0;
    QVERIFY(SaveTableFile(Path("c.tbl"), image, SaveKind::Save).ok);
    CodePlugImage loaded;
    const auto opened = OpenTableFile(Path("c.tbl"), loaded);
    QCOMPARE(opened.status, OpenStatus::Opened);
    QCOMPARE(loaded, image);
  }

  void backupGoesBesideTheTargetAndReplacesAnOlderOne() {
    CodePlugImage first = SignedImage();
    first[kGapMax] = 1;
    CodePlugImage second = first;
    second[kGapMax] = 2;
    CodePlugImage third = first;
    third[kGapMax] = 3;
    QVERIFY(SaveTableFile(Path("x.tbl"), first, SaveKind::Save).ok);
    QVERIFY(SaveTableFile(Path("x.tbl"), second, SaveKind::Save).ok);
    const auto saved = SaveTableFile(Path("x.tbl"), third, SaveKind::Save);
    QVERIFY(saved.ok);
    QCOMPARE(saved.backup, Path("x.BAK"));
    QCOMPARE(int{ReadFile(Path("x.BAK"))[kGapMax]}, 2);  // the previous version, never lost
    QCOMPARE(int{ReadFile(Path("x.tbl"))[kGapMax]}, 3);
    // No temporary files are left behind.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_.path().toStdString())) ++entries;
    QCOMPARE(entries, 2);
  }

  void saveIntoAReadOnlyFolderReportsAndTouchesNothing() {
    if (::geteuid() == 0) {
      // root writes into read-only folders; a missing folder shows the same path.
      CodePlugImage image = SignedImage();
      const auto saved = SaveTableFile(Path("missing/y.tbl"), image, SaveKind::Save);
      QVERIFY(!saved.ok);
      QVERIFY(saved.error.find("missing/y.tbl") != std::string::npos);
      QVERIFY(saved.error.find("No such file") != std::string::npos);
      return;
    }
    CodePlugImage old = SignedImage();
    old[kGapMax] = 7;
    fs::create_directory(Path("ro"));
    QVERIFY(SaveTableFile(Path("ro/y.tbl"), old, SaveKind::Save).ok);
    QVERIFY(SaveTableFile(Path("ro/y.tbl"), old, SaveKind::Save).ok);  // leaves y.BAK
    const auto before = ReadFile(Path("ro/y.tbl"));
    const auto backupBefore = ReadFile(Path("ro/y.BAK"));
    ::chmod(Path("ro").c_str(), 0555);
    CodePlugImage image = SignedImage();
    const auto saved = SaveTableFile(Path("ro/y.tbl"), image, SaveKind::Save);
    ::chmod(Path("ro").c_str(), 0755);
    QVERIFY(!saved.ok);
    QVERIFY(saved.error.find("y.tbl") != std::string::npos);
    QCOMPARE(ReadFile(Path("ro/y.tbl")), before);
    QCOMPARE(ReadFile(Path("ro/y.BAK")), backupBefore);
  }

  void openRefusesFilesWithoutTheSignature_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("caption");
    QTest::newRow("another model") << 512 << QByteArray("ZT320 V1.0.0");
    QTest::newRow("300 bytes") << 300 << QByteArray("ZT310 V1.3.9");
    QTest::newRow("502 bytes cut inside the signature") << 502 << QByteArray("ZT310 V1.3.9");
    QTest::newRow("empty") << 0 << QByteArray("ZT310 V1.3.9");
  }
  void openRefusesFilesWithoutTheSignature() {
    QFETCH(int, size);
    QFETCH(QByteArray, caption);
    CodePlugImage file = SignedImage();
    std::copy(caption.begin(), caption.end(), file.data() + kHeaderCaption);
    WriteFile(Path("d.tbl"), Bytes(file, static_cast<std::size_t>(size)));
    CodePlugImage image = FactoryDefaultImage();
    image[kGapMax] = 99;
    const CodePlugImage before = image;
    QCOMPARE(OpenTableFile(Path("d.tbl"), image).status, OpenStatus::NotCodePlug);
    QCOMPARE(image, before);
  }

  void openOfAMissingFileReportsCannotRead() {
    CodePlugImage image = FactoryDefaultImage();
    const auto result = OpenTableFile(Path("nothing.tbl"), image);
    QCOMPARE(result.status, OpenStatus::CannotRead);
    QVERIFY(!result.detail.empty());
    QCOMPARE(image, FactoryDefaultImage());
  }

  void openNormalisesBlankBytes() {
    CodePlugImage file = SignedImage();
    file[kToneDur2Standard] = 0xFF;
    file[kToneDur2Plectron] = 0xFF;
    file[kNarrowBandMarker] = 0xFF;
    WriteFile(Path("e.tbl"), Bytes(file));
    CodePlugImage image;
    QCOMPARE(OpenTableFile(Path("e.tbl"), image).status, OpenStatus::Opened);
    QCOMPARE(int{image[kToneDur2Standard]}, 3);
    QCOMPARE(int{image[kToneDur2Plectron]}, 2);
    QCOMPARE(int{image[kNarrowBandMarker]}, 0);
  }

  void legacySquelchUpgrade_data() {
    QTest::addColumn<int>("on");
    QTest::addColumn<int>("off");
    QTest::addColumn<bool>("blankLevel");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("onAfter");
    QTest::addColumn<int>("offAfter");
    QTest::newRow("23/38 gives level 4") << 23 << 38 << false << 3 << 24 << 38;
    QTest::newRow("24/38 gives level 4") << 24 << 38 << false << 3 << 24 << 38;
    QTest::newRow("other values give level 5") << 20 << 38 << false << 4 << 28 << 45;
    QTest::newRow("blank level byte alone triggers it") << 10 << 20 << true << 4 << 28 << 45;
  }
  void legacySquelchUpgrade() {
    QFETCH(int, on);
    QFETCH(int, off);
    QFETCH(bool, blankLevel);
    QFETCH(int, level);
    QFETCH(int, onAfter);
    QFETCH(int, offAfter);
    CodePlugImage file = SignedImage();
    file[kSpeakerOnCode] = static_cast<std::uint8_t>(on);
    file[kSpeakerOffCode] = static_cast<std::uint8_t>(off);
    if (blankLevel) {
      file[kSquelchLevel] = 0xFF;
      for (int i = 0; i < kSquelchTableSize; ++i) file[kSquelchTable + i] = 99;
    } else {
      for (int i = 0; i < kSquelchTableSize; ++i) file[kSquelchTable + i] = 0xFF;
    }
    WriteFile(Path("f.tbl"), Bytes(file));
    CodePlugImage image;
    const auto result = OpenTableFile(Path("f.tbl"), image);
    QVERIFY(result.squelchUpgraded);
    QCOMPARE(int{image[kSquelchLevel]}, level);
    QCOMPARE(int{image[kSpeakerOnCode]}, onAfter);
    QCOMPARE(int{image[kSpeakerOffCode]}, offAfter);
    const int wide[] = {32, 10, 32, 14, 32, 20, 38, 24, 45, 28};
    for (int i = 0; i < kSquelchTableSize; ++i) QCOMPARE(int{image[kSquelchTable + i]}, wide[i]);
  }

  void currentSquelchTableIsLeftAlone() {
    CodePlugImage file = SignedImage();
    file[kSquelchTable] = 50;
    WriteFile(Path("g.tbl"), Bytes(file));
    CodePlugImage image;
    QVERIFY(!OpenTableFile(Path("g.tbl"), image).squelchUpgraded);
    QCOMPARE(int{image[kSquelchTable]}, 50);
  }

  void defaultTableReplacesOnlyWhatTheFileHolds() {
    CodePlugImage file = SignedImage();
    for (int i = 0; i < 300; ++i) file[i] = 0x11;
    WriteFile(Path("default.tbl"), Bytes(file, 300));
    CodePlugImage image = FactoryDefaultImage();
    QVERIFY(LoadDefaultTableFile(Path("default.tbl"), image));
    QCOMPARE(int{image[0]}, 0x11);
    QCOMPARE(int{image[299]}, 0x11);
    QCOMPARE(int{image[300]}, int{FactoryDefaultImage()[300]});
    QCOMPARE(int{image[kNarrowBandMarker]}, 0x11);  // no byte-136 rule for the default table
  }

  void defaultTableHasNoSignatureTestAndNoUpgrade() {
    CodePlugImage file;
    file[kSquelchLevel] = 0xFF;
    file[kToneDur2Standard] = 0xFF;
    WriteFile(Path("default.tbl"), Bytes(file));
    CodePlugImage image = FactoryDefaultImage();
    QVERIFY(LoadDefaultTableFile(Path("default.tbl"), image));
    QCOMPARE(int{image[kSquelchLevel]}, 0xFF);
    QCOMPARE(int{image[kSquelchTable]}, 0xFF);
    QCOMPARE(int{image[kToneDur2Standard]}, 3);
    QVERIFY(!LoadDefaultTableFile(Path("none.tbl"), image));
  }

  void longFilesAreCutAt512() {
    auto bytes = Bytes(SignedImage());
    bytes.resize(600, 0x77);
    WriteFile(Path("h.tbl"), bytes);
    CodePlugImage image;
    QCOMPARE(OpenTableFile(Path("h.tbl"), image).status, OpenStatus::Opened);
    QCOMPARE(int{image[511]}, 0x39);
  }

  // The window's Open and default.tbl refuse what is not a regular file at
  // once: a FIFO without a writer, an endless device.
  void onlyRegularFilesAreOpened() {
    QCOMPARE(::mkfifo(Path("default.tbl").c_str(), 0600), 0);
    for (const fs::path& path : {Path("default.tbl"), fs::path("/dev/zero")}) {
      CodePlugImage image = SignedImage();
      const CodePlugImage before = image;
      const OpenResult opened = OpenTableFile(path, image);
      QCOMPARE(opened.status, OpenStatus::CannotRead);
      QCOMPARE(opened.detail, std::string("not a regular file"));
      QVERIFY(!LoadDefaultTableFile(path, image));
      QVERIFY(image == before);
    }
  }

  void factoryImageForChannels() {
    const CodePlugImage two = FactoryImageForChannels(false);
    QCOMPARE(int{two[kSingleChannelMarker]}, 255);
    QCOMPARE(int{two[kSingleChannelMarker2]}, 255);
    QCOMPARE(int{two[kFunctionSwitch]}, 0x52);
    QCOMPARE(int{two[kFunctionSwitch + 3]}, 0x25);
    QCOMPARE(two.GetWord(kImageChecksum), std::uint16_t{0x939A});
    const CodePlugImage one = FactoryImageForChannels(true);
    QCOMPARE(int{one[kSingleChannelMarker]}, 254);
    QCOMPARE(int{one[kSingleChannelMarker2]}, 254);
    const int switches[] = {0x40, 0x20, 0x21, 0x21};
    for (int s = 0; s < kSwitchCount; ++s) QCOMPARE(int{one[kFunctionSwitch + s]}, switches[s]);
    QCOMPARE(one.GetWord(kImageChecksum), ComputeImageChecksum(one));
  }
};

QTEST_APPLESS_MAIN(TableFileTest)
#include "test_table_file.moc"
