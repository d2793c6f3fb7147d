// The desktop program: the main window over the engine.
#include <QApplication>
#include <clocale>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/settings_location.h"
#include "filesys/platform.h"
#include "ui/app/icons.h"
#include "ui/app/opener.h"
#include "ui/app/screenshot.h"
#include "ui/app/single_instance.h"
#include "ui/app/unix_signals.h"
#include "ui/dialogs/dialogs.h"
#include "ui/idle/idle_time.h"
#include "ui/logic/command_line.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/scan_control.h"

namespace {

constexpr int kExitCannotRun = 2;
// How long a new copy waits for the running one to answer.
constexpr int kHandOverLimitMs = 3000;

std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  const QStringList list = QCoreApplication::arguments();
  for (qsizetype i = 1; i < list.size(); ++i) args.push_back(list[i].toStdString());
  return args;
}

// Whether the options ask for more than the settings file.
bool AsksForAnything(const qv::TCommandLine& options) {
  return options.start_now || options.close_when_done || options.wait_minutes ||
         options.min_minutes_to_wait || options.priority;
}

}  // namespace

int main(int argc, char** argv) {
  // Before Qt, which would need a display: help and version work anywhere.
  const qv::TCommandLine asked =
      qv::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (asked.help || asked.version) {
    std::cout << (asked.help ? qv::CommandLineHelp() : "quorvane " QUORVANE_VERSION "\n");
    return 0;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Quorvane");
  QApplication::setWindowIcon(qv::ProgramIcon());
  // Thousands separators and the decimal point of the user's locale.
  std::setlocale(LC_ALL, "");

  const qv::TCommandLine options = qv::ParseCommandLine(Arguments());
  for (const std::string& warning : options.warnings) std::cerr << "quorvane: " << warning << '\n';
  if (!options.error.empty()) {
    std::cerr << "quorvane: " << options.error << '\n';
    return kExitCannotRun;
  }
  // The window and its scan thread learn the last input time from the cache.
  qv::TIdleTime idle(qv::DefaultPlatform(), qv::DesktopIdleSources());
  qv::TIdlePlatform platform(qv::DefaultPlatform(), idle);
  const std::string settings = options.settings_path.value_or(qv::DefaultSettingsPath(platform));
  if (settings.empty()) {
    std::cerr << "quorvane: no settings file: set HOME, QUORVANE_SETTINGS or --settings FILE\n";
    return kExitCannotRun;
  }

  // Another copy on this settings file shows itself instead. This copy has
  // not read or written the settings yet, so it leaves them as they are.
  qv::TSingleInstance instance(QString::fromStdString(settings));
  if (!instance.Acquire()) {
    const bool answered =
        qv::TSingleInstance::HandOver(QString::fromStdString(settings), kHandOverLimitMs);
    std::cerr << (answered ? "quorvane: already running; it was asked to show itself"
                           : "quorvane: already running, but it did not answer")
              << (AsksForAnything(options) ? ". The arguments of this start were not acted on.\n"
                                           : ".\n");
    return 0;
  }

  if (!qv::UseScreenshotPalette(qEnvironmentVariable("QUORVANE_SCREENSHOT_PALETTE"))) {
    std::cerr << "quorvane: QUORVANE_SCREENSHOT_PALETTE is light or dark\n";
    return kExitCannotRun;
  }

  // The window closes the program itself, once no scan runs any more.
  QApplication::setQuitOnLastWindowClosed(false);
  qv::TMessageBoxDialogs dialogs;
  qv::TDesktopOpener opener;
  auto window = std::make_unique<qv::TMainWindow>(
      qv::TMainWindowDeps{platform, settings, dialogs, opener,
                          QCoreApplication::applicationFilePath().toStdString(), options, &idle});
  dialogs.set_parent(window.get());
  QObject::connect(&instance, &qv::TSingleInstance::viewRequested, window.get(),
                   &qv::TMainWindow::View);
  QObject::connect(window.get(), &qv::TMainWindow::closed, &app, &QApplication::quit,
                   Qt::QueuedConnection);
  qv::TUnixSignals unix_signals;
  QObject::connect(&unix_signals, &qv::TUnixSignals::closeRequested, window.get(), &QWidget::close);

  const QString screenshot = qEnvironmentVariable("QUORVANE_SCREENSHOT");
  const QString state_name = qEnvironmentVariable("QUORVANE_SCREENSHOT_STATE");
  const bool question = qv::IsQuestionScreenshot(state_name);
  const std::optional<qv::TCfgPage> config_page = qv::ConfigScreenshotPage(state_name);
  const std::optional<qv::TScanState> screenshot_state =
      question ? qv::TScanState::kScanning
               : (config_page ? qv::TScanState::kIdle : qv::ScreenshotState(state_name));
  if (!screenshot_state) {
    std::cerr << "quorvane: QUORVANE_SCREENSHOT_STATE is idle, waiting, scanning, confirm or "
                 "config-PAGE\n";
    return kExitCannotRun;
  }
  if (screenshot.isEmpty()) {
    window->ShowAtStart();
  } else {
    window->show();
    const QSize size = qv::ScreenshotSize(qEnvironmentVariable("QUORVANE_SCREENSHOT_SIZE"));
    if (size.isValid()) window->resize(size);
  }
  window->Begin();
  if (!screenshot.isEmpty() && question) {
    qv::GrabQuestion(*window, screenshot);
  } else if (!screenshot.isEmpty() && config_page) {
    qv::GrabConfiguration(*window, screenshot, *config_page);
  } else if (!screenshot.isEmpty()) {
    qv::GrabInState(
        *window, screenshot, *screenshot_state,
        qEnvironmentVariable("QUORVANE_SCREENSHOT_MENU").split(',', Qt::SkipEmptyParts));
  }
  return app.exec();
}
