// SPDX-License-Identifier: GPL-3.0-or-later
#include <unistd.h>
#include <QApplication>
#include <QBuffer>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "editor/EditorModel.h"
#include "port/LinkTrace.h"
#include "ui/MainWindow.h"
#include "ui/MessageService.h"
#include "ui/ProductionLineWindow.h"
#include "ui/SingleInstance.h"
#include "ui/TerminationSignals.h"

namespace {

struct WindowOptions {
  QCommandLineOption port{"port", "A serial port to list first (repeatable).", "PATH"};
  QCommandLineOption demo{"demo", "Start the built-in simulated pager and list it first."};
  QCommandLineOption screenshot{"screenshot", "Save a picture of the window to FILE and exit.", "FILE"};
  QCommandLineOption page{"page", "With --screenshot: the page to show first (0 to 4).", "N", "0"};
  QCommandLineOption productionLine{"production-line",
                                    "With --screenshot: a picture of the Production Line window running N pagers "
                                    "on the ports given with --port.",
                                    "N"};
};

void Describe(QCommandLineParser& parser, const WindowOptions& options) {
  parser.setApplicationDescription("ZT310 Programmer");
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOption(options.port);
  parser.addOption(options.demo);
  parser.addOption(options.screenshot);
  parser.addOption(options.page);
  parser.addOption(options.productionLine);
  parser.addPositionalArgument("FILE", "A table file (*.tbl) to open, as \"Open\" opens it.", "[FILE]");
}

// --help and --version are answered without a display, where the window's
// application could not start.
bool AsksForHelpOrVersion(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const QByteArray arg(argv[i]);
    if (arg == "--") break;
    if (arg == "--help" || arg == "-h" || arg == "-?" || arg == "--help-all" || arg == "--version" || arg == "-v") {
      return true;
    }
  }
  return false;
}

int UsageError(const QString& text) {
  std::fprintf(stderr, "zt310prog: %s\n", qPrintable(text));
  return 2;
}

// The window drawn into the file already opened for it.
bool SavePicture(QWidget& window, int fd, const QString& path, QString* error) {
  QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
  if (!QImageWriter::supportedImageFormats().contains(format)) format = "png";
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!window.grab().save(&buffer, format.constData())) {
    *error = "the picture could not be encoded";
    return false;
  }
  return zt310::WriteNamedOutput(fd, bytes, error);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication::setApplicationVersion(ZT310_VERSION);
  WindowOptions o;
  if (AsksForHelpOrVersion(argc, argv)) {
    QCoreApplication core(argc, argv);
    QCommandLineParser parser;
    Describe(parser, o);
    parser.process(core);  // prints the help or the version and exits
    return 0;
  }
  QApplication app(argc, argv);
  // Desktops match the window to its entry (and icon) by this name.
  QGuiApplication::setDesktopFileName("io.github.zt310prog.zt310prog");
  QCommandLineParser parser;
  Describe(parser, o);
  const QCommandLineOption& port = o.port;
  const QCommandLineOption& demo = o.demo;
  const QCommandLineOption& screenshot = o.screenshot;
  const QCommandLineOption& page = o.page;
  parser.process(app);
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) {
    zt310::ui::MessageService::Instance().Show(zt310::editor::kTitle, "Give at most one table file to open.");
    return 2;
  }
  const QString file = files.isEmpty() ? QString() : QFileInfo(files.first()).absoluteFilePath();

  // A picture run checks its page and output before anything is shown.
  const bool picture = parser.isSet(screenshot);
  bool pageNumber = false;
  const int firstPage = parser.value(page).toInt(&pageNumber);
  if (!pageNumber || firstPage < 0 || firstPage > 4) {
    return UsageError(QString("--page %1: no such page (0 to 4)").arg(parser.value(page)));
  }
  int pictureFd = -1;
  if (picture) {
    QString error;
    pictureFd = zt310::OpenNamedOutput(parser.value(screenshot), &error);
    if (pictureFd < 0) {
      return UsageError(QString("cannot write the picture \"%1\": %2").arg(parser.value(screenshot), error));
    }
  }

  // A picture run draws its own window even while another one runs: it
  // neither raises that one nor answers second starts.
  zt310::ui::SingleInstance instance(zt310::ui::ProgramCaption());
  if (!picture && !instance.Claim(file)) {
    // Another copy was asked to show itself; anything else is said, not swallowed.
    if (instance.Problem().isEmpty()) return 0;
    zt310::ui::MessageService::Instance().Show(zt310::editor::kTitle, instance.Problem());
    return 1;
  }
  if (!instance.Problem().isEmpty()) qWarning("%s", qPrintable(instance.Problem()));

  zt310::ui::MainWindowOptions options;
  options.ports = parser.values(port);
  options.demo = parser.isSet(demo);
  options.searchCradle = !parser.isSet(screenshot);
  options.startupFile = file;
  zt310::ui::MainWindow window(options);
  QObject::connect(&instance, &zt310::ui::SingleInstance::RaiseRequested, &window, [&window] {
    if (window.isMinimized()) window.showNormal();
    window.raise();
    window.activateWindow();
  });
  // Direct: the instance hands the next file over once this one is open
  // (or its box is closed).
  QObject::connect(&instance, &zt310::ui::SingleInstance::OpenRequested, &window,
                   [&window](const QString& path) { window.OpenFileAt(path); });
  QObject::connect(&instance, &zt310::ui::SingleInstance::OpenRequestsDropped, &window, [](int count) {
    qWarning("%d files named by further starts were not opened: the window was busy with others.", count);
  });
  // A termination request lets a running transfer end and the port close first.
  zt310::ui::TerminationSignals termination({SIGTERM, SIGINT, SIGHUP});
  QObject::connect(&termination, &zt310::ui::TerminationSignals::Requested, &window, [&window, &instance] {
    instance.StopHandingOver();
    window.RequestQuit();
  });
  QObject::connect(&window, &zt310::ui::MainWindow::ReadyToQuit, &app, &QApplication::quit, Qt::QueuedConnection);
  window.show();
  if (picture && parser.isSet(o.productionLine)) {
    // The window drawn once its pagers are done, the main window behind it.
    // It opens once the main window has listed its ports.
    zt310::ui::ProductionLineWindow* line = nullptr;
    QTimer::singleShot(300, &window, [&] {
      line = zt310::ui::ShowProductionLine(window, QDir::currentPath());
      line->StartCounter(parser.values(port), "AB0000001000", parser.value(o.productionLine).toInt());
    });
    auto* wait = new QTimer(&window);
    QObject::connect(wait, &QTimer::timeout, &window, [&, wait] {
      if (!line || line->Running()) return;
      wait->stop();
      QString error;
      if (!SavePicture(*line, pictureFd, parser.value(screenshot), &error)) {
        std::fprintf(stderr, "zt310prog: cannot write the picture \"%s\": %s\n", qPrintable(parser.value(screenshot)),
                     qPrintable(error));
        app.exit(2);
        return;
      }
      app.quit();
    });
    wait->start(200);
  } else if (picture) {
    window.resize(window.sizeHint());  // the whole window, whatever the screen
    window.Pages()->setCurrentIndex(firstPage);
    QTimer::singleShot(300, &window, [&] {
      QString error;
      if (!SavePicture(window, pictureFd, parser.value(screenshot), &error)) {
        std::fprintf(stderr, "zt310prog: cannot write the picture \"%s\": %s\n", qPrintable(parser.value(screenshot)),
                     qPrintable(error));
        app.exit(2);
        return;
      }
      app.quit();
    });
  }
  const int status = app.exec();
  if (pictureFd >= 0 && ::close(pictureFd) != 0 && status == 0) {
    return UsageError(QString("cannot write the picture \"%1\"").arg(parser.value(screenshot)));
  }
  return status;
}
