// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/PagerSim.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>

#include "codeplug/Hex.h"
#include "codeplug/SafeFile.h"
#include "protocol/ProgrammingFrame.h"

namespace zt310::sim {

namespace {

std::int64_t NowNs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

std::optional<int> ParseInt(std::string_view text, int min, int max) {
  int value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() || value < min || value > max) {
    return std::nullopt;
  }
  return value;
}

struct FaultNameRow {
  FaultKind kind;
  std::string_view name;
};
constexpr FaultNameRow kFaultNames[] = {
    {FaultKind::Drop, "drop"},      {FaultKind::Short, "short"},     {FaultKind::Corrupt, "corrupt"},
    {FaultKind::BadAck, "bad-ack"}, {FaultKind::Flip, "flip"},       {FaultKind::Unplug, "unplug"},
    {FaultKind::Slow, "slow"},      {FaultKind::Garbage, "garbage"},
};

std::optional<std::array<int, 3>> ParseFirmware(std::string_view text) {
  std::array<int, 3> digits{};
  for (int i = 0; i < 3; ++i) {
    const std::size_t dot = i < 2 ? text.find('.') : text.size();
    if (dot == std::string_view::npos) return std::nullopt;
    const auto digit = ParseInt(text.substr(0, dot), 0, 255);
    if (!digit) return std::nullopt;
    digits[static_cast<std::size_t>(i)] = *digit;
    text = i < 2 ? text.substr(dot + 1) : std::string_view();
  }
  return digits;
}

bool ReadMemoryFile(const std::string& path, CodePlugImage& memory, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.eof() && !in.good()) {
    *error = "cannot read " + path;
    return false;
  }
  if (bytes.size() != layout::kImageSize) {
    *error = path + " is not a 512-byte memory image";
    return false;
  }
  std::copy(bytes.begin(), bytes.end(), memory.data());
  return true;
}

const char* TestCommandName(std::uint8_t command) {
  switch (command) {
    case kCommandVibratorOn:
      return "vibrator on";
    case kCommandVibratorOff:
      return "vibrator off";
    case kCommandAlertOn:
      return "alert test on";
    case kCommandAlertOff:
      return "alert test off";
    default:
      return "unknown test command";
  }
}

}  // namespace

std::optional<Fault> ParseFault(std::string_view text, std::string* error) {
  const std::size_t at = text.rfind('@');
  const auto request = at == std::string_view::npos ? std::nullopt : ParseInt(text.substr(at + 1), 1, 1 << 30);
  if (!request) {
    *error = "fault '" + std::string(text) + "' wants KIND@N with N from 1";
    return std::nullopt;
  }
  std::string_view kind = text.substr(0, at);
  Fault fault;
  fault.request = *request;
  if (kind.starts_with("slow:")) {
    const auto ms = ParseInt(kind.substr(5), 0, 600000);
    if (!ms) {
      *error = "fault '" + std::string(text) + "' wants slow:MS@N";
      return std::nullopt;
    }
    fault.kind = FaultKind::Slow;
    fault.slowMs = *ms;
    return fault;
  }
  for (const auto& row : kFaultNames) {
    if (row.name == kind && row.kind != FaultKind::Slow) {
      fault.kind = row.kind;
      return fault;
    }
  }
  *error = "unknown fault '" + std::string(kind) + "' (drop, short, corrupt, bad-ack, flip, unplug, slow:MS, garbage)";
  return std::nullopt;
}

std::string FaultName(const Fault& fault) {
  for (const auto& row : kFaultNames) {
    if (row.kind != fault.kind) continue;
    std::string name(row.name);
    if (fault.kind == FaultKind::Slow) name += ":" + std::to_string(fault.slowMs);
    return name;
  }
  return "?";
}

std::optional<SimOptions> ParseSimArguments(const std::vector<std::string>& args, std::string* error) {
  SimOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) {
        *error = arg + " needs a value";
        return std::nullopt;
      }
      return args[++i];
    };
    if (arg == "--single-channel") {
      options.singleChannel = true;
    } else if (arg == "--narrow-band") {
      options.narrowBand = true;
    } else if (arg == "--link" || arg == "--save" || arg == "--trace" || arg == "--serial") {
      const auto text = value();
      if (!text) return std::nullopt;
      if (arg == "--link") options.linkPath = *text;
      if (arg == "--save") options.savePath = *text;
      if (arg == "--trace") options.tracePath = *text;
      if (arg == "--serial") {
        if (text->size() > static_cast<std::size_t>(layout::kSerialNumberLength)) {
          *error = "--serial takes at most 14 characters";
          return std::nullopt;
        }
        options.serial = *text;
      }
    } else if (arg == "--memory") {
      const auto path = value();
      if (!path) return std::nullopt;
      CodePlugImage memory;
      if (!ReadMemoryFile(*path, memory, error)) return std::nullopt;
      options.memory = memory;
    } else if (arg == "--firmware") {
      const auto text = value();
      if (!text) return std::nullopt;
      options.firmware = ParseFirmware(*text);
      if (!options.firmware) {
        *error = "--firmware wants X.Y.Z, each 0 to 255";
        return std::nullopt;
      }
    } else if (arg == "--baud" || arg == "--turnaround" || arg == "--adapter-latency") {
      const auto text = value();
      if (!text) return std::nullopt;
      const int most = arg == "--baud" ? 4000000 : arg == "--turnaround" ? 600000 : 255;
      const auto number = ParseInt(*text, 0, most);
      if (!number) {
        *error = arg + " wants a number from 0 to " + std::to_string(most);
        return std::nullopt;
      }
      (arg == "--baud"         ? options.baud
       : arg == "--turnaround" ? options.turnaroundMs
                               : options.adapterLatencyMs) = *number;
    } else if (arg == "--fault") {
      const auto text = value();
      if (!text) return std::nullopt;
      const auto fault = ParseFault(*text, error);
      if (!fault) return std::nullopt;
      options.faults.push_back(*fault);
    } else {
      *error = "unknown option '" + arg + "'";
      return std::nullopt;
    }
  }
  return options;
}

CodePlugImage InitialMemory(const SimOptions& options) {
  CodePlugImage memory;
  std::optional<std::array<int, 3>> firmware = options.firmware;
  if (options.memory) {
    memory = *options.memory;
  } else {
    memory = FactoryDefaultImage();
    StoreImageChecksum(memory);
    if (!firmware) firmware = std::array<int, 3>{1, 3, 0};
  }
  const bool checksumValid = ComputeImageChecksum(memory) == memory.GetWord(layout::kImageChecksum);
  if (firmware) {
    memory[layout::kFirmwareMajor] = static_cast<std::uint8_t>((*firmware)[0]);
    memory[layout::kFirmwareMinor] = static_cast<std::uint8_t>((*firmware)[1]);
    memory[layout::kFirmwarePatch] = static_cast<std::uint8_t>((*firmware)[2]);
  }
  if (options.singleChannel) memory[layout::kSingleChannelMarker] = layout::kMarkerOn;
  if (options.narrowBand) {
    memory[layout::kNarrowBandMarker] = 0;
    memory[layout::kBand] = 1;
  }
  if (options.serial) {
    for (int i = 0; i < layout::kSerialNumberLength; ++i) {
      const std::size_t at = static_cast<std::size_t>(i);
      memory[layout::kSerialNumber + i] =
          at < options.serial->size() ? static_cast<std::uint8_t>((*options.serial)[at]) : 0;
    }
    memory.SetWord(layout::kSerialChecksum, ComputeSerialChecksum(memory));
  }
  if (checksumValid) StoreImageChecksum(memory);
  return memory;
}

PagerSimulator::PagerSimulator(SimOptions options)
    : options_(std::move(options)),
      memory_(InitialMemory(options_)),
      faults_(options_.faults),
      turnaroundMs_(options_.turnaroundMs) {}

PagerSimulator::~PagerSimulator() {
  Stop();
  if (thread_.joinable()) thread_.join();
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
  for (int fd : stopPipe_) {
    if (fd >= 0) ::close(fd);
  }
  if (!options_.linkPath.empty()) ::unlink(options_.linkPath.c_str());
}

bool PagerSimulator::Open(std::string* error) {
  auto fail = [&](const std::string& what) {
    *error = what + ": " + std::strerror(errno);
    return false;
  };
  if (::pipe2(stopPipe_, O_CLOEXEC | O_NONBLOCK) != 0) return fail("pipe");
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) return fail("posix_openpt");
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return fail("unlockpt");
  const char* name = ::ptsname(master_);
  if (name == nullptr) return fail("ptsname");
  devicePath_ = name;
  slave_ = ::open(devicePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) return fail("open " + devicePath_);
  // Raw from the start: no echo, no line editing, before any client opens.
  termios settings{};
  if (::tcgetattr(slave_, &settings) == 0) {
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, B9600);
    ::tcsetattr(slave_, TCSANOW, &settings);
  }
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  if (!options_.linkPath.empty()) {
    struct stat existing {};
    if (::lstat(options_.linkPath.c_str(), &existing) == 0) {
      if (!S_ISLNK(existing.st_mode)) {
        *error = options_.linkPath + " exists and is not a symbolic link";
        return false;
      }
      ::unlink(options_.linkPath.c_str());
    }
    if (::symlink(devicePath_.c_str(), options_.linkPath.c_str()) != 0) return fail("symlink " + options_.linkPath);
  }
  if (!options_.tracePath.empty()) {
    std::ofstream trace(options_.tracePath, std::ios::trunc);
    if (!trace) return fail("open " + options_.tracePath);
  }
  return true;
}

void PagerSimulator::Start() {
  thread_ = std::thread([this] { Run(); });
}

void PagerSimulator::Stop() {
  if (stopPipe_[1] >= 0) {
    const char byte = 's';
    [[maybe_unused]] const auto written = ::write(stopPipe_[1], &byte, 1);
  }
}

bool PagerSimulator::SleepUntil(std::int64_t ns) {
  for (;;) {
    const std::int64_t left = ns - NowNs();
    if (left <= 0) return true;
    pollfd stop{stopPipe_[0], POLLIN, 0};
    const timespec wait{static_cast<time_t>(left / 1000000000), static_cast<long>(left % 1000000000)};
    if (::ppoll(&stop, 1, &wait, nullptr) > 0) return false;
  }
}

std::int64_t PagerSimulator::ByteTimeNs() const {
  // 8N1: ten bit times per byte.
  return options_.baud > 0 ? 10LL * 1000000000 / options_.baud : 0;
}

void PagerSimulator::Run() {
  std::vector<std::uint8_t> pending;
  std::int64_t firstByteNs = 0;
  for (;;) {
    pollfd fds[2] = {{stopPipe_[0], POLLIN, 0}, {unplugged_ ? -1 : master_, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[0].revents != 0) break;
    if ((fds[1].revents & POLLIN) == 0) continue;
    std::uint8_t chunk[512];
    const ssize_t got = ::read(master_, chunk, sizeof chunk);
    if (got <= 0) continue;
    if (pending.empty()) firstByteNs = NowNs();
    pending.insert(pending.end(), chunk, chunk + got);
    Serve(pending, firstByteNs);
  }
}

void PagerSimulator::Serve(std::vector<std::uint8_t>& pending, std::int64_t firstByteNs) {
  const std::vector<std::uint8_t> preamble(kFramePreamble.begin(), kFramePreamble.end());
  while (!pending.empty() && !unplugged_) {
    // Line noise before a preamble is skipped; a partial preamble is kept.
    const auto start = std::search(pending.begin(), pending.end(), preamble.begin(), preamble.end());
    if (start == pending.end()) {
      const std::size_t keep = std::min(pending.size(), preamble.size() - 1);
      pending.erase(pending.begin(), pending.end() - static_cast<long>(keep));
      return;
    }
    pending.erase(pending.begin(), start);
    if (pending.size() < static_cast<std::size_t>(kFrameHeaderSize)) return;
    const std::size_t total = static_cast<std::size_t>(kFrameOverhead) + pending[12];
    if (pending.size() < total) return;
    std::vector<std::uint8_t> request(pending.begin(), pending.begin() + static_cast<long>(total));
    if (!ParseRequest(request)) {
      SimRequest rejected{0, request, "bad checksum, ignored"};
      Trace(rejected, std::nullopt);
      pending.erase(pending.begin());
      continue;
    }
    pending.erase(pending.begin(), pending.begin() + static_cast<long>(total));
    Handle(request, firstByteNs);
    firstByteNs = NowNs();
  }
}

std::optional<Fault> PagerSimulator::FaultFor(int request) const {
  std::lock_guard lock(mutex_);
  for (const Fault& fault : faults_) {
    if (fault.request == request) return fault;
  }
  return std::nullopt;
}

void PagerSimulator::Handle(const std::vector<std::uint8_t>& request, std::int64_t firstByteNs) {
  int number = 0;
  {
    std::lock_guard lock(mutex_);
    number = static_cast<int>(requests_.size()) + 1;
  }
  const std::optional<Fault> fault = FaultFor(number);
  SimRequest record{number, request, {}};
  std::optional<std::vector<std::uint8_t>> reply = Answer(request, fault, record.description);
  Trace(record, fault);
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(record);
  }
  // The request is only whole once its last byte has crossed the line.
  const std::int64_t byteNs = ByteTimeNs();
  if (!SleepUntil(firstByteNs + byteNs * (static_cast<std::int64_t>(request.size()) - 1))) return;
  if (fault && fault->kind == FaultKind::Unplug) {
    Unplug();
    return;
  }
  // Test commands are never answered; a memory request always expects its reply.
  const bool expectsReply = ParseRequest(request)->address != kTestAddress;
  if (!reply) {
    if (expectsReply) lastWithheld_ = number;
    return;
  }
  if (!SleepUntil(NowNs() + static_cast<std::int64_t>(turnaroundMs_) * 1000000)) return;
  SendReply(*reply, fault && fault->kind == FaultKind::Slow ? fault->slowMs : 0);
  if (fault && fault->kind == FaultKind::Short) lastWithheld_ = number;
}

std::optional<std::vector<std::uint8_t>> PagerSimulator::Answer(const std::vector<std::uint8_t>& bytes,
                                                                const std::optional<Fault>& fault,
                                                                std::string& description) {
  const ParsedRequest request = *ParseRequest(bytes);
  const FaultKind kind = fault ? fault->kind : FaultKind::Slow;
  const bool faulty = fault.has_value();
  std::optional<std::vector<std::uint8_t>> reply;
  const int offset = request.payload.size() >= 2 ? (request.payload[0] << 8 | request.payload[1]) : -1;

  if (request.address == kTestAddress) {
    description = TestCommandName(request.command);
    if (request.command == kCommandAlertOn && request.payload.size() == 3) {
      description += " channel F" + std::to_string(request.payload[0]) + " call " + std::to_string(request.payload[1]);
    }
  } else if (request.address == kMemoryAddress && request.command == kCommandRead && request.payload.size() == 3) {
    const int count = request.payload[2];
    description = "read " + std::to_string(offset) + "+" + std::to_string(count);
    if (offset + count <= static_cast<int>(layout::kImageSize) && count <= kMaxBlockSize) {
      std::lock_guard lock(mutex_);
      reply = BuildReadReply(memory_.bytes(), offset, count).bytes();
    } else {
      description += " outside the memory, no reply";
    }
  } else if (request.address == kMemoryAddress && request.command == kCommandWrite && request.payload.size() >= 2) {
    const int count = static_cast<int>(request.payload.size()) - 2;
    description = "write " + std::to_string(offset) + "+" + std::to_string(count);
    if (offset + count <= static_cast<int>(layout::kImageSize)) {
      {
        std::lock_guard lock(mutex_);
        std::copy(request.payload.begin() + 2, request.payload.end(), memory_.data() + offset);
        if (faulty && kind == FaultKind::Flip && count > 0) memory_[offset] ^= 0x01;
      }
      SaveMemory();
      const auto& ack = WriteAcknowledgement();
      reply.emplace(ack.begin(), ack.end());
      if (faulty && kind == FaultKind::BadAck) (*reply)[14] = 0x07;
    } else {
      description += " outside the memory, no reply";
    }
  } else {
    description = "unknown command, no reply";
  }

  if (!reply || !faulty) return reply;
  switch (kind) {
    case FaultKind::Drop:
      return std::nullopt;
    case FaultKind::Short:
      reply->pop_back();
      break;
    case FaultKind::Corrupt: {
      const std::size_t at = reply->size() - 2;
      const std::uint16_t sum = static_cast<std::uint16_t>(((*reply)[at] << 8 | (*reply)[at + 1]) + 1);
      (*reply)[at] = static_cast<std::uint8_t>(sum >> 8);
      (*reply)[at + 1] = static_cast<std::uint8_t>(sum & 0xFF);
      break;
    }
    case FaultKind::Garbage: {
      std::mt19937 random(garbageSeed_++);
      for (auto& b : *reply) b = static_cast<std::uint8_t>(random());
      break;
    }
    default:
      break;
  }
  return reply;
}

bool PagerSimulator::WriteAllToMaster(const std::uint8_t* bytes, std::size_t count) {
  std::size_t sent = 0;
  while (sent < count) {
    const ssize_t n = ::write(master_, bytes + sent, count - sent);
    if (n > 0)
      sent += static_cast<std::size_t>(n);
    else if (errno != EAGAIN && errno != EINTR)
      return false;
    else if (!SleepUntil(NowNs() + 1000000))
      return false;
  }
  return true;
}

// The adapter's chip passes received bytes to the host in packets: when its
// latency timer runs out, or as soon as 62 bytes wait. The timer restarts
// with every packet, an empty one too, so an idle adapter's timer runs out
// every MS ms, and a reply that follows a packet at once waits nearly MS.
void PagerSimulator::SendThroughAdapter(const std::vector<std::uint8_t>& reply, int gapMs) {
  constexpr std::size_t kPacketBytes = 62;
  const std::int64_t latencyNs = static_cast<std::int64_t>(options_.adapterLatencyMs) * 1000000;
  const std::int64_t byteNs = ByteTimeNs();
  const std::int64_t start = NowNs();
  // The first time the timer runs out at or after t.
  const auto timerRunsOut = [&](std::int64_t t) {
    if (t <= lastFlushNs_) return lastFlushNs_ + latencyNs;
    const std::int64_t periods = (t - lastFlushNs_ + latencyNs - 1) / latencyNs;
    return lastFlushNs_ + std::max<std::int64_t>(periods, 1) * latencyNs;
  };
  std::vector<std::uint8_t> held;
  std::int64_t heldSince = 0;
  std::size_t next = 0;
  while (next < reply.size() || !held.empty()) {
    const std::int64_t arrives = next < reply.size()
                                     ? start + static_cast<std::int64_t>(next) * (byteNs + gapMs * 1000000LL) + byteNs
                                     : INT64_MAX;
    const std::int64_t flushDue = held.empty() ? INT64_MAX : timerRunsOut(heldSince);
    std::int64_t flushedAt = 0;
    if (arrives <= flushDue) {
      if (!SleepUntil(arrives)) return;
      if (held.empty()) heldSince = NowNs();
      held.push_back(reply[next++]);
      if (held.size() < kPacketBytes) continue;
      flushedAt = NowNs();
    } else {
      if (!SleepUntil(flushDue)) return;
      flushedAt = flushDue;
    }
    if (!WriteAllToMaster(held.data(), held.size())) return;
    held.clear();
    lastFlushNs_ = flushedAt;
  }
}

void PagerSimulator::SendReply(const std::vector<std::uint8_t>& reply, int gapMs) {
  if (options_.adapterLatencyMs > 0) {
    SendThroughAdapter(reply, gapMs);
    return;
  }
  const std::int64_t byteNs = ByteTimeNs();
  if (byteNs == 0 && gapMs == 0) {
    std::size_t sent = 0;
    while (sent < reply.size()) {
      const ssize_t n = ::write(master_, reply.data() + sent, reply.size() - sent);
      if (n > 0)
        sent += static_cast<std::size_t>(n);
      else if (errno != EAGAIN && errno != EINTR)
        return;
      else if (!SleepUntil(NowNs() + 1000000))
        return;
    }
    return;
  }
  const std::int64_t start = NowNs();
  for (std::size_t i = 0; i < reply.size(); ++i) {
    const std::int64_t due = start + static_cast<std::int64_t>(i) * (byteNs + gapMs * 1000000LL) + byteNs;
    if (!SleepUntil(due)) return;
    while (::write(master_, &reply[i], 1) != 1) {
      if (errno != EAGAIN && errno != EINTR) return;
      if (!SleepUntil(NowNs() + 1000000)) return;
    }
  }
}

void PagerSimulator::Unplug() {
  unplugged_ = true;
  ::close(master_);
  ::close(slave_);
  master_ = slave_ = -1;
  if (!options_.linkPath.empty()) ::unlink(options_.linkPath.c_str());
}

void PagerSimulator::Trace(const SimRequest& request, const std::optional<Fault>& fault) {
  if (options_.tracePath.empty()) return;
  std::ofstream trace(options_.tracePath, std::ios::app);
  trace << request.number << " " << SpacedHex(request.bytes) << " ; " << request.description;
  if (fault) trace << " [fault " << FaultName(*fault) << "]";
  // When the request was whole, on the monotonic clock every process shares,
  // so the traces of several cradles can be laid side by side.
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, " @%.3f", static_cast<double>(NowNs()) / 1e6);
  trace << stamp << "\n";
}

CodePlugImage PagerSimulator::Memory() const {
  std::lock_guard lock(mutex_);
  return memory_;
}

void PagerSimulator::SetMemory(const CodePlugImage& memory) {
  std::lock_guard lock(mutex_);
  memory_ = memory;
}

std::vector<SimRequest> PagerSimulator::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

bool PagerSimulator::SaveMemory() const {
  if (options_.savePath.empty()) return true;
  const CodePlugImage memory = Memory();
  const std::vector<std::uint8_t> bytes(memory.data(), memory.data() + layout::kImageSize);
  return ReplaceFileWith(options_.savePath, bytes).empty();
}

}  // namespace zt310::sim
