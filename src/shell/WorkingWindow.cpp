#include "shell/WorkingWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>

namespace nimbo::shell {

WorkingWindow::WorkingWindow(NIMBOmodule& module, Navigator& navigator, WindowId id,
                             QWidget* parent)
    : QMainWindow(parent), module_(module), navigator_(navigator), id_(id) {
  BuildMenus();
}

WorkingWindow::~WorkingWindow() = default;

QAction* WorkingWindow::AddWindowEntry(WindowId target, const QString& caption, const char* name) {
  QAction* entry = functionMenu_->addAction(caption);
  entry->setObjectName(QString::fromLatin1(name));
  if (target == id_) {
    // The own entry carries the check mark and does nothing.
    entry->setCheckable(true);
    entry->setChecked(true);
    connect(entry, &QAction::triggered, entry, [entry] { entry->setChecked(true); });
    return entry;
  }
  entry->setEnabled(navigator_.IsAvailable(target));
  connect(entry, &QAction::triggered, this, [this, target] { navigator_.Navigate(target); });
  return entry;
}

// The captions carry mnemonic marks for Alt+letter; the letters differ
// within each menu.
void WorkingWindow::BuildMenus() {
  functionMenu_ = menuBar()->addMenu(QStringLiteral("&Function"));
  functionMenu_->setObjectName(id_ == WindowId::Flasher ? QStringLiteral("mnuFunction")
                                                        : QStringLiteral("mnuProgram"));
  AddWindowEntry(WindowId::Config, QStringLiteral("&Configuration"), "mnuConfig");
  functionMenu_->addSeparator();
  AddWindowEntry(
      WindowId::LedMatrix,
      id_ == WindowId::LedMatrix ? QStringLiteral("&LEDMatrix") : QStringLiteral("&LED Matrix"),
      "mnuLEDMatrix");
  functionMenu_->addSeparator();
  AddWindowEntry(WindowId::Flasher, QStringLiteral("&Firmware Flasher"), "mnuFlasher");

  helpMenu_ = menuBar()->addMenu(QStringLiteral("&Help"));
  helpMenu_->setObjectName(QStringLiteral("mnuHelp"));
  QAction* forum = helpMenu_->addAction(QStringLiteral("NIMBO Help &Forum"));
  forum->setObjectName(QStringLiteral("mnuForum"));
  connect(forum, &QAction::triggered, this, [this] { navigator_.InvokeForum(); });
  helpMenu_->addSeparator();
  QAction* about = helpMenu_->addAction(QStringLiteral("&About"));
  about->setObjectName(QStringLiteral("mnuAbout"));
  connect(about, &QAction::triggered, this, [this] { navigator_.ShowAbout(this); });

  // F10 opens the first menu that may be used; with every menu disabled
  // (during a flash) it does nothing.
  auto* menuKey = new QAction(this);
  menuKey->setObjectName(QStringLiteral("MenuBarKey"));
  menuKey->setShortcut(Qt::Key_F10);
  addAction(menuKey);
  connect(menuKey, &QAction::triggered, this, [this] {
    for (QAction* menu : menuBar()->actions()) {
      if (menu->isEnabled() && menu->isVisible()) {
        menuBar()->setActiveAction(menu);
        return;
      }
    }
  });
}

bool WorkingWindow::Form_Load() {
  setWindowTitle(ProgramTitle() + WindowTitleSuffix(id_));

  // The common link head: open the link if no earlier window did.
  if (module_.LinkHandle == 0) {
    module_.OpenLink();
    if (module_.LinkStatus != 0) {
      UnloadByProgram();
      module_.Ui().ShowMessage("Compatible USB interface not found!", "USB Error!",
                               MessageIcon::None);
      navigator_.UnloadLoader();
      return false;
    }
  }

  LoadContents();
  if (unloaded_) {
    return false;  // closed while its contents were being read
  }
  show();
  // It takes over from the window it replaces (the start-up window or another
  // working window): without activation its focused control takes no keys
  // until the user clicks into it. The focus mark shows at once, as after a
  // Tab, though the program placed the focus.
  setAttribute(Qt::WA_KeyboardFocusChange);
  activateWindow();
  return true;
}

void WorkingWindow::UnloadByProgram() {
  if (unloaded_) {
    return;
  }
  module_.QuitRequested = kFalse;
  unloaded_ = true;
  hide();
  Form_Unload();
}

bool WorkingWindow::CloseAsUser() {
  if (unloaded_) {
    return true;
  }
  if (!MayClose()) {
    return false;  // QuitRequested stays as it is
  }
  module_.QuitRequested = kTrue;
  unloaded_ = true;
  hide();
  Form_Unload();
  return true;
}

void WorkingWindow::Form_Unload() {
  if (module_.QuitRequested == kTrue) {
    navigator_.UnloadLoader();
  }
}

void WorkingWindow::closeEvent(QCloseEvent* event) {
  if (unloaded_) {
    event->accept();
    return;
  }
  // A spontaneous close comes from the window frame, i.e. from the user.
  if (event->spontaneous()) {
    if (CloseAsUser()) {
      event->accept();
    } else {
      event->ignore();
    }
    return;
  }
  UnloadByProgram();
  event->accept();
}

void WorkingWindow::RegisterStatusLabel(QLabel* label) {
  navigator_.AttachStatusLabel(label);
}

void WorkingWindow::RegisterProgressBar(QProgressBar* bar) {
  navigator_.AttachProgressBar(bar);
}

}  // namespace nimbo::shell
