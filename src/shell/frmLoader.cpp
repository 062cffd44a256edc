#include "shell/frmLoader.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>
#include <utility>

#include "shell/Artwork.h"
#include "shell/ModalDialog.h"
#include "shell/ProgramVersion.h"
#include "shell/frmAbout.h"

namespace nimbo::shell {
namespace {

constexpr int kFailurePauseMs = 3000;  // lets the user read why start-up ended
constexpr int kHandOverPauseMs = 500;  // lets the user see the splash succeed

}  // namespace

QString AlreadyRunningText(const QString& executableName) {
  return executableName + QStringLiteral(" already running! ");
}

QUrl ForumUrl() {
  return QUrl(QStringLiteral("http://") + QStringLiteral(NIMBO_FORUM_HOST) +
              QStringLiteral("/forum"));
}

frmLoader::frmLoader(NIMBOmodule& module, LoaderHooks hooks, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      module_(module),
      hooks_(std::move(hooks)) {
  setObjectName(QStringLiteral("frmLoader"));
  // The status line continues the splash picture's dark background.
  QPalette colours = palette();
  colours.setColor(QPalette::Window, QColor(0x06, 0x0C, 0x1C));
  colours.setColor(QPalette::WindowText, QColor(0xE8, 0xF0, 0xFF));
  setPalette(colours);
  setAutoFillBackground(true);
  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setPixmap(SplashPicture());
  TextBox = new QLabel(this);
  TextBox->setObjectName(QStringLiteral("TextBox"));
  TextBox->setAlignment(Qt::AlignCenter);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 8);
  layout->addWidget(Image1);
  layout->addWidget(TextBox);
}

frmLoader::~frmLoader() {
  for (QPointer<WorkingWindow>& window : windows_) {
    delete window.data();  // those whose deferred deletion never ran
  }
}

void frmLoader::RegisterWindow(WindowId id, WindowFactory factory) {
  factories_[id] = std::move(factory);
}

QString frmLoader::StatusText() const {
  return TextBox->text();
}

void frmLoader::SetStatus(const char* text) {
  TextBox->setText(QString::fromLatin1(text));
  module_.Ui().ProcessEvents();
}

bool frmLoader::Form_Load() {
  starting_ = true;
  const bool handedOver = StartUp();
  starting_ = false;
  return handedOver;
}

bool frmLoader::StartUp() {
  UserInterface& ui = module_.Ui();
  if (hooks_.anotherInstanceRunning && hooks_.anotherInstanceRunning()) {
    ui.ShowMessage(AlreadyRunningText(hooks_.executableName).toStdString(), kApplicationTitle,
                   MessageIcon::Critical);
    Form_Unload();
    return false;
  }

  adjustSize();
  if (const QScreen* display = screen()) {
    move(display->availableGeometry().center() - rect().center());
  }
  show();
  ui.ProcessEvents();  // paint the splash before the slow steps

  // A stop requested while events run ends the start-up after the step
  // that runs, without opening the link again.
  if (StartUpEnded()) {
    return false;
  }
  if (module_.LinkHandle == 0) {
    SetStatus("Looking for USB Interface...");
    if (StartUpEnded()) {
      return false;
    }
    module_.OpenLink();
    if (module_.LinkStatus != 0) {
      EndStartUp("USB Interface Not Found!");
      return false;
    }
    SetStatus("Connecting to NIMBO...");
    if (StartUpEnded()) {
      return false;
    }
    module_.SizeSharedArrays();
    module_.DeviceFound = kFalse;
    if (hooks_.readDevice) {
      hooks_.readDevice(module_);
    }
    if (StartUpEnded()) {
      return false;
    }
    if (module_.DeviceFound == kFalse) {
      EndStartUp("NIMBO Not Found!");
      return false;
    }
  }

  ui.Sleep(kHandOverPauseMs);
  hide();
  module_.QuitRequested = kFalse;
  LoadWindow(startWindow_);
  if (StartUpEnded()) {
    return false;
  }
  return current_ != nullptr;
}

bool frmLoader::StartUpEnded() {
  if (stopRequested_) {
    Form_Unload();
  }
  return !loaded_;
}

bool frmLoader::RequestStop() {
  if (!loaded_) {
    return true;
  }
  if (starting_) {
    stopRequested_ = true;  // Form_Load carries it out after its current step
    // A message of the start-up waits for the user: the stop answers it.
    if (QWidget* message = QApplication::activeModalWidget()) {
      message->close();
    }
    return true;
  }
  if (hooks_.exchangeRunning && hooks_.exchangeRunning()) {
    return false;
  }
  if (current_ != nullptr) {
    return current_->CloseAsUser();
  }
  Form_Unload();
  return true;
}

void frmLoader::EndStartUp(const char* text) {
  TextBox->setText(QString::fromLatin1(text));
  module_.Ui().Beep();
  module_.Ui().ProcessEvents();
  if (!StartUpEnded()) {  // a stop requested meanwhile skips the pause
    module_.Ui().Sleep(kFailurePauseMs);
    Form_Unload();
  }
}

void frmLoader::Form_Unload() {
  if (!loaded_) {
    return;
  }
  loaded_ = false;
  module_.CloseLink();
  RetireCurrent();
  hide();
  if (hooks_.programEnded) {
    hooks_.programEnded();
  }
}

void frmLoader::UnloadLoader() {
  Form_Unload();
}

bool frmLoader::IsAvailable(WindowId target) const {
  return factories_.count(target) != 0;
}

void frmLoader::Navigate(WindowId target) {
  // A menu picked while a device exchange lets events through would start a
  // second exchange inside the first one: such a pick does nothing.
  if (!loaded_ || (hooks_.exchangeRunning && hooks_.exchangeRunning())) {
    return;
  }
  if (current_ != nullptr && current_->Id() == target) {
    return;
  }
  if (!IsAvailable(target)) {
    return;
  }
  if (current_ != nullptr) {
    current_->UnloadByProgram();
    RetireCurrent();
  }
  LoadWindow(target);
}

void frmLoader::LoadWindow(WindowId target) {
  auto found = factories_.find(target);
  if (found == factories_.end()) {
    return;
  }
  std::erase_if(windows_, [](const QPointer<WorkingWindow>& w) { return w.isNull(); });
  std::unique_ptr<WorkingWindow> window = found->second(module_, *this);
  current_ = window.get();
  windows_.emplace_back(window.release());  // destroyed by RetireCurrent or ~frmLoader
  if (!current_->Form_Load()) {
    RetireCurrent();
  }
}

void frmLoader::RetireCurrent() {
  if (current_ == nullptr) {
    return;
  }
  AttachStatusLabel(nullptr);
  AttachProgressBar(nullptr);
  current_->hide();
  current_->deleteLater();
  current_ = nullptr;
}

void frmLoader::InvokeForum() {
  if (hooks_.openUrl) {
    hooks_.openUrl(ForumUrl());
  } else {
    static_cast<void>(QDesktopServices::openUrl(ForumUrl()));  // failure is silent
  }
}

void frmLoader::ShowAbout(QWidget* parent) {
  if (hooks_.showAbout) {
    hooks_.showAbout(parent);
    return;
  }
  frmAbout about(parent);
  RunModal(about);
}

void frmLoader::AttachStatusLabel(QLabel* label) {
  if (hooks_.attachStatusLabel) {
    hooks_.attachStatusLabel(label);
  }
}

void frmLoader::AttachProgressBar(QProgressBar* bar) {
  if (hooks_.attachProgressBar) {
    hooks_.attachProgressBar(bar);
  }
}

}  // namespace nimbo::shell
