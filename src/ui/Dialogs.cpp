// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Dialogs.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEnterEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/MessageService.h"

namespace zt310::ui {

ProgressWindow::ProgressWindow(QWidget* mainWindow)
    : QDialog(mainWindow, Qt::FramelessWindowHint | Qt::Dialog), mainWindow_(mainWindow) {
  setObjectName("TForm4");
  setModal(false);
  setStyleSheet("QDialog { background: teal; }");
  auto* layout = new QVBoxLayout(this);
  label_ = new QLabel(this);
  label_->setObjectName("lblState");
  QFont font("Monospace");
  font.setStyleHint(QFont::Monospace);
  font.setBold(true);
  font.setPointSize(14);
  label_->setFont(font);
  label_->setStyleSheet("color: silver;");
  gauge_ = new QProgressBar(this);
  gauge_->setObjectName("CGauge1");
  gauge_->setFixedSize(250, 20);
  gauge_->setTextVisible(false);
  gauge_->setStyleSheet("QProgressBar { background: white; } QProgressBar::chunk { background: red; }");
  layout->addWidget(label_);
  layout->addWidget(gauge_, 0, Qt::AlignHCenter);
  setFixedSize(320, 100);
}

void ProgressWindow::SetLabel(const QString& text) { label_->setText(text); }
void ProgressWindow::SetRange(int minimum, int maximum) { gauge_->setRange(minimum, maximum); }
void ProgressWindow::SetValue(int value) { gauge_->setValue(value); }
void ProgressWindow::SetGaugeVisible(bool visible) { gauge_->setVisible(visible); }

void ProgressWindow::Open() {
  if (mainWindow_) mainWindow_->setEnabled(false);
  if (mainWindow_) move(mainWindow_->geometry().center() - rect().center());
  show();
  raise();
}

void ProgressWindow::closeEvent(QCloseEvent* event) { event->ignore(); }

void ProgressWindow::Finish() {
  hide();
  if (mainWindow_) mainWindow_->setEnabled(true);
  gauge_->setValue(gauge_->minimum());
}

SplashWindow::SplashWindow(QWidget* parent) : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog) {
  setObjectName("TForm3");
  setFixedSize(340, 90);
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel("ZT310 Programmer", this);
  QFont font = title->font();
  font.setBold(true);
  font.setPointSize(16);
  title->setFont(font);
  title->setStyleSheet("color: navy;");
  layout->addWidget(title, 0, Qt::AlignHCenter);
  layout->addWidget(new QLabel("Target board testing .....", this), 0, Qt::AlignHCenter);
}

// The documentation installed beside the program (/usr/share/doc/zt310prog
// for /usr/bin/zt310prog); nothing when the program runs from elsewhere, a
// build folder for instance, whose neighbours are no one's documentation.
static QString InstalledReadme() {
  const QString path = QCoreApplication::applicationDirPath() + "/../share/doc/zt310prog/README.md";
  return QFileInfo(path).isFile() ? QFileInfo(path).canonicalFilePath() : QString();
}

namespace {

constexpr const char* kAboutEmail = "zt310-programmer@example.org";
constexpr const char* kProjectAddress = "https://github.com/zt310prog/zt310prog";
constexpr const char* kLicence =
    "Free software under the GNU General Public License, version 3 or later (GPL-3.0-or-later).";

// An address of the About box: underlined, bold while the pointer is over
// it, opened with the desktop's handler when clicked.
class AddressLabel : public QLabel {
 public:
  AddressLabel(const QString& text, QUrl url, const char* name, QWidget* parent)
      : QLabel(text, parent), url_(std::move(url)) {
    setObjectName(name);
    setStyle(false);
    if (url_.isValid()) setCursor(Qt::PointingHandCursor);
  }

 protected:
  void enterEvent(QEnterEvent* event) override {
    setStyle(true);
    QLabel::enterEvent(event);
  }
  void leaveEvent(QEvent* event) override {
    setStyle(false);
    QLabel::leaveEvent(event);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && url_.isValid() && rect().contains(event->position().toPoint())) {
      QDesktopServices::openUrl(url_);
    }
    QLabel::mouseReleaseEvent(event);
  }

 private:
  void setStyle(bool hovered) {
    QFont style = font();
    style.setUnderline(true);
    style.setBold(hovered);
    setFont(style);
  }
  QUrl url_;
};

}  // namespace

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("TAboutBox");
  setWindowTitle("About");
  auto* layout = new QVBoxLayout(this);
  auto* product = new QLabel("ZT310", this);
  QFont font = product->font();
  font.setBold(true);
  font.setPointSize(18);
  product->setFont(font);
  layout->addWidget(product);
  layout->addWidget(new QLabel("Version 1.3.9 (2011.3.15)", this));
  auto* version = new QLabel(QString("ZT310 Programmer " ZT310_VERSION), this);
  version->setObjectName("lblPackageVersion");
  layout->addWidget(version);
  layout->addWidget(new QLabel("ZT310 Programmer, an open programming tool for ZT310 pagers.", this));
  auto* licence = new QLabel(kLicence, this);
  licence->setObjectName("lblLicence");
  layout->addWidget(licence);
  const QString readme = InstalledReadme();
  const struct {
    const char* caption;
    const char* name;
    QString address;
    QUrl url;
  } addresses[] = {
      {"Homepage : ", "lblUrl", readme.isEmpty() ? QString(kProjectAddress) : readme,
       readme.isEmpty() ? QUrl(kProjectAddress) : QUrl::fromLocalFile(readme)},
      {"Email Address(es) : ", "lblEmail", kAboutEmail, QUrl(QString("mailto:") + kAboutEmail)},
  };
  auto* grid = new QGridLayout;
  for (const auto& row : addresses) {
    const int line = grid->rowCount();
    grid->addWidget(new QLabel(row.caption, this), line, 0);
    grid->addWidget(new AddressLabel(row.address, row.url, row.name, this), line, 1);
  }
  layout->addLayout(grid);
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("OKButton");
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
}

const QStringList& HelpWindow::Lines() {
  static const QStringList lines = {
      "                      RESET FUNCTION HELP",
      " This field sets the method to reset the audio.",
      " There are 7 methods, depending on the model.",
      " 1. Auto RESET:",
      "    Resets the audio when carrier drops.",
      " 2. Delay N sec Auto Reset:",
      "    Waits N seconds before checking carrier drop.",
      " 3. Revert SQ:",
      "    Reverts to Monitor Mode after receiving a SelCall page.",
      " 4. Manual RESET:",
      "    Resets the audio only when the Reset Switch is depressed.",
      " 5. Manual RESET Until Press Reset:",
      "    Resets the audio and record when the Reset Switch is ",
      "    depressed.",
      " 6. Time-out RESET:",
      "    Resets after a selected amount of time only.",
      " 7. Delay AUTO_N with Revert:",
      "    Wait N seconds and then behave as monitor mode ",
      "    until the reset button is pushed.",
  };
  return lines;
}

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog) {
  setObjectName("TfrmHelp");
  setWindowTitle("RESET FUNCTION HELP");
  auto* layout = new QVBoxLayout(this);
  auto* memo = new QPlainTextEdit(this);
  memo->setObjectName("Memo1");
  memo->setReadOnly(true);
  QFont font("Monospace");
  font.setStyleHint(QFont::Monospace);
  font.setBold(true);
  memo->setFont(font);
  memo->setStyleSheet("color: teal;");
  memo->setPlainText(Lines().join("\n"));
  memo->setMinimumSize(560, 340);
  layout->addWidget(memo);
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("Button1");
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
}

PasswordDialog::PasswordDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("TPasswordDlg");
  setWindowTitle("Password Dialog");
  // Wide enough for the whole caption in a window manager's title bar.
  setMinimumWidth(300);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Enter password:", this));
  edit_ = new QLineEdit(this);
  edit_->setObjectName("edtPwd");
  edit_->setEchoMode(QLineEdit::Password);
  layout->addWidget(edit_);
  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("btnOK");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("btnCancel");
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &PasswordDialog::Check);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void PasswordDialog::Prepare() {
  edit_->clear();
  edit_->setFocus();
}

void PasswordDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Prepare();
}

void PasswordDialog::Check() {
  if (edit_->text() == "HX472") {
    failures_ = 0;
    unlocked_ = true;
    emit AccessGranted();
    accept();
    return;
  }
  MessageService::Instance().Show("Password", "Password Error!", editor::Icon::Exclamation, editor::Buttons::Ok, this);
  edit_->clear();
  edit_->setFocus();
  if (++failures_ >= 3) {
    failures_ = 0;
    reject();
  }
}

}  // namespace zt310::ui
