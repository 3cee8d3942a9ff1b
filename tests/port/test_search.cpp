// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up search: every port probed at once, the first answering port
// in list order wins and stays open.
#include <QtTest>

#include "SimFixture.h"

using namespace zt310;
using namespace zt310::testing;

class SearchTest : public QObject {
  Q_OBJECT
 private slots:
  void firstAnsweringPortInListOrderWins() {
    SilentPty silent1, silent2;
    RunningSim slowCradle(SimTurnaround(120));
    RunningSim quickCradle;
    PagerLink link({}, FastTiming());
    // The quick cradle answers first in time, but the slow one is listed first.
    link.SetPortNames(
        {silent1.device(), "/dev/zt310-no-such-port", slowCradle.device(), silent2.device(), quickCradle.device()});
    QVERIFY(link.FindTargetBoard());
    QCOMPARE(link.SelectedIndex(), 2);
    QVERIFY(link.Port().IsOpen());
    QCOMPARE(link.Port().PortName(), slowCradle.device());
    QVERIFY(!link.ProbeFlag());
    // Only the selected port stays open: the others can be opened again.
    TCommPort other;
    other.Reopen(9600, quickCradle.device());
    QVERIFY(other.IsOpen());
    // The port left open is usable as it is.
    std::array<std::uint8_t, 16> identity{};
    QVERIFY(link.ReadBlock(kMemoryAddress, identity.data(), 0, 16));
    QCOMPARE(identity[12], std::uint8_t{1});
  }

  void silentPortsCostOneTimeOutTogether() {
    SilentPty silent1, silent2, silent3;
    RunningSim cradle;
    PagerLink link({}, FastTiming());
    link.SetPortNames({silent1.device(), silent2.device(), silent3.device(), cradle.device()});
    QElapsedTimer clock;
    clock.start();
    QVERIFY(link.FindTargetBoard());
    const qint64 timeout = link.timing().ByteTimeoutMs(kPollUnitProbe);
    QVERIFY2(clock.elapsed() >= timeout - 2 && clock.elapsed() < 2 * timeout,
             qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(link.SelectedIndex(), 3);
  }

  void noCradleAnywhere() {
    SilentPty silent;
    RunningSim broken(SimFault(sim::FaultKind::Corrupt, 1));
    RunningSim busy;
    TCommPort holder;
    holder.Reopen(9600, busy.device());
    PagerLink link({}, FastTiming());
    link.SetPortNames({silent.device(), broken.device(), busy.device(), "/dev/zt310-no-such-port"});
    link.SelectPort(1);
    QVERIFY(!link.FindTargetBoard());
    QCOMPARE(link.SelectedIndex(), 1);
    QVERIFY(!link.Port().IsOpen());
    QVERIFY(busy->Requests().empty());
  }

  void emptyList() {
    PagerLink link({}, FastTiming());
    QVERIFY(!link.FindTargetBoard());
  }
};

QTEST_GUILESS_MAIN(SearchTest)
#include "test_search.moc"
