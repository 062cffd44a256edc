// The start-up window: finds the device, hands over to the configuration
// window, and stays loaded but hidden for the whole run. Unloading it closes
// the link and ends the program. It also keeps the one working window.
#pragma once

#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "link/NimboModule.h"
#include "shell/WorkingWindow.h"

class QLabel;

namespace nimbo::shell {

using WindowFactory =
    std::function<std::unique_ptr<WorkingWindow>(NIMBOmodule& module, Navigator& navigator)>;

// What the start-up window needs from its surroundings; tests replace these.
struct LoaderHooks {
  // The start-up's first exchange with the device (the read of its LED
  // text): sets DeviceFound when the device answered in full. Empty: no
  // device is ever found.
  std::function<void(NIMBOmodule&)> readDevice;
  // The previous-instance test; empty: never another instance.
  std::function<bool()> anotherInstanceRunning;
  // Executable name without extension, for the "already running" message.
  QString executableName = QStringLiteral("nimbo-control");
  // Opens a page in the browser; empty: the desktop's default browser.
  std::function<void(const QUrl&)> openUrl;
  // Shows the about box modally; empty: frmAbout.
  std::function<void(QWidget* parent)> showAbout;
  // True while a device exchange runs and lets events through.
  std::function<bool()> exchangeRunning;
  // Where the current window's status line and progress bar are announced.
  std::function<void(QLabel*)> attachStatusLabel;
  std::function<void(QProgressBar*)> attachProgressBar;
  // Called once the start-up window has been unloaded: the program ends.
  std::function<void()> programEnded;
};

// The text of the message shown when another copy runs.
QString AlreadyRunningText(const QString& executableName);

// "http://HOST/forum" with the host the build was configured with.
QUrl ForumUrl();

class frmLoader final : public QWidget, public Navigator {
  Q_OBJECT

 public:
  frmLoader(NIMBOmodule& module, LoaderHooks hooks, QWidget* parent = nullptr);
  ~frmLoader() override;

  // Makes a working window available; windows without a factory stay
  // disabled in the "Function" menus.
  void RegisterWindow(WindowId id, WindowFactory factory);
  // The working window that takes over once the device has been found
  // (the configuration window unless told otherwise).
  void SetStartWindow(WindowId id) { startWindow_ = id; }

  // The start-up sequence. Returns true when a working window took over;
  // false when the program has ended.
  bool Form_Load();
  // Closes the link; the program ends.
  void Form_Unload();

  // A request to end the program from outside (SIGTERM, SIGINT). During the
  // start-up it ends the start-up at its next step; afterwards it closes the
  // working window as the user would. Returns false when it cannot be carried
  // out yet (a device exchange runs, or the window refuses to close): ask
  // again later. Never closes the link under a running exchange.
  bool RequestStop();

  bool Loaded() const { return loaded_; }
  WorkingWindow* CurrentWindow() const { return current_; }
  QString StatusText() const;

  // Navigator
  void Navigate(WindowId target) override;
  void InvokeForum() override;
  void ShowAbout(QWidget* parent) override;
  void UnloadLoader() override;
  bool IsAvailable(WindowId target) const override;
  void AttachStatusLabel(QLabel* label) override;
  void AttachProgressBar(QProgressBar* bar) override;

 private:
  bool StartUp();
  void SetStatus(const char* text);
  // After each step of the start-up: carries out a stop requested meanwhile.
  // True when the start-up must not go on.
  bool StartUpEnded();
  // Status text, beep, 3 s pause, unload: a start-up that found nothing.
  void EndStartUp(const char* text);
  void LoadWindow(WindowId target);
  void RetireCurrent();

  NIMBOmodule& module_;
  LoaderHooks hooks_;
  std::map<WindowId, WindowFactory> factories_;
  WindowId startWindow_ = WindowId::Config;
  QLabel* TextBox = nullptr;
  QLabel* Image1 = nullptr;
  bool loaded_ = true;
  bool starting_ = false;       // inside Form_Load
  bool stopRequested_ = false;  // by RequestStop during the start-up
  QPointer<WorkingWindow> current_;
  // Every working window not yet destroyed; unloaded ones go by deleteLater,
  // since their own handlers may still be on the stack.
  std::vector<QPointer<WorkingWindow>> windows_;
};

}  // namespace nimbo::shell
