// A start-up window on a simulated device with a virtual clock, reading the
// device's LED text as the program does, and working windows that only record
// what happens to them.
#pragma once

#include <QUrl>
#include <memory>
#include <vector>

#include "ledmatrix/MatrixTransfer.h"
#include "link/NimboModule.h"
#include "shell/WorkingWindow.h"
#include "shell/frmLoader.h"
#include "support/SimulatedRig.h"

namespace nimbo::test {

class FakeWindow final : public shell::WorkingWindow {
  Q_OBJECT

 public:
  FakeWindow(NIMBOmodule& module, shell::Navigator& navigator, shell::WindowId id, int& alive)
      : WorkingWindow(module, navigator, id), alive_(alive) {
    ++alive_;
  }
  ~FakeWindow() override { --alive_; }

  int loads = 0;
  bool mayClose = true;

 protected:
  void LoadContents() override { ++loads; }
  bool MayClose() const override { return mayClose; }

 private:
  int& alive_;
};

struct ShellRig : SimulatedRig {
  bool anotherInstance = false;
  bool exchangeRunning = false;
  int programEnded = 0;
  int aboutShown = 0;
  int aliveWindows = 0;
  std::vector<QUrl> openedUrls;
  std::unique_ptr<shell::frmLoader> loader;

  // Only the configuration and LED matrix windows exist; no flasher.
  ShellRig() {
    device.LoadFactoryContents();
    shell::LoaderHooks hooks;
    hooks.readDevice = &ledmatrix::GetMatrixStringButton_Click;
    hooks.anotherInstanceRunning = [this] { return anotherInstance; };
    hooks.executableName = QStringLiteral("nimbo-control");
    hooks.openUrl = [this](const QUrl& url) { openedUrls.push_back(url); };
    hooks.showAbout = [this](QWidget*) { ++aboutShown; };
    hooks.exchangeRunning = [this] { return exchangeRunning; };
    hooks.programEnded = [this] { ++programEnded; };
    loader = std::make_unique<shell::frmLoader>(module, std::move(hooks));
    for (shell::WindowId id : {shell::WindowId::Config, shell::WindowId::LedMatrix}) {
      loader->RegisterWindow(id, [this, id](NIMBOmodule& m, shell::Navigator& n) {
        return std::make_unique<FakeWindow>(m, n, id, aliveWindows);
      });
    }
  }

  FakeWindow* Current() const { return static_cast<FakeWindow*>(loader->CurrentWindow()); }
};

}  // namespace nimbo::test
