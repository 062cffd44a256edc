// What the three working windows share: the title, the "Function" and "Help"
// menus, the link head of their loading, and the quit protocol.
#pragma once

#include <QMainWindow>
#include <QString>

#include "link/NimboModule.h"

class QMenu;
class QAction;
class QLabel;
class QProgressBar;

namespace nimbo::shell {

enum class WindowId { Config, LedMatrix, Flasher };

// Implemented by the application: the hidden start-up window's services.
class Navigator {
 public:
  virtual ~Navigator() = default;
  // Unloads the current working window by program code and loads `target`.
  virtual void Navigate(WindowId target) = 0;
  // Opens the help forum page in the browser; failure is silent.
  virtual void InvokeForum() = 0;
  // Shows the about box modally over `parent`.
  virtual void ShowAbout(QWidget* parent) = 0;
  // Unloads the start-up window: closes the link and ends the program.
  virtual void UnloadLoader() = 0;

  // False for a window that this build does not have yet: its "Function"
  // menu entry stays disabled.
  virtual bool IsAvailable(WindowId /*target*/) const { return true; }
  // Where the program's status texts and progress go while the window that
  // registered them is current (nullptr: nowhere).
  virtual void AttachStatusLabel(QLabel* /*label*/) {}
  virtual void AttachProgressBar(QProgressBar* /*bar*/) {}
};

class WorkingWindow : public QMainWindow {
  Q_OBJECT

 public:
  WorkingWindow(NIMBOmodule& module, Navigator& navigator, WindowId id, QWidget* parent = nullptr);
  ~WorkingWindow() override;

  WindowId Id() const { return id_; }

  // Sets the title, runs the link head and then LoadContents(), and shows
  // the window. Returns false when the link could not be opened (the window
  // and the program are then being unloaded).
  bool Form_Load();

  // Unloads the window by program code (navigation): QuitRequested = 0.
  void UnloadByProgram();

  // Closes the window as the user does from its frame: QuitRequested = -1 and
  // the program ends. Returns false when the window refuses (MayClose()).
  bool CloseAsUser();

  // True once the window has been unloaded (it is then only waiting to be
  // destroyed).
  bool Unloaded() const { return unloaded_; }

 protected:
  // The window's own loading, after the link head succeeded.
  virtual void LoadContents() = 0;
  // False while the window must not be closed (the flasher during a flash).
  virtual bool MayClose() const { return true; }

  // Form_QueryUnload + Form_Unload: a close by the user (spontaneous event)
  // sets QuitRequested = -1 and ends the program.
  void closeEvent(QCloseEvent* event) override;

  NIMBOmodule& Module() { return module_; }
  Navigator& Nav() { return navigator_; }
  QMenu* FunctionMenu() const { return functionMenu_; }
  QMenu* HelpMenu() const { return helpMenu_; }

  // The window's status line and progress bar receive what the core reports
  // through the UserInterface while this window is current.
  void RegisterStatusLabel(QLabel* label);
  void RegisterProgressBar(QProgressBar* bar);

 private:
  void BuildMenus();
  QAction* AddWindowEntry(WindowId target, const QString& caption, const char* name);
  // Form_Unload: a close by the user unloads the start-up window as well.
  void Form_Unload();

  NIMBOmodule& module_;
  Navigator& navigator_;
  WindowId id_;
  QMenu* functionMenu_ = nullptr;
  QMenu* helpMenu_ = nullptr;
  bool unloaded_ = false;
};

// "NIMBO Control v1.00" from the program's version, and a window's suffix.
QString ProgramTitle();
QString VersionText();  // "1.00": major "." minor followed by revision
QString WindowTitleSuffix(WindowId id);

}  // namespace nimbo::shell
