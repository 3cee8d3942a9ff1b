// SPDX-License-Identifier: GPL-3.0-or-later
// Verbs that talk to the pager in its cradle: ports, probe, test.
#include <QString>
#include <QStringList>

#include <iostream>
#include <memory>

#include "cli/Cli.h"
#include "cli/LinkTimingSeam.h"
#include "cli/Signals.h"
#include "port/LinkTrace.h"
#include "port/PagerLink.h"
#include "port/PortList.h"

namespace zt310::cli {

namespace {

constexpr const char* kPortHelp =
    "  --port PATH   use this port (a name such as ttyUSB0 or a path); repeatable. With --port\n"
    "                only the ports given are opened; without it every listed port is tried\n";
constexpr const char* kPortsPortHelp =
    "  --port PATH   list this port first (a name such as ttyUSB0 or a path); repeatable\n";
constexpr const char* kTraceHelp =
    "  --trace FILE  write every frame sent and received, with ms timestamps, and the time-outs\n";

// The link of one verb: port list with the named ports first, optional trace.
struct VerbLink {
  PagerLink link{LinkHost{}, VerbLinkTiming()};
  LinkTrace trace;
  QStringList named;
  std::vector<std::string> openErrors;
};

// Takes --port and --trace out of args. Nothing on a usage or trace-file error.
// With stops, a second one ends the link's waits at once.
std::unique_ptr<VerbLink> TakeLinkOptions(std::vector<std::string>& args, Io& io, bool* usageError,
                                          const StopSignals* stops = nullptr) {
  std::vector<std::string> ports;
  std::vector<std::string> traces;
  *usageError = !TakeOption(args, "--port", ports) || !TakeOption(args, "--trace", traces) || traces.size() > 1;
  if (*usageError) return nullptr;
  auto verbLink = std::make_unique<VerbLink>();
  for (const auto& port : ports) verbLink->named << QString::fromStdString(port);
  if (!traces.empty()) {
    QString error;
    if (!verbLink->trace.Open(QString::fromStdString(traces[0]), &error)) {
      io.err << "Cannot write the trace \"" << traces[0] << "\": " << error.toStdString() << "\n";
      return nullptr;
    }
    verbLink->link.SetTrace(&verbLink->trace);
  }
  VerbLink* raw = verbLink.get();
  verbLink->link.SetHost({{}, [raw](const QString& message) { raw->openErrors.push_back(message.toStdString()); }});
  if (stops) verbLink->link.SetStopCheck([stops] { return stops->StopNow(); });
  DropEndOfOptions(args);
  // With --port the verb keeps to the ports given: raising DTR and RTS on
  // whatever else is attached is not the user's wish.
  if (verbLink->named.isEmpty()) {
    verbLink->link.BuildPortList();
  } else {
    verbLink->link.SetPortNames(UniqueDevices(verbLink->named));
  }
  return verbLink;
}

int RunPorts(const std::vector<std::string>& argsIn, Io& io) {
  std::vector<std::string> args = argsIn;
  bool usageError = false;
  auto verbLink = TakeLinkOptions(args, io, &usageError);
  if (usageError || !args.empty()) return UsageError(io.err, "zt310 ports [--port PATH]...");
  if (!verbLink) return kExitUsage;
  // The order the window tries them in: the named ports first, then the rest.
  verbLink->link.BuildPortList(verbLink->named);
  // The name first, as scripts take it; what is known of a USB adapter after a tab.
  for (const PortDetails& port : DescribePorts(verbLink->link.PortNames())) {
    const QString details = PortDetailsText(port);
    io.out << port.name.toStdString() << (details.isEmpty() ? "" : "\t" + details.toStdString()) << "\n";
  }
  return kExitOk;
}

// Why the ports named with --port could not be opened (a port of the
// machine's own list that is missing or busy is nobody's concern), then how
// to get access to a port the user may not use.
void PrintOpenProblems(const VerbLink& verbLink, Io& io) {
  if (!verbLink.named.isEmpty()) {
    for (const QString& line : verbLink.link.SearchOpenProblems()) io.err << line.toStdString() << "\n";
  }
  for (const auto& message : verbLink.openErrors) io.err << message << "\n";
}

int RunProbe(const std::vector<std::string>& argsIn, Io& io) {
  std::vector<std::string> args = argsIn;
  bool usageError = false;
  auto verbLink = TakeLinkOptions(args, io, &usageError);
  if (usageError || !args.empty()) return UsageError(io.err, "zt310 probe [--port PATH]... [--trace FILE]");
  if (!verbLink) return kExitUsage;
  if (!verbLink->link.FindTargetBoard()) {
    io.err << kBoardNotRespondingText << "\n";
    PrintOpenProblems(*verbLink, io);
    return kExitFailed;
  }
  io.out << verbLink->link.SelectedPortName().toStdString() << "\n";
  verbLink->link.Port().Close();
  return kExitOk;
}

struct TestRequestPlan {
  const char* what;
  std::vector<TestCommand> frames;
};

// Sends the test frames on the port whose cradle answers; without an answer,
// on the first port named with --port, as the window sends on its selection.
int SendTestFrames(VerbLink& verbLink, const TestRequestPlan& plan, Io& io) {
  PagerLink& link = verbLink.link;
  if (!link.FindTargetBoard()) {
    if (verbLink.named.isEmpty()) {
      io.err << kBoardNotRespondingText << "\n";
      PrintOpenProblems(verbLink, io);
      return kExitFailed;
    }
    verbLink.openErrors.clear();  // opening the port for the frames says it again
    io.err << "No cradle answered; sending on " << link.PortNames().front().toStdString() << " all the same.\n";
    link.SelectPort(0);
  }
  for (const auto& frame : plan.frames) {
    if (!link.SendTestCommand(frame[0], frame[1], frame[2], frame[3])) {
      for (const auto& message : verbLink.openErrors) io.err << message << "\n";
      return kExitFailed;
    }
  }
  io.err << plan.what << " sent on " << link.SelectedPortName().toStdString() << ".\n";
  link.Port().Close();
  return kExitOk;
}

constexpr const char* kTestUsage =
    "zt310 test vibrator on|off [--port PATH]... [--trace FILE]\n"
    "       zt310 test alert on|off [--channel F1|F2] [--call 1..12] [--port PATH]... [--trace FILE]";

std::optional<TestRequestPlan> PlanTest(std::vector<std::string>& args) {
  std::vector<std::string> channels;
  std::vector<std::string> calls;
  if (!TakeOption(args, "--channel", channels) || !TakeOption(args, "--call", calls) || channels.size() > 1 ||
      calls.size() > 1 || args.size() != 2 || (args[1] != "on" && args[1] != "off")) {
    return std::nullopt;
  }
  const bool on = args[1] == "on";
  if (args[0] == "vibrator") {
    if (!channels.empty() || !calls.empty()) return std::nullopt;
    return TestRequestPlan{on ? "Vibrator on" : "Vibrator off",
                           {{on ? kCommandVibratorOn : kCommandVibratorOff, 0, 0, 0}}};
  }
  if (args[0] != "alert") return std::nullopt;
  if (!on) {
    if (!channels.empty() || !calls.empty()) return std::nullopt;
    return TestRequestPlan{"Alert test off", AlertTestCommands(false)};
  }
  int channel = 1;
  if (!channels.empty()) {
    if (channels[0] != "F1" && channels[0] != "F2") return std::nullopt;
    channel = channels[0] == "F1" ? 1 : 2;
  }
  int call = 1;
  if (!calls.empty()) {
    try {
      std::size_t used = 0;
      call = std::stoi(calls[0], &used);
      if (used != calls[0].size()) return std::nullopt;
    } catch (const std::exception&) {
      return std::nullopt;
    }
    if (call < 1 || call > 12) return std::nullopt;
  }
  return TestRequestPlan{"Alert test on", AlertTestCommands(true, channel, call)};
}

int RunTest(const std::vector<std::string>& argsIn, Io& io) {
  std::vector<std::string> args = argsIn;
  StopSignals stops;
  bool usageError = false;
  auto verbLink = TakeLinkOptions(args, io, &usageError, &stops);
  if (usageError) return UsageError(io.err, kTestUsage);
  if (!verbLink) return kExitUsage;
  const auto plan = PlanTest(args);
  if (!plan) return UsageError(io.err, kTestUsage);
  const int exit = SendTestFrames(*verbLink, *plan, io);
  if (!stops.StopAfterTransfer()) return exit;
  io.err << "zt310: stopped on " << SignalName(stops.First()) << " after the frames in hand.\n";
  return stops.ExitCode();
}

}  // namespace

void AddLinkVerbs(std::vector<Verb>& verbs) {
  verbs.push_back({"ports", "zt310 ports [--port PATH]...", "List the serial ports in the order they are tried.",
                   std::string("Ports named with --port first, then USB adapters (ttyUSB, ttyACM), then the others,\n"
                               "each group by number; ttyS0 to ttyS15 when no port is present. One port a\n"
                               "line; a USB adapter's line goes on after a tab with its vendor, product,\n"
                               "USB ids, serial number and stable name under /dev/serial/by-id, which --port\n"
                               "takes (with or without the folder) and which survives replugging.\n") +
                       kPortsPortHelp + "Exit codes: 0 listed, 2 usage error.\n",
                   RunPorts});
  verbs.push_back(
      {"probe", "zt310 probe [--port PATH]... [--trace FILE]", "Find the programming cradle and print its port.",
       std::string("Every listed port is probed at once; the first one in list order whose cradle\n"
                   "answers is printed.\n") +
           kPortHelp + kTraceHelp +
           "Exit codes: 0 a cradle answers, 1 none answers, 2 usage error or the trace cannot be written.\n",
       RunProbe});
  verbs.push_back({"test", "zt310 test vibrator|alert on|off [OPTIONS]",
                   "Make the pager in the cradle vibrate or sound an alert, or stop it.",
                   std::string("Usage: ") + kTestUsage +
                       "\n\nThe frame goes to the port whose cradle answers the probe; no reply is awaited.\n"
                       "  --channel F1|F2  channel of the alert (default F1)\n"
                       "  --call N         1 to 8 CALL #1 to #8, 9 to 12 Group Call #1 to #4 (default 1)\n" +
                       kPortHelp + kTraceHelp +
                       "SIGINT, SIGTERM and SIGHUP let the frames in hand go out, then the program stops.\n"
                       "Exit codes: 0 sent, 1 no cradle answers (without --port) or the port cannot be opened,\n"
                       "2 usage error or the trace cannot be written, 128+N stopped by signal N (130 SIGINT,\n"
                       "143 SIGTERM, 129 SIGHUP).\n",
                   RunTest});
}

}  // namespace zt310::cli
