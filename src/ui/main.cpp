#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QTimer>
#include <csignal>

#include "editor/EditorModel.h"
#include "ui/MainWindow.h"
#include "ui/MessageService.h"
#include "ui/SingleInstance.h"
#include "ui/TerminationSignals.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCommandLineParser parser;
  parser.setApplicationDescription("ZT310 Programmer");
  parser.addHelpOption();
  QCommandLineOption port("port", "A serial port to list first (repeatable).", "PATH");
  QCommandLineOption demo("demo", "Start the built-in simulated pager and list it first.");
  QCommandLineOption screenshot("screenshot", "Save a picture of the window to FILE and exit.", "FILE");
  QCommandLineOption page("page", "With --screenshot: the page to show first (0 to 4).", "N", "0");
  parser.addOption(port);
  parser.addOption(demo);
  parser.addOption(screenshot);
  parser.addOption(page);
  parser.addPositionalArgument("FILE", "A table file (*.tbl) to open, as \"Open\" opens it.", "[FILE]");
  parser.process(app);
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) {
    zt310::ui::MessageService::Instance().Show(zt310::editor::kTitle, "Give at most one table file to open.");
    return 2;
  }
  const QString file = files.isEmpty() ? QString() : QFileInfo(files.first()).absoluteFilePath();

  zt310::ui::SingleInstance instance(zt310::ui::ProgramCaption());
  if (!instance.Claim(file)) {
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
  QObject::connect(&instance, &zt310::ui::SingleInstance::OpenRequested, &window,
                   [&window](const QString& path) { window.OpenFileAt(path); }, Qt::QueuedConnection);
  // A termination request lets a running transfer end and the port close first.
  zt310::ui::TerminationSignals termination({SIGTERM, SIGINT, SIGHUP});
  QObject::connect(&termination, &zt310::ui::TerminationSignals::Requested, &window,
                   [&window] { window.RequestQuit(); });
  QObject::connect(&window, &zt310::ui::MainWindow::ReadyToQuit, &app, &QApplication::quit, Qt::QueuedConnection);
  window.show();
  if (parser.isSet(screenshot)) {
    window.resize(window.sizeHint());  // the whole window, whatever the screen
    window.Pages()->setCurrentIndex(parser.value(page).toInt());
    QTimer::singleShot(300, &window, [&] {
      window.grab().save(parser.value(screenshot));
      app.quit();
    });
  }
  return app.exec();
}
