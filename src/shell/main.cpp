// nimbo-control: the desktop program. Starts with the start-up window, which
// finds the device and hands over to the configuration window.
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <iostream>
#include <memory>
#include <string>

#include "link/Clock.h"
#include "link/NimboModule.h"
#include "link/backend/Backend.h"
#include "shell/NoInterface.h"
#include "shell/ProgramVersion.h"
#include "shell/QtUserInterface.h"
#include "shell/SingleInstance.h"
#include "shell/TerminationRequest.h"
#include "shell/frmLoader.h"

#ifdef NIMBO_HAVE_CONFIG_WINDOW
#include "settings/gui/frmConfig.h"
#endif

namespace {

constexpr const char* kUsage =
    "Usage: nimbo-control [--simulate[=STATE]] [--help] [--version]\n"
    "\n"
    "  --simulate         use a simulated NIMBO device instead of the USB interface\n"
    "  --simulate=STATE   the same, keeping the simulated device in the file STATE\n"
    "                     (shared with nimbo-cli --simulate=STATE)\n"
    "  --help             show this text and end\n"
    "  --version          show the program's version and end\n";

enum class ParseResult { Run, Exit, Error };

ParseResult ParseArguments(int argc, char** argv, nimbo::backend::BackendOptions& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return ParseResult::Exit;
    }
    if (arg == "--version") {
      const auto version = nimbo::shell::CurrentVersion();
      std::cout << "nimbo-control " << version.major << '.' << version.minor << '.'
                << version.revision << '\n';
      return ParseResult::Exit;
    }
    if (!nimbo::backend::ParseSimulateOption(arg, options)) {
      std::cerr << "nimbo-control: unknown option '" << arg << "'\n" << kUsage;
      return ParseResult::Error;
    }
  }
  return ParseResult::Run;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace nimbo;

  backend::BackendOptions options;
  options.realTime = true;
  switch (ParseArguments(argc, argv, options)) {
    case ParseResult::Exit:
      return 0;
    case ParseResult::Error:
      return 2;
    case ParseResult::Run:
      break;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("nimbo-control"));
  // The program ends when the start-up window is unloaded, not when its last
  // window closes.
  QApplication::setQuitOnLastWindowClosed(false);

  // A second copy takes no link at all: it must not disturb the running one,
  // nor write back a simulated device's state file.
  shell::SingleInstance instance;
  const bool anotherInstance = !instance.Acquire();
  std::string error;
  std::unique_ptr<backend::Backend> link;
  shell::NoInterface noInterface;
  if (!anotherInstance) {
    link = backend::MakeBackend(options, error);
    if (!link) {
      std::cerr << "nimbo-control: " << error << '\n';
      return 1;
    }
  }

  SteadyClock clock;
  shell::QtUserInterface ui(clock);
  NIMBOmodule module(link ? link->Transport() : noInterface, ui);

  shell::LoaderHooks hooks;
  hooks.anotherInstanceRunning = [anotherInstance] { return anotherInstance; };
  hooks.executableName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
  hooks.exchangeRunning = [&ui] { return ui.InsideExchange(); };
  hooks.attachStatusLabel = [&ui](QLabel* label) { ui.SetStatusLabel(label); };
  hooks.attachProgressBar = [&ui](QProgressBar* bar) { ui.SetProgressBar(bar); };
  hooks.programEnded = [] { QCoreApplication::exit(0); };

  shell::frmLoader loader(module, hooks);
#ifdef NIMBO_HAVE_CONFIG_WINDOW
  loader.RegisterWindow(shell::WindowId::Config, [](NIMBOmodule& m, shell::Navigator& nav) {
    return std::make_unique<settings::gui::frmConfig>(m, nav);
  });
#endif

  // SIGTERM/SIGINT close the working window as the user would.
  shell::TerminationRequest termination([&loader] {
    if (loader.CurrentWindow() != nullptr) {
      loader.CurrentWindow()->CloseAsUser();
    } else {
      loader.Form_Unload();
    }
  });

  if (!loader.Form_Load()) {
    loader.Form_Unload();
    return 1;
  }
  const int status = QApplication::exec();

  if (link && !link->SaveState(error)) {
    std::cerr << "nimbo-control: " << error << '\n';
    return 1;
  }
  return status;
}
