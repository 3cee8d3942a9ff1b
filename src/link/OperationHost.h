// What the pager operations need from whoever runs them: the main window
// (message boxes, status bar, progress window TForm4, enabling itself) or
// the command line (stderr, no windows). The operations never touch a
// widget; every visible effect goes through this interface or through the
// editor model's controls.
#pragma once

#include <filesystem>
#include <string>

namespace zt310 {

class PagerLink;
namespace editor {
class EditorModel;
}

class OperationHost {
 public:
  virtual ~OperationHost() = default;

  // Modal boxes titled "ZT310" with an OK button: the warning box carries
  // the exclamation icon, the plain box none.
  virtual void Warning(const std::string& text) = 0;
  virtual void Plain(const std::string& text) = 0;
  // OK / Cancel question with the exclamation icon; true for OK.
  virtual bool Question(const std::string& text) = 0;

  // Middle panel of the status bar ("  Ready ......").
  virtual void Status(const std::string& text) = 0;

  // The progress window: its label lblState and its gauge CGauge1.
  virtual void ProgressLabel(const std::string& text) = 0;
  virtual void ProgressRange(int minimum, int maximum) = 0;
  virtual void ProgressValue(int value) = 0;
  virtual void ProgressGaugeVisible(bool visible) = 0;
  // Showing the window makes its gauge visible again.
  virtual void ShowProgress() = 0;
  virtual void CloseProgress() = 0;

  virtual void MainWindowEnabled(bool enabled) = 0;

  // A pause after the last exchange that leaves the result on screen. The
  // window waits while processing events (WaitPumping); the command line
  // returns at once.
  virtual void Pause(unsigned ms) = 0;
  // A pause between two requests: the cradle may need it, so every host
  // really waits (processing events).
  virtual void PaceRequests(unsigned ms) { Pause(ms); }

  // The pager's firmware ("FirmVer. 1.3.0") and serial number, as soon as
  // an operation has read them; the model's lblVersion and edtSerialNo
  // already show them. The window repaints, the command line prints them.
  virtual void PagerFirmwareShown(const std::string& /*text*/) {}
  virtual void PagerSerialShown(const std::string& /*serial*/) {}

  // Read shows the bare program caption, dropping any file name.
  virtual void SetCaption(const std::string& /*caption*/) {}
  // The production run hands the focus back to the "Serial No." field; the
  // window also empties the field then, ready for the next scan.
  virtual void FocusSerialNumber() {}
};

// Everything one operation works with. The link, model and host outlive it.
struct OperationContext {
  PagerLink& link;
  editor::EditorModel& model;
  OperationHost& host;
  // The working directory at program start: errtbl.tbl and the production
  // logs go there.
  std::filesystem::path startupDirectory;
};

}  // namespace zt310
