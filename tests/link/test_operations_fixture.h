// SPDX-License-Identifier: GPL-3.0-or-later
// The pager operations against the simulated pager: a host that records
// everything the user would see, and a bench that wires link, model, host
// and a simulator together with short time-outs.
#pragma once

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SimFixture.h"
#include "editor/EditorModel.h"
#include "link/OperationHost.h"
#include "link/Operations.h"
#include "link/Production.h"
#include "port/LinkTrace.h"
#include "session/OperationModel.h"

namespace zt310::testing {

class RecordingHost : public OperationHost {
 public:
  void Warning(const std::string& text) override { warnings.push_back(text); }
  void Plain(const std::string& text) override { plains.push_back(text); }
  bool Question(const std::string& text) override {
    questions.push_back(text);
    if (onQuestion) onQuestion(text);
    if (answers.empty()) return false;
    const bool ok = answers.front();
    answers.pop_front();
    return ok;
  }
  void Status(const std::string& text) override { statuses.push_back(text); }
  void ProgressLabel(const std::string& text) override {
    labels.push_back(text);
    if (onLabel) onLabel(text);
  }
  void ProgressRange(int minimum, int maximum) override {
    rangeMin = minimum;
    rangeMax = maximum;
    ranges.push_back(maximum);
  }
  void ProgressValue(int value) override {
    QVERIFY2(value >= rangeMin && value <= rangeMax, "gauge value outside its range");
    gauge = value;
    values.push_back(value);
  }
  void ProgressGaugeVisible(bool visible) override { gaugeVisible = visible; }
  void ShowProgress() override {
    progressShown = true;
    gaugeVisible = true;
  }
  void CloseProgress() override { progressShown = false; }
  void MainWindowEnabled(bool enabled) override { mainEnabled = enabled; }
  void Pause(unsigned ms) override { pauses.push_back(ms); }
  void SetCaption(const std::string& caption) override { this->caption = caption; }
  void FocusSerialNumber() override { ++serialFocus; }
  // The model shows what the operation learns of the pager, as the window does.
  void PagerFirmwareShown(const std::string& text) override {
    shown.push_back(text);
    if (model) session::ShowPagerFirmware(*model, text);
  }
  void PagerSerialShown(const std::string& serial) override {
    shown.push_back("S/N " + serial);
    if (model) session::ShowPagerSerial(*model, serial);
  }
  void PagerFirmwareCleared(bool hidden) override {
    if (model) session::ClearPagerFirmware(*model, hidden);
  }
  void WriteStoppedPartway(const PartialWrite& partial) override { partials.push_back(partial); }

  std::string LastStatus() const { return statuses.empty() ? std::string() : statuses.back(); }
  std::string LastLabel() const { return labels.empty() ? std::string() : labels.back(); }

  std::vector<std::string> warnings, plains, questions, statuses, labels;
  std::deque<bool> answers;  // OK (true) or Cancel for each question; Cancel when none is left
  // What the user sees while a question is open or a label is shown.
  std::function<void(const std::string&)> onQuestion, onLabel;
  std::vector<std::string> shown;  // firmware and serial number, as they are shown
  std::vector<PartialWrite> partials;
  std::vector<int> ranges, values;
  std::vector<unsigned> pauses;
  std::string caption;
  int rangeMin = 0, rangeMax = 100, gauge = 0, serialFocus = 0;
  bool gaugeVisible = true, progressShown = false, mainEnabled = true;
  editor::EditorModel* model = nullptr;
};

// Poll units of 5 ms: about 2.5 s per byte of a transfer, 1 s of a probe,
// ample for a loaded or sanitized run. A fault of the simulator costs no
// time-out (ReplyWithheldBy), so short time-outs are not needed.
inline LinkTiming TestTiming() { return LinkTiming{5.0, 0.0}; }

class OperationBench {
 public:
  explicit OperationBench(sim::SimOptions options = {}, LinkTiming timing = TestTiming())
      : sim(std::move(options)), model(editor::CreateEditorModel()) {
    link.SetTiming(timing);
    link.SetHost({{}, [this](const QString& message) { host.warnings.push_back(message.toStdString()); }});
    link.SetPortNames({sim.device()});
    link.SetReplyWithheldCheck(ReplyWithheldBy(*sim));
    model->SetMessageSink([this](const editor::Message& message) {
      modelMessages.push_back(message.text);
      return editor::Answer::Ok;
    });
    host.model = model.get();
    QVERIFY(dir.isValid());
  }

  OperationContext Context() { return {link, host, std::filesystem::path(dir.path().toStdString())}; }
  // The model's image and choices in, the result shown in the model, as
  // the window runs an operation.
  template <typename Operation>
  OperationResult Run(OperationContext& context, Operation operation) {
    OperationResult result = operation(context, session::RequestFrom(*model));
    session::ShowOutcome(*model, result);
    return result;
  }
  // The working image becomes the pager's memory, as after a Read and Save.
  void TakePagerMemory() { CopyImage(model->image(), sim->Memory()); }
  CodePlugImage& image() { return model->image(); }
  std::filesystem::path Path(const std::string& name) const {
    return std::filesystem::path(dir.path().toStdString()) / name;
  }

  OperationResult Write() {
    OperationContext context = Context();
    return Run(context, WritePager);
  }
  OperationResult Read() {
    OperationContext context = Context();
    return Run(context, ReadPager);
  }
  OperationResult Verify() {
    OperationContext context = Context();
    return Run(context, VerifyPager);
  }
  OperationResult Produce(const std::string& serial, const ProductionOptions& options) {
    OperationContext context = Context();
    return Run(context, [&](OperationContext& each, const OperationRequest& request) {
      return ProduceScannedSerial(each, request, options, serial);
    });
  }
  ProductionOptions LogHere(LocalDateTime when = {2024, 5, 17, 9, 7, 31}) {
    return {std::filesystem::path(dir.path().toStdString()), [when] { return when; }};
  }

  // Every operation ends like this, whatever happened.
  void VerifyEndedCleanly() {
    QVERIFY(!link.Port().IsOpen());
    QVERIFY(!host.progressShown);
    QVERIFY(host.mainEnabled);
    QCOMPARE(host.gauge, 0);
  }

  int RequestCount() { return static_cast<int>(sim->Requests().size()); }

  // Every frame and time-out into the trace file of the bench's folder.
  void TraceLink() {
    QString error;
    QVERIFY2(trace.Open(QString::fromStdString(Path("link.trace").string()), &error), qPrintable(error));
    link.SetTrace(&trace);
  }
  // How many time-outs the trace holds, and how many of them ended at once
  // on a reply the simulator withheld (none was waited out when they agree).
  std::pair<int, int> TimeOuts() const {
    QFile file(QString::fromStdString(Path("link.trace").string()));
    if (!file.open(QIODevice::ReadOnly)) return {-1, -1};
    const QByteArray text = file.readAll();
    return {int(text.count(" TIMEOUT after ")), int(text.count("the other end withheld the reply"))};
  }

  QTemporaryDir dir;
  RunningSim sim;
  PagerLink link;
  LinkTrace trace;
  RecordingHost host;
  std::unique_ptr<editor::EditorModel> model;
  std::vector<std::string> modelMessages;
};

inline sim::SimOptions WithFirmware(int major, int minor, int patch) {
  sim::SimOptions options;
  options.firmware = std::array<int, 3>{major, minor, patch};
  return options;
}

inline sim::SimOptions WithFault(sim::FaultKind kind, int request, sim::SimOptions options = {}) {
  options.faults.push_back({kind, request, kind == sim::FaultKind::Slow ? 1 : 0});
  return options;
}

inline void SetImageFirmware(CodePlugImage& image, int version) {
  image[layout::kFirmwareMajor] = static_cast<std::uint8_t>(version / 100);
  image[layout::kFirmwareMinor] = static_cast<std::uint8_t>(version / 10 % 10);
  image[layout::kFirmwarePatch] = static_cast<std::uint8_t>(version % 10);
}

}  // namespace zt310::testing
