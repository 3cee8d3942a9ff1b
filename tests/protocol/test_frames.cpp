// SPDX-License-Identifier: GPL-3.0-or-later
// Frame bytes and reply validation, without a port.
#include <QtTest>

#include "protocol/ProgrammingFrame.h"

using namespace zt310;

Q_DECLARE_METATYPE(std::vector<std::uint8_t>)

namespace {

std::vector<std::uint8_t> Hex(const char* text) {
  std::vector<std::uint8_t> bytes;
  for (const QByteArray& cell : QByteArray(text).split(' '))
    bytes.push_back(static_cast<std::uint8_t>(cell.toUInt(nullptr, 16)));
  return bytes;
}

std::vector<std::uint8_t> AfterPreamble(const ProgrammingFrame& frame) {
  return {frame.bytes().begin() + kPreambleSize, frame.bytes().end()};
}

}  // namespace

class FrameTest : public QObject {
  Q_OBJECT
 private slots:
  void exampleRequests_data() {
    QTest::addColumn<std::vector<std::uint8_t>>("frame");
    QTest::addColumn<std::vector<std::uint8_t>>("expected");
    struct Row {
      const char* name;
      ProgrammingFrame frame;
      const char* bytes;
    };
    const Row rows[] = {
        {"probe", ProgrammingFrame::ReadRequest(0, 0), "33 52 03 00 00 00 00 88"},
        {"identity", ProgrammingFrame::ReadRequest(0, 16), "33 52 03 00 00 10 00 98"},
        {"bandwidth", ProgrammingFrame::ReadRequest(128, 16), "33 52 03 00 80 10 01 18"},
        {"serial", ProgrammingFrame::ReadRequest(416, 16), "33 52 03 01 A0 10 01 39"},
        {"read 384+128", ProgrammingFrame::ReadRequest(384, 128), "33 52 03 01 80 80 01 89"},
        {"vibrator on", ProgrammingFrame::TestRequest(kCommandVibratorOn, 0, 0, 0), "3B 01 03 00 00 00 00 3F"},
        {"vibrator off", ProgrammingFrame::TestRequest(kCommandVibratorOff, 0, 0, 0), "3B 02 03 00 00 00 00 40"},
        {"alert F2 group 4", ProgrammingFrame::TestRequest(kCommandAlertOn, 2, 12, 0), "3B 03 03 02 0C 00 00 4F"},
        {"alert F1 call 1", ProgrammingFrame::TestRequest(kCommandAlertOn, 1, 1, 0), "3B 03 03 01 01 00 00 43"},
        {"alert off", ProgrammingFrame::TestRequest(kCommandAlertOff, 0, 0, 0), "3B 04 03 00 00 00 00 42"},
    };
    for (const Row& row : rows) {
      QCOMPARE(QByteArray(reinterpret_cast<const char*>(row.frame.data()), kPreambleSize), QByteArray("Marlowtide"));
      QTest::newRow(row.name) << AfterPreamble(row.frame) << Hex(row.bytes);
    }
  }
  void exampleRequests() {
    QFETCH(std::vector<std::uint8_t>, frame);
    QFETCH(std::vector<std::uint8_t>, expected);
    QCOMPARE(frame, expected);
  }

  void writeRequestCarriesImageBytes() {
    CodePlugImage image = FactoryDefaultImage();
    for (int i = 0; i < 16; ++i) image[496 + i] = static_cast<std::uint8_t>(0xA0 + i);
    const ProgrammingFrame frame = ProgrammingFrame::WriteRequest(image, 496, 16);
    QCOMPARE(frame.size(), 33);
    const auto tail = AfterPreamble(frame);
    QCOMPARE(std::vector<std::uint8_t>(tail.begin(), tail.begin() + 5), Hex("33 53 12 01 F0"));
    QVERIFY(std::equal(tail.begin() + 5, tail.begin() + 21, image.data() + 496));
    const std::uint16_t sum = SumBytes(std::span(tail).first(21));
    QCOMPARE(tail[21], static_cast<std::uint8_t>(sum >> 8));
    QCOMPARE(tail[22], static_cast<std::uint8_t>(sum & 0xFF));
  }

  void blockOutsideMemoryIsRefused() {
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, ProgrammingFrame::ReadRequest(500, 16));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, ProgrammingFrame::WriteRequest(FactoryDefaultImage(), 0, 129));
  }

  void readReplyValidation_data() {
    QTest::addColumn<std::vector<std::uint8_t>>("reply");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("valid");
    const CodePlugImage memory = FactoryDefaultImage();
    const auto good = BuildReadReply(memory.bytes(), 0, 16).bytes();
    auto offByOne = good;
    offByOne.back() = static_cast<std::uint8_t>(offByOne.back() + 1);
    auto foreignHeader = good;  // only bytes 10 to 12 of the header count
    std::fill(foreignHeader.begin(), foreignHeader.begin() + 10, 0x00);
    const std::vector<std::uint8_t> probeReply = Hex("00 00 00 00 00 00 00 00 00 00 01 02 03 00 06");
    QTest::newRow("good") << good << 16 << true;
    QTest::newRow("checksum off by one") << offByOne << 16 << false;
    QTest::newRow("header not examined") << foreignHeader << 16 << true;
    QTest::newRow("probe answer") << probeReply << 0 << true;
    QTest::newRow("one byte short") << std::vector<std::uint8_t>(good.begin(), good.end() - 1) << 16 << false;
  }
  void readReplyValidation() {
    QFETCH(std::vector<std::uint8_t>, reply);
    QFETCH(int, count);
    QFETCH(bool, valid);
    QCOMPARE(IsValidReadReply(reply, count), valid);
  }

  void writeAcknowledgement() {
    const auto& ack = WriteAcknowledgement();
    QCOMPARE(std::vector<std::uint8_t>(ack.begin() + 10, ack.end()), Hex("33 53 01 06 00 8D"));
    QVERIFY(IsWriteAcknowledgement(ack));
    auto wrongByte14 = ack;
    wrongByte14[14] = 0x07;
    QVERIFY(!IsWriteAcknowledgement(wrongByte14));
    auto wrongPreamble = ack;
    wrongPreamble[0] = 'm';
    QVERIFY(!IsWriteAcknowledgement(wrongPreamble));
    QVERIFY(!IsWriteAcknowledgement(std::span(ack).first(15)));
  }

  void parseRequestNeedsWholeFrameAndSum() {
    const auto probe = ProgrammingFrame::ReadRequest(0, 0).bytes();
    const auto parsed = ParseRequest(probe);
    QVERIFY(parsed);
    QCOMPARE(parsed->command, kCommandRead);
    QVERIFY(!ParseRequest(std::span(probe).first(14)));
    auto corrupt = probe;
    corrupt.back() ^= 1;
    QVERIFY(!ParseRequest(corrupt));
  }

  // A gap in a plan leaves stale bytes in the pager or the image; an overlap
  // or an oversized block is refused by the cradle. Write and Verify cover
  // every byte once except the serial number; Read and production all 512.
  void blockPlansCoverTheImageOnce() {
    const auto timesCovered = [](const std::vector<BlockRange>& plan) {
      std::vector<int> covered(layout::kImageSize, 0);
      for (const BlockRange& block : plan) {
        if (block.count < 1 || block.count > kMaxBlockSize || block.offset < 0 ||
            block.offset + block.count > static_cast<int>(layout::kImageSize)) {
          return std::vector<int>{};
        }
        for (int offset = block.offset; offset < block.offset + block.count; ++offset) ++covered[offset];
      }
      return covered;
    };
    const std::vector<int> written = timesCovered(WriteBlockPlan());
    QCOMPARE(written.size(), layout::kImageSize);
    for (int offset = 0; offset < static_cast<int>(layout::kImageSize); ++offset) {
      const bool serial = offset >= layout::kSerialNumber && offset < layout::kSerialNumber + layout::kSerialBlockSize;
      QCOMPARE(written[offset], serial ? 0 : 1);
    }
    QCOMPARE(PlanBytes(WriteBlockPlan()), static_cast<int>(layout::kImageSize) - layout::kSerialBlockSize);
    QCOMPARE(timesCovered(ReadBlockPlan()), std::vector<int>(layout::kImageSize, 1));
    QCOMPARE(PlanBytes(ReadBlockPlan()), static_cast<int>(layout::kImageSize));
  }
};

QTEST_GUILESS_MAIN(FrameTest)
#include "test_frames.moc"
