// nimbo-control: the desktop program. Starts with the start-up window, which
// finds the device and hands over to the working window the command line
// names (the configuration window by default).
#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/DisplayFailureReport.h"
#include "ledmatrix/MatrixTransfer.h"
#include "link/Clock.h"
#include "link/NimboModule.h"
#include "link/backend/Backend.h"
#include "shell/Artwork.h"
#include "shell/EnterKeyRule.h"
#include "shell/NoInterface.h"
#include "shell/ProgramVersion.h"
#include "shell/QtUserInterface.h"
#include "shell/SingleInstance.h"
#include "shell/TerminationRequest.h"
#include "shell/frmLoader.h"

#ifdef NIMBO_HAVE_SETTINGS_WINDOW
#include "settings/gui/frmConfig.h"
#endif
#ifdef NIMBO_HAVE_LEDMATRIX_WINDOW
#include "ledmatrix/gui/frmLEDMatrixData.h"
#endif
#ifdef NIMBO_HAVE_FLASHER_WINDOW
#include "flasher/gui/frmFlasher.h"
#endif

namespace {

// Every working window this build has, and how to make it.
struct WindowEntry {
  nimbo::shell::WindowId id;
  nimbo::shell::WindowFactory make;
};

std::vector<WindowEntry> BuiltWindows() {
  using namespace nimbo;
  std::vector<WindowEntry> windows;
#ifdef NIMBO_HAVE_SETTINGS_WINDOW
  windows.push_back({shell::WindowId::Config, [](NIMBOmodule& m, shell::Navigator& nav) {
                       return std::make_unique<settings::gui::frmConfig>(m, nav);
                     }});
#endif
#ifdef NIMBO_HAVE_LEDMATRIX_WINDOW
  windows.push_back({shell::WindowId::LedMatrix, [](NIMBOmodule& m, shell::Navigator& nav) {
                       return std::make_unique<ledmatrix::gui::frmLEDMatrixData>(m, nav);
                     }});
#endif
#ifdef NIMBO_HAVE_FLASHER_WINDOW
  windows.push_back({shell::WindowId::Flasher, [](NIMBOmodule& m, shell::Navigator& nav) {
                       return std::make_unique<flasher::gui::frmFlasher>(m, nav);
                     }});
#endif
  return windows;
}

bool WindowBuilt(nimbo::shell::WindowId id) {
  for (const WindowEntry& entry : BuiltWindows()) {
    if (entry.id == id) {
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace nimbo;

  app::StartOptions options;
  {
    // Options are read before any display is opened, so --help and
    // --version work without one.
    QCoreApplication parsing(argc, argv);
    options = app::ParseCommandLine(QCoreApplication::arguments(), WindowBuilt);
  }
  switch (options.action) {
    case app::StartOptions::Action::ShowHelp:
      std::cout << options.help.toStdString();
      return 0;
    case app::StartOptions::Action::ShowVersion: {
      const auto version = shell::CurrentVersion();
      std::cout << "nimbo-control " << version.major << '.' << version.minor << '.'
                << version.revision << '\n';
      return 0;
    }
    case app::StartOptions::Action::UsageError:
      std::cerr << "nimbo-control: " << options.error.toStdString()
                << "\nTry 'nimbo-control --help' for more information.\n";
      return 2;
    case app::StartOptions::Action::Run:
      break;
  }

  // Without a display: one line on standard error and status 1, not Qt's
  // abort.
  auto displayFailure = std::make_unique<app::DisplayFailureReport>();
  QApplication app(argc, argv);
  displayFailure.reset();
  QApplication::setApplicationName(QStringLiteral("nimbo-control"));
  // The desktop entry's name, so the desktop matches windows to it; every
  // window (message boxes too) carries the program's icon.
  QGuiApplication::setDesktopFileName(QStringLiteral(NIMBO_APP_ID));
  QApplication::setWindowIcon(shell::ProgramIcon());
  // The program ends when the start-up window is unloaded, not when its last
  // window closes.
  QApplication::setQuitOnLastWindowClosed(false);
  const shell::EnterKeyRule enterPressesFocusedButton(app);

  // SIGTERM/SIGINT end the program as the user would by closing the working
  // window; one that arrives during a device transfer is carried out once the
  // transfer has ended. Installed first, so that no moment of the start-up
  // is left to the signals' default action.
  shell::frmLoader* startUpWindow = nullptr;
  shell::TerminationRequest termination([&startUpWindow] {
    if (startUpWindow != nullptr) {
      return startUpWindow->RequestStop();
    }
    // Before the start-up window only the message about an unusable link runs
    // events: closing it ends the program.
    if (QWidget* message = QApplication::activeModalWidget()) {
      message->close();
    }
    return true;
  });

  // A second copy takes no link at all: it must not disturb the running one.
  shell::SingleInstance instance;
  const shell::SingleInstance::Outcome lock = instance.Acquire();
  if (lock == shell::SingleInstance::Outcome::NoLock) {
    // An unusable runtime or temporary folder must not keep the user from
    // the device: run, and say that the guard is off.
    std::cerr << "nimbo-control: " << instance.Problem().toStdString()
              << "; running without the check for another copy\n";
  }
  const bool anotherInstance = lock == shell::SingleInstance::Outcome::AnotherCopyRuns;
  SteadyClock clock;
  shell::QtUserInterface ui(clock);
  std::string error;
  std::unique_ptr<backend::Backend> link;
  shell::NoInterface noInterface;
  if (!anotherInstance) {
    link = backend::MakeBackend(options.backend, error);
    if (!link) {
      // Started from a desktop menu nobody reads standard error.
      std::cerr << "nimbo-control: " << error << '\n';
      ui.ShowMessage(error, shell::kApplicationTitle, MessageIcon::Critical);
      return 1;
    }
  }

  NIMBOmodule module(link ? link->Transport() : noInterface, ui);

  shell::LoaderHooks hooks;
  // The start-up finds the device by reading its LED text.
  hooks.readDevice = &ledmatrix::GetMatrixStringButton_Click;
  hooks.anotherInstanceRunning = [anotherInstance] { return anotherInstance; };
  hooks.executableName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
  hooks.exchangeRunning = [&ui] { return ui.InsideExchange(); };
  hooks.attachStatusLabel = [&ui](QLabel* label) { ui.SetStatusLabel(label); };
  hooks.attachProgressBar = [&ui](QProgressBar* bar) { ui.SetProgressBar(bar); };
  hooks.programEnded = [] { QCoreApplication::exit(0); };

  shell::frmLoader loader(module, hooks);
  for (WindowEntry& entry : BuiltWindows()) {
    loader.RegisterWindow(entry.id, std::move(entry.make));
  }
  loader.SetStartWindow(options.startWindow);

  startUpWindow = &loader;

  int status = 0;
  if (loader.Form_Load()) {
    status = QApplication::exec();
  } else {
    loader.Form_Unload();
    status = termination.Received() ? 0 : 1;  // ended on request, or found nothing
  }
  // The simulated device's state file took every change as it happened.
  return status;
}
