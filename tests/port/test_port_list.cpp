// SPDX-License-Identifier: GPL-3.0-or-later
// Order of the port list and its fallback.
#include <QtTest>

#include "port/PortList.h"

using namespace zt310;

class PortListTest : public QObject {
  Q_OBJECT
 private slots:
  void order_data() {
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("usb adapters first, each group by number")
        << QStringList{"ttyS10", "ttyUSB10", "ttyS2", "ttyACM0", "ttyUSB2", "ttyAMA0"}
        << QStringList{"ttyACM0", "ttyUSB2", "ttyUSB10", "ttyAMA0", "ttyS2", "ttyS10"};
    QTest::newRow("each name once") << QStringList{"ttyS1", "ttyS1"} << QStringList{"ttyS1"};
    QStringList fallback;
    for (int i = 0; i < 16; ++i) fallback << QString("ttyS%1").arg(i);
    QTest::newRow("none present: ttyS0 to ttyS15") << QStringList{} << fallback;
  }
  void order() {
    QFETCH(QStringList, present);
    QFETCH(QStringList, expected);
    QCOMPARE(OrderPortNames(present), expected);
  }

  void namedPortsComeFirstAndOnce() {
    const QStringList merged = MergePortNames({"/dev/ttyS3", "/tmp/zt310-cradle"}, {"ttyS1", "ttyUSB0", "ttyS3"});
    QCOMPARE(merged, (QStringList{"/dev/ttyS3", "/tmp/zt310-cradle", "ttyUSB0", "ttyS1"}));
    QCOMPARE(MergePortNames({"/tmp/x"}, {}).size(), 17);
  }

  void namedPortThroughSymlinkIsTheSameDevice() {
    QTemporaryDir dir;
    const QString link = dir.filePath("cradle");
    QVERIFY(QFile::link("/dev/null", link));
    QCOMPARE(MergePortNames({link}, {"/dev/null", "ttyS0"}), (QStringList{link, "ttyS0"}));
  }

  // A port's stable name is the link in the by-id folder that leads to its
  // device, however the port was named; a port without one has none.
  void stableNameLeadsToTheDevice() {
    QTemporaryDir dir;
    const QString byId = dir.filePath("by-id");
    QVERIFY(QDir().mkpath(byId));
    const QString stable = byId + "/usb-Test_Cradle_A10K3JQ2-if00-port0";
    QVERIFY(QFile::link("/dev/null", stable));
    QVERIFY(QFile::link("/dev/zero", byId + "/usb-Other-if00-port0"));
    const QString other = dir.filePath("cradle");
    QVERIFY(QFile::link("/dev/null", other));
    QCOMPARE(StableNameFor("/dev/null", byId), stable);
    QCOMPARE(StableNameFor(other, byId), stable);
    QCOMPARE(StableNameFor("/dev/tty", byId), QString());
    PortDetails details;
    details.byIdPath = stable;
    QCOMPARE(PortDetailsText(details), stable);
    details.usb = true;
    details.vendorId = 0x0403;
    details.productId = 0x6001;
    details.vendor = "FTDI";
    details.product = "FT232R USB UART";
    details.serialNumber = "A10K3JQ2";
    QCOMPARE(PortDetailsText(details), "FTDI FT232R USB UART (0403:6001), serial A10K3JQ2, " + stable);
  }

  void permissionHintNamesTheGroup() {
    const QString hint = PermissionHint("ttyS0");
    QVERIFY(hint.contains("/dev/ttyS0"));
    QVERIFY(hint.contains("usermod -aG"));
  }

  void buildPortListNeverEmpty() { QVERIFY(!BuildPortList().isEmpty()); }
};

QTEST_GUILESS_MAIN(PortListTest)
#include "test_port_list.moc"
