// SPDX-License-Identifier: GPL-3.0-or-later
// A ZT310 pager in its programming cradle, on a pseudo-terminal: answers
// reads and writes of its 512-byte memory the way the cradle does, ignores
// (and traces) the test commands, and injects faults on chosen requests.
// The same engine serves the zt310-sim program and runs in-process on its
// own thread for tests.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "codeplug/CodePlugImage.h"

namespace zt310::sim {

enum class FaultKind { Drop, Short, Corrupt, BadAck, Flip, Unplug, Slow, Garbage };

// On the Nth request (counted from 1, test commands included).
struct Fault {
  FaultKind kind = FaultKind::Drop;
  int request = 1;
  int slowMs = 0;  // Slow: pause between reply bytes
};

// "drop@3", "slow:200@2", ...
std::optional<Fault> ParseFault(std::string_view text, std::string* error);
std::string FaultName(const Fault& fault);

struct SimOptions {
  std::optional<CodePlugImage> memory;         // default: factory image with a stored checksum
  std::optional<std::array<int, 3>> firmware;  // identity bytes 12..14; 1.3.0 on the default memory
  bool singleChannel = false;                  // identity byte 11 = 254
  bool narrowBand = false;                     // bytes 136/138 = 0/1
  std::optional<std::string> serial;           // serial block with its sum
  int baud = 0;                                // pace both directions as this line would; 0 instant
  int turnaroundMs = 0;                        // pause between request and reply
  // A USB serial adapter's latency timer: reply bytes are held until this
  // many ms have passed since the adapter last passed bytes on, or 62
  // bytes wait; 0 passes every byte on at once.
  int adapterLatencyMs = 0;
  std::vector<Fault> faults;
  std::string savePath;   // memory after every write and at exit
  std::string tracePath;  // one line per request
  std::string linkPath;   // symlink to the device
};

// Command-line options of zt310-sim; nothing and a reason on a bad option.
std::optional<SimOptions> ParseSimArguments(const std::vector<std::string>& args, std::string* error);

// The memory the pager starts with. A valid stored checksum stays valid
// through the identity, band and serial options.
CodePlugImage InitialMemory(const SimOptions& options);

struct SimRequest {
  int number = 0;
  std::vector<std::uint8_t> bytes;  // the whole request as received
  std::string description;          // "read 0+16", "vibrator on", ...
};

class PagerSimulator {
 public:
  explicit PagerSimulator(SimOptions options);
  ~PagerSimulator();
  PagerSimulator(const PagerSimulator&) = delete;
  PagerSimulator& operator=(const PagerSimulator&) = delete;

  // Creates the pseudo-terminal (and the link when asked for).
  bool Open(std::string* error);
  // The device to open, e.g. /dev/pts/4.
  const std::string& DevicePath() const { return devicePath_; }

  // Serves requests until Stop(); Start() does it on a thread of its own.
  void Run();
  void Start();
  // Safe from any thread and from a signal handler.
  void Stop();

  CodePlugImage Memory() const;
  void SetMemory(const CodePlugImage& memory);
  std::vector<SimRequest> Requests() const;
  // The number of the last memory request that the simulator finished with
  // but answered with no reply or a short one (a fault, or a request it
  // cannot serve); 0 when none. A test's link stops waiting for that reply
  // at once instead of waiting its time-out out.
  int LastWithheldReply() const { return lastWithheld_.load(); }
  // Writes the memory to the save file, when one is named.
  bool SaveMemory() const;

 private:
  void Serve(std::vector<std::uint8_t>& pending, std::int64_t firstByteNs);
  void Handle(const std::vector<std::uint8_t>& request, std::int64_t firstByteNs);
  std::optional<std::vector<std::uint8_t>> Answer(const std::vector<std::uint8_t>& request,
                                                  const std::optional<Fault>& fault, std::string& description);
  void SendReply(const std::vector<std::uint8_t>& reply, int gapMs);
  void SendThroughAdapter(const std::vector<std::uint8_t>& reply, int gapMs);
  bool WriteAllToMaster(const std::uint8_t* bytes, std::size_t count);
  void Unplug();
  void Trace(const SimRequest& request, const std::optional<Fault>& fault);
  std::optional<Fault> FaultFor(int request) const;
  // Sleeps until the monotonic clock reaches ns; false when stopped.
  bool SleepUntil(std::int64_t ns);
  std::int64_t ByteTimeNs() const;

  SimOptions options_;
  mutable std::mutex mutex_;
  CodePlugImage memory_;
  std::vector<SimRequest> requests_;
  std::vector<Fault> faults_;
  int turnaroundMs_ = 0;
  std::atomic<bool> unplugged_{false};
  std::atomic<int> lastWithheld_{0};
  int master_ = -1;
  int slave_ = -1;  // kept open so the device persists between clients
  int stopPipe_[2] = {-1, -1};
  std::string devicePath_;
  std::thread thread_;
  std::uint32_t garbageSeed_ = 0x2545F491u;
  std::int64_t lastFlushNs_ = 0;  // when the adapter last passed reply bytes on
};

}  // namespace zt310::sim
