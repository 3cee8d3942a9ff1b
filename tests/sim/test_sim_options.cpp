// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator's command line and the memory it starts with.
#include <QtTest>

#include "codeplug/Layout.h"
#include "sim/PagerSim.h"

using namespace zt310;

class SimOptionsTest : public QObject {
  Q_OBJECT
 private slots:
  void simulatorOptions_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("faults") << QStringList{"--fault", "drop@1", "--fault", "slow:20@3", "--fault", "bad-ack@2"} << true;
    QTest::newRow("fault without number") << QStringList{"--fault", "drop"} << false;
    QTest::newRow("fault zero") << QStringList{"--fault", "short@0"} << false;
    QTest::newRow("unknown fault") << QStringList{"--fault", "melt@1"} << false;
    QTest::newRow("firmware") << QStringList{"--firmware", "5.1.0"} << true;
    QTest::newRow("bad firmware") << QStringList{"--firmware", "5.1"} << false;
    QTest::newRow("serial too long") << QStringList{"--serial", "123456789012345"} << false;
    QTest::newRow("missing value") << QStringList{"--baud"} << false;
    QTest::newRow("adapter latency") << QStringList{"--adapter-latency", "16"} << true;
    QTest::newRow("adapter latency too long") << QStringList{"--adapter-latency", "256"} << false;
    QTest::newRow("adapter latency negative") << QStringList{"--adapter-latency", "-1"} << false;
    QTest::newRow("memory missing") << QStringList{"--memory", "/nonexistent/x.tbl"} << false;
  }
  void simulatorOptions() {
    QFETCH(QStringList, args);
    QFETCH(bool, accepted);
    std::vector<std::string> list;
    for (const QString& arg : args) list.push_back(arg.toStdString());
    std::string error;
    QCOMPARE(sim::ParseSimArguments(list, &error).has_value(), accepted);
    QCOMPARE(error.empty(), accepted);
  }

  void simulatorMemoryOptionsKeepChecksum() {
    sim::SimOptions options;
    options.firmware = std::array<int, 3>{5, 1, 0};
    options.singleChannel = true;
    options.narrowBand = true;
    options.serial = "AB123";
    const CodePlugImage memory = sim::InitialMemory(options);
    QCOMPARE(memory.FirmwareVersionNumber(), 510);
    QCOMPARE(memory[layout::kSingleChannelMarker], std::uint8_t{254});
    QCOMPARE(memory[136], std::uint8_t{0});
    QCOMPARE(memory[138], std::uint8_t{1});
    QCOMPARE(SerialNumberText(memory).value_or(""), std::string("AB123"));
    QCOMPARE(memory.GetWord(layout::kSerialChecksum), ComputeSerialChecksum(memory));
    QCOMPARE(memory.GetWord(layout::kImageChecksum), ComputeImageChecksum(memory));
    QCOMPARE(sim::InitialMemory({}).FirmwareVersionNumber(), 130);
  }
};

QTEST_GUILESS_MAIN(SimOptionsTest)
#include "test_sim_options.moc"
