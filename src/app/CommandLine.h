// nimbo-control's command line: which link to use and which working window
// takes over after start-up.
#pragma once

#include <QString>
#include <QStringList>

#include "link/backend/Backend.h"
#include "shell/WorkingWindow.h"

namespace nimbo::app {

struct StartOptions {
  enum class Action { Run, ShowHelp, ShowVersion, UsageError };
  Action action = Action::Run;
  backend::BackendOptions backend;
  shell::WindowId startWindow = shell::WindowId::Config;
  QString error;  // for UsageError: what was wrong
  QString help;   // the full help text
};

// The windows --window accepts, in the order the help text lists them.
struct WindowName {
  const char* name;
  shell::WindowId id;
};
inline constexpr WindowName kWindowNames[] = {
    {"config", shell::WindowId::Config},
    {"ledmatrix", shell::WindowId::LedMatrix},
    {"flasher", shell::WindowId::Flasher},
};

// Parses `arguments` (the program name first). `available` tells whether this
// build has a window; naming one it lacks is a usage error. Needs no display.
StartOptions ParseCommandLine(const QStringList& arguments, bool (*available)(shell::WindowId));

}  // namespace nimbo::app
