// SPDX-License-Identifier: GPL-3.0-or-later
// The link against the simulated pager over a real pseudo-terminal.
#include <QTemporaryDir>
#include <QtTest>

#include "SimFixture.h"
#include "port/LinkTrace.h"
#include "port/PortProblem.h"

using namespace zt310;
using namespace zt310::testing;

namespace {

struct Linked {
  explicit Linked(sim::SimOptions options = {}, LinkTiming timing = FastTiming()) : sim(std::move(options)) {
    link.SetTiming(timing);
    link.SetHost({[this](int offset, int count) {
                    blocks.push_back({offset, count});
                  },
                  [this](const QString& message) { messages << message; }});
    link.SetPortNames({sim.device()});
  }
  RunningSim sim;
  PagerLink link;
  std::vector<BlockRange> blocks;
  QStringList messages;
};

CodePlugImage NumberedImage() {
  CodePlugImage image = FactoryDefaultImage();
  for (int i = 0; i < 512; ++i) image[i] = static_cast<std::uint8_t>(i * 7);
  return image;
}

}  // namespace

class LinkTest : public QObject {
  Q_OBJECT
 private slots:
  // An adapter with a 60 ms latency timer holds a reply back until its
  // timer runs out, 60 ms after its last packet, unless 62 bytes wait: a
  // reply right after a packet waits nearly the whole 60 ms. The link gets
  // every byte all the same.
  void adapterLatencyHoldsReplies_data() {
    QTest::addColumn<int>("latencyMs");
    QTest::newRow("60 ms adapter") << 60;
    QTest::newRow("no adapter") << 0;
  }
  void adapterLatencyHoldsReplies() {
    QFETCH(int, latencyMs);
    sim::SimOptions options;
    options.adapterLatencyMs = latencyMs;
    Linked f(options, LinkTiming{});
    QVERIFY(f.link.OpenSelectedPort());
    std::array<std::uint8_t, 128> read{};
    QVERIFY(f.link.ReadBlock(kMemoryAddress, read.data(), 0, 16));  // sets the adapter's last flush
    QElapsedTimer clock;
    clock.start();
    QVERIFY(f.link.ReadBlock(kMemoryAddress, read.data(), 0, 16));
    QVERIFY(f.link.ReadBlock(kMemoryAddress, read.data(), 384, 128));  // 143 bytes: two full packets, then held
    const qint64 elapsed = clock.elapsed();
    const CodePlugImage memory = f.sim->Memory();
    QVERIFY(std::equal(read.begin(), read.end(), memory.data() + 384));
    if (latencyMs > 0) QVERIFY2(elapsed >= 3 * latencyMs / 2, qPrintable(QString::number(elapsed)));
  }

  void writeVerifyAndReadBack() {
    Linked f;
    QVERIFY(f.link.OpenSelectedPort());
    const CodePlugImage image = NumberedImage();
    QVERIFY(f.link.WriteBlock(image, 0, 32));
    QVERIFY(f.link.WriteBlock(image, 496, 16));
    QVERIFY(f.link.VerifyBlock(image, 0, 32));
    std::array<std::uint8_t, 128> read{};
    QVERIFY(f.link.ReadBlock(kMemoryAddress, read.data(), 384, 128));
    QVERIFY(std::equal(read.begin(), read.end(), f.sim->Memory().data() + 384));
    QVERIFY(std::equal(image.data() + 496, image.data() + 512, f.sim->Memory().data() + 496));
    QCOMPARE(f.blocks.size(), std::size_t{4});
    QCOMPARE(f.blocks[1].offset, 496);
    QCOMPARE(f.blocks[3].count, 128);
    QVERIFY(f.messages.isEmpty());
  }

  // Each fault hits the first request; the link must report failure and be
  // ready for the next exchange (unless the cradle went away).
  void faultyReplies_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<bool>("portStaysOpen");
    QTest::newRow("read reply checksum off by one") << "corrupt@1"
                                                    << "read" << false << true;
    QTest::newRow("read reply one byte short") << "short@1"
                                               << "read" << false << true;
    QTest::newRow("read reply dropped") << "drop@1"
                                        << "read" << false << true;
    QTest::newRow("read reply garbage") << "garbage@1"
                                        << "read" << false << true;
    QTest::newRow("read reply slow bytes") << "slow:8@1"
                                           << "read" << true << true;
    QTest::newRow("write ack byte 14 wrong") << "bad-ack@1"
                                             << "write" << false << true;
    QTest::newRow("write ack one byte short") << "short@1"
                                              << "write" << false << true;
    QTest::newRow("write ack checksum off") << "corrupt@1"
                                            << "write" << false << true;
    QTest::newRow("write stored wrong") << "flip@1"
                                        << "write" << true << true;
    QTest::newRow("cradle unplugged") << "unplug@1"
                                      << "read" << false << false;
  }
  void faultyReplies() {
    QFETCH(QString, fault);
    QFETCH(QString, operation);
    QFETCH(bool, succeeds);
    QFETCH(bool, portStaysOpen);
    std::string error;
    sim::SimOptions options;
    options.faults.push_back(*sim::ParseFault(fault.toStdString(), &error));
    // Poll units of 0.3 ms, except for the unplugged cradle, which must be
    // noticed well before a full time-out.
    const bool unplug = fault.startsWith("unplug");
    Linked f(options, unplug ? LinkTiming{10.0, 1.0} : LinkTiming{0.3, 0.01});
    QVERIFY(f.link.OpenSelectedPort());
    const CodePlugImage image = NumberedImage();
    std::array<std::uint8_t, 16> destination;
    destination.fill(0xEE);
    QElapsedTimer clock;
    clock.start();
    const bool ok = operation == "read" ? f.link.ReadBlock(kMemoryAddress, destination.data(), 0, 16)
                                        : f.link.WriteBlock(image, 0, 16);
    QCOMPARE(ok, succeeds);
    // A cradle that goes away is noticed at once, not after the time-out.
    if (!portStaysOpen) QVERIFY(clock.elapsed() < f.link.timing().ByteTimeoutMs(kPollUnitTransfer));
    if (!ok && operation == "read")
      QVERIFY(std::all_of(destination.begin(), destination.end(), [](auto b) { return b == 0xEE; }));
    QCOMPARE(f.link.Port().IsOpen(), portStaysOpen);
    QCOMPARE(f.blocks.size(), std::size_t{1});
    if (!portStaysOpen) return;
    // Late bytes of the failed reply were discarded: the next exchange is clean.
    QVERIFY(f.link.ReadBlock(kMemoryAddress, destination.data(), 0, 16));
    QVERIFY(std::equal(destination.begin(), destination.end(), f.sim->Memory().data()));
    if (fault.startsWith("flip")) QVERIFY(!f.link.VerifyBlock(image, 0, 16));
  }

  void verifyFailsOnOneDifferentByte() {
    Linked f;
    QVERIFY(f.link.OpenSelectedPort());
    CodePlugImage image = f.sim->Memory();
    QVERIFY(f.link.VerifyBlock(image, 256, 128));
    image[300] ^= 0x40;
    QVERIFY(!f.link.VerifyBlock(image, 256, 128));
  }

  // The time-out runs per byte: 101 polls x unit x (1 ms here).
  void lateReply_data() {
    QTest::addColumn<int>("pollUnit");
    QTest::addColumn<int>("firstByteLateMs");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("unit 2, 120 ms late") << 2 << 120 << 0 << true;
    QTest::newRow("unit 2, 300 ms late") << 2 << 300 << 0 << false;
    QTest::newRow("unit 5, 400 ms late") << 5 << 400 << 0 << true;
    QTest::newRow("unit 5, 650 ms late") << 5 << 650 << 0 << false;
    QTest::newRow("unit 2, every byte 40 ms apart") << 2 << 0 << 40 << true;
  }
  void lateReply() {
    QFETCH(int, pollUnit);
    QFETCH(int, firstByteLateMs);
    QFETCH(int, gapMs);
    QFETCH(bool, accepted);
    sim::SimOptions options;
    options.turnaroundMs = firstByteLateMs;
    if (gapMs > 0) options.faults.push_back({sim::FaultKind::Slow, 1, gapMs});
    Linked f(options);
    QVERIFY(f.link.OpenSelectedPort());
    QVERIFY(f.link.SendFrame(ProgrammingFrame::ReadRequest(0, 0)));
    std::array<std::uint8_t, 15> reply{};
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(f.link.ReceiveBytes(reply.data(), 15, pollUnit), accepted);
    const qint64 timeout = f.link.timing().ByteTimeoutMs(pollUnit);
    if (accepted) {
      QVERIFY(IsValidReadReply(reply, 0));
    } else {
      QVERIFY2(clock.elapsed() >= timeout - 2, qPrintable(QString::number(clock.elapsed())));
      QVERIFY(f.link.Port().IsOpen());
    }
  }

  // Waiting is event-driven: no fixed sleep between polls.
  void repliesAreTakenAsSoonAsTheyArrive() {
    Linked f;
    QVERIFY(f.link.OpenSelectedPort());
    QElapsedTimer clock;
    clock.start();
    std::uint8_t none[1];
    for (int i = 0; i < 20; ++i) QVERIFY(f.link.ReadBlock(kMemoryAddress, none, 0, 0));
    QVERIFY2(clock.elapsed() < 300, qPrintable(QString::number(clock.elapsed())));
  }

  void shippedTimeOuts() {
    const LinkTiming shipped;
    QCOMPARE(shipped.ByteTimeoutMs(kPollUnitProbe), 2020);
    QCOMPARE(shipped.ByteTimeoutMs(kPollUnitTransfer), 5050);
  }

  void portInUse() {
    Linked f;
    QVERIFY(f.link.OpenSelectedPort());
    PagerLink second;
    QStringList messages;
    second.SetHost({{}, [&](const QString& m) { messages << m; }});
    second.SetPortNames({f.sim.device()});
    QVERIFY(!second.OpenSelectedPort());
    QCOMPARE(messages,
             QStringList{QString(kOpenErrorInUseText) + "\nPort " + f.sim.device() + ": in use by another program."});
    QVERIFY(!second.Port().IsOpen());
    QVERIFY(!second.CheckTargetBoard());
    TCommPort port;
    port.SetPortName(f.sim.device());
    try {
      port.Open();
      QFAIL("opened a port in use");
    } catch (const ECommError& error) {
      QCOMPARE(static_cast<int>(error.code()), 8);
    }
    // The holder still talks to the cradle.
    QVERIFY(f.link.CheckTargetBoard());
  }

  // A link and its target are one device: held under one name, the port
  // cannot be opened under the other, by this process or another.
  void portInUseUnderAnotherName() {
    Linked f;
    QTemporaryDir dir;
    const QString alias = dir.filePath("cradle");
    QVERIFY(QFile::link(f.sim.device(), alias));
    TCommPort holder;
    holder.Reopen(9600, alias);
    for (const QString& name : {f.sim.device(), alias}) {
      TCommPort second;
      try {
        second.Reopen(9600, name);
        QFAIL(qPrintable("opened a port in use as " + name));
      } catch (const ECommError& error) {
        QCOMPARE(static_cast<int>(error.code()), 8);
      }
    }
    holder.Close();
    TCommPort after;
    after.Reopen(9600, f.sim.device());
  }

  // What opens but is no terminal is not a port: code 14, "Error opening comm port.".
  void nonTerminalPorts() {
    QTemporaryDir dir;
    QFile regular(dir.filePath("file"));
    QVERIFY(regular.open(QIODevice::WriteOnly));
    regular.close();
    for (const QString& name : {QStringLiteral("/dev/null"), regular.fileName()}) {
      TCommPort port;
      try {
        port.Reopen(9600, name);
        QFAIL(qPrintable("opened " + name));
      } catch (const ECommError& error) {
        QCOMPARE(static_cast<int>(error.code()), 14);
      }
      QVERIFY(!port.IsOpen());
      PagerLink link;
      QStringList messages;
      link.SetHost({{}, [&](const QString& m) { messages << m; }});
      link.SetPortNames({name});
      QVERIFY(!link.OpenSelectedPort());
      QCOMPARE(messages, QStringList{QString(kOpenErrorText) + "\nPort " + name + ": not a serial port."});
      // A cradle check without that open before says the same below the board message.
      PagerLink checking;
      checking.SetPortNames({name});
      QVERIFY(!checking.CheckTargetBoard());
      QCOMPARE(checking.BoardNotRespondingMessage(),
               QString(kBoardNotRespondingText) + "\nPort " + name + ": not a serial port.");
    }
  }

  void portErrorCodes() {
    Linked f;
    TCommPort& port = f.link.Port();
    auto codeOf = [](auto&& operation) -> int {
      try {
        operation();
      } catch (const ECommError& error) {
        return static_cast<int>(error.code());
      }
      return 0;
    };
    QCOMPARE(codeOf([&] { port.SendBytes(reinterpret_cast<const std::uint8_t*>("x"), 1); }), 7);
    QCOMPARE(codeOf([&] { port.PendingInputCount(); }), 7);
    QCOMPARE(codeOf([&] { port.DiscardBuffers(); }), 7);
    QCOMPARE(codeOf([&] { port.ReceiveByte(); }), 7);
    QCOMPARE(codeOf([&] { port.Reopen(9600, f.sim.device()); }), 0);
    QCOMPARE(codeOf([&] { port.SetPortName("ttyS0"); }), 6);
    QCOMPARE(codeOf([&] { port.Reopen(9600, "/dev/zt310-no-such-port"); }), 8);
    QVERIFY(!port.IsOpen());
    QVERIFY(!f.link.SendFrame(ProgrammingFrame::ReadRequest(0, 0)));
  }

  void checkTargetBoard() {
    Linked f;
    QVERIFY(f.link.CheckTargetBoard());
    QVERIFY(f.link.Port().IsOpen());
    QVERIFY(!f.link.ProbeFlag());
    SilentPty silent;
    f.link.SetPortNames({silent.device()});
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!f.link.CheckTargetBoard());
    // The probe waits with poll unit 2.
    QVERIFY(clock.elapsed() < f.link.timing().ByteTimeoutMs(kPollUnitTransfer));
    f.link.SetPortNames({"/dev/zt310-no-such-port"});
    QVERIFY(!f.link.CheckTargetBoard());
    QVERIFY(f.messages.isEmpty());
  }

  void testCommandsOpenThePortAndAwaitNothing() {
    sim::SimOptions options;
    options.turnaroundMs = 2000;  // would show if anything were awaited
    Linked f(options);
    QVERIFY(!f.link.Port().IsOpen());
    QElapsedTimer clock;
    clock.start();
    QVERIFY(f.link.SendTestCommand(kCommandVibratorOn, 0, 0, 0));
    QVERIFY(f.link.Port().IsOpen());
    QVERIFY(f.link.SendTestCommand(kCommandAlertOff, 0, 0, 0));
    QVERIFY(f.link.SendTestCommand(kCommandAlertOn, 2, 12, 0));
    QVERIFY(clock.elapsed() < 500);
    QTRY_COMPARE(f.sim->Requests().size(), std::size_t{3});
    const auto requests = f.sim->Requests();
    QCOMPARE(requests[0].bytes, ProgrammingFrame::TestRequest(kCommandVibratorOn, 0, 0, 0).bytes());
    QCOMPARE(requests[2].bytes, ProgrammingFrame::TestRequest(kCommandAlertOn, 2, 12, 0).bytes());
    QCOMPARE(requests[2].description, std::string("alert test on channel F2 call 12"));
  }

  void testCommandOnUnusablePortShowsOpenError() {
    PagerLink link;
    QStringList messages;
    link.SetHost({{}, [&](const QString& m) { messages << m; }});
    link.SetPortNames({"/dev/zt310-no-such-port"});
    QVERIFY(!link.SendTestCommand(kCommandVibratorOff, 0, 0, 0));
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages[0].startsWith("Error opening comm port."));
  }

  // The reasoning from what is known of a port to what the user is told.
  void portProblemReasons_data() {
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("characterDevice");
    QTest::addColumn<bool>("terminal");
    QTest::addColumn<bool>("accessDenied");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QString>("line");
    QTest::newRow("missing") << false << true << true << false << false << "Port /dev/ttyS9: no such device.";
    QTest::newRow("regular file") << true << false << true << false << false << "Port /dev/ttyS9: not a serial port.";
    QTest::newRow("no terminal") << true << true << false << false << true << "Port /dev/ttyS9: not a serial port.";
    QTest::newRow("denied") << true << true << true << true << true << "Port /dev/ttyS9: permission denied.";
    QTest::newRow("held") << true << true << true << false << true << "Port /dev/ttyS9: in use by another program.";
    QTest::newRow("other") << true << true << true << false << false << "Port /dev/ttyS9: Input/output error.";
  }
  void portProblemReasons() {
    QFETCH(bool, exists);
    QFETCH(bool, characterDevice);
    QFETCH(bool, terminal);
    QFETCH(bool, accessDenied);
    QFETCH(bool, busy);
    QFETCH(QString, line);
    const PortProblem problem = ClassifyPortProblem({exists, characterDevice, terminal, accessDenied, busy});
    QCOMPARE(PortProblemLine("ttyS9", problem, "Input/output error"), line);
  }

  // The same for real paths, through a failed open.
  void portProblemsOfRealPaths() {
    QTemporaryDir dir;
    QFile regular(dir.filePath("file"));
    QVERIFY(regular.open(QIODevice::WriteOnly));
    regular.close();
    const struct {
      QString path;
      PortProblem problem;
    } cases[] = {{"/dev/ttyNOPE", PortProblem::NoSuchDevice},
                 {dir.filePath("missing/ttyUSB0"), PortProblem::NoSuchDevice},
                 {regular.fileName(), PortProblem::NotASerialPort},
                 {"/dev/null", PortProblem::NotASerialPort}};
    for (const auto& c : cases) {
      TCommPort port;
      try {
        port.Reopen(9600, c.path);
        QFAIL(qPrintable("opened " + c.path));
      } catch (const ECommError& error) {
        QCOMPARE(error.problem(), c.problem);
      }
    }
  }

  void openErrorMessages_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("permissionDenied");
    QTest::addColumn<QString>("expectedStart");
    QTest::addColumn<bool>("explainsGroup");
    QTest::newRow("device busy") << 8 << false << QString(kOpenErrorInUseText) << false;
    QTest::newRow("settings refused") << 15 << false << QString(kOpenErrorText) << false;
    QTest::newRow("permission denied") << 8 << true << QString(kOpenErrorInUseText) + "\n" << true;
  }
  void openErrorMessages() {
    QFETCH(int, code);
    QFETCH(bool, permissionDenied);
    QFETCH(QString, expectedStart);
    QFETCH(bool, explainsGroup);
    const ECommError error(static_cast<CommErrorCode>(code), {}, permissionDenied);
    const QString message = OpenErrorMessage(error, "ttyUSB0");
    QVERIFY2(message.startsWith(expectedStart), qPrintable(message));
    QCOMPARE(message.contains("usermod -aG"), explainsGroup);
    if (!explainsGroup) QCOMPARE(message, expectedStart);
  }

  void traceShowsFramesAndTimeOuts() {
    QTemporaryDir dir;
    LinkTrace trace;
    QVERIFY(trace.Open(dir.filePath("trace.txt"), nullptr));
    sim::SimOptions options;
    options.faults.push_back({sim::FaultKind::Drop, 2, 0});
    Linked f(options);
    f.link.SetTrace(&trace);
    std::uint8_t none[1];
    QVERIFY(f.link.CheckTargetBoard());
    QVERIFY(!f.link.ReadBlock(kMemoryAddress, none, 0, 0));
    QFile file(dir.filePath("trace.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    const QString device = f.sim.device();
    QVERIFY2(text.contains(device + " > 4D 61 72 6C 6F 77 74 69 64 65 33 52 03 00 00 00 00 88"), qPrintable(text));
    QVERIFY(text.contains(device + " < 4D 61 72 6C 6F 77 74 69 64 65 33 52 00 00 85"));
    QVERIFY(text.contains(device + " ! TIMEOUT after 0 of 15 bytes"));
    QVERIFY(QRegularExpression("\\n +\\d+ /dev/").match(text).hasMatch());
  }

  void waitPumpingKeepsEventsAlive() {
    QElapsedTimer clock;
    clock.start();
    WaitPumping(0);
    QVERIFY(clock.elapsed() < 20);
    bool fired = false;
    QTimer::singleShot(10, [&] { fired = true; });
    WaitPumping(60);
    QVERIFY(fired);
    QVERIFY(clock.elapsed() >= 60);
  }
};

QTEST_GUILESS_MAIN(LinkTest)
#include "test_link.moc"
