// The flasher window against the simulated device: its four states, its
// options, and whole updates driven by clicks as a person makes them.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>

#include "flasher/FirmwareCodec.h"
#include "flasher/SampleFirmware.h"
#include "flasher/gui/FirmwareFileDialog.h"
#include "flasher/gui/frmFlasher.h"
#include "settings/gui/frmConfig.h"
#include "shell/frmLoader.h"
#include "support/SimulatedRig.h"
#include "support/WindowHelpers.h"

using nimbo::kFalse;
using nimbo::kTrue;
using nimbo::flasher::gui::frmFlasher;
using nimbo::shell::WindowId;

namespace {

void WriteFirmware(const QString& path, std::uint8_t version, std::uint8_t byte4 = 0) {
  auto image = nimbo::flasher::SampleFirmwareImage(version);
  image[4] = byte4;
  const auto file = nimbo::flasher::EncodeFirmwareBytes(image, 7);
  QFile out(path);
  QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(out.write(reinterpret_cast<const char*>(file.data()), qint64(file.size())),
           qint64(file.size()));
}

// Records messages; shows status texts and progress in the window's own
// status line and progress bar, as the program's user interface does.
class WindowUserInterface final : public nimbo::UserInterface {
 public:
  explicit WindowUserInterface(nimbo::test::RecordingUserInterface& record) : record_(record) {}
  void ShowMessage(std::string_view text, std::string_view title,
                   nimbo::MessageIcon icon) override {
    record_.ShowMessage(text, title, icon);
  }
  void Beep() override {}
  void SetStatusText(std::string_view text) override {
    if (label) {
      label->setText(QString::fromUtf8(text.data(), qsizetype(text.size())));
    }
  }
  void SetProgress(int value, int maximum) override {
    if (bar) {
      bar->setMaximum(maximum);
      bar->setValue(value);
    }
  }
  void ProcessEvents() override { record_.ProcessEvents(); }
  void Sleep(int milliseconds) override { record_.Sleep(milliseconds); }
  QPointer<QLabel> label;
  QPointer<QProgressBar> bar;

 private:
  nimbo::test::RecordingUserInterface& record_;
};

class Navigator final : public nimbo::shell::Navigator {
 public:
  explicit Navigator(WindowUserInterface& ui) : ui_(ui) {}
  void Navigate(WindowId) override {}
  void InvokeForum() override {}
  void ShowAbout(QWidget*) override {}
  void UnloadLoader() override { ++unloads; }
  void AttachStatusLabel(QLabel* label) override { ui_.label = label; }
  void AttachProgressBar(QProgressBar* bar) override { ui_.bar = bar; }
  int unloads = 0;

 private:
  WindowUserInterface& ui_;
};

class AnsweringChooser final : public nimbo::flasher::FirmwareFileChooser {
 public:
  std::optional<std::string> ChooseFirmwareFile() override {
    ++asked;
    return answer;
  }
  std::optional<std::string> answer;  // nothing: cancelled
  int asked = 0;
};

}  // namespace

class frmFlasherTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> folder_;  // the working directory of every test
  std::unique_ptr<nimbo::test::SimulatedRig> rig_;
  std::unique_ptr<WindowUserInterface> ui_;
  std::unique_ptr<Navigator> navigator_;
  std::unique_ptr<frmFlasher> window_;
  std::function<void()> atYield_;  // runs at each yield, after pending events

  void Open() {
    window_ = std::make_unique<frmFlasher>(rig_->module, *navigator_);
    QVERIFY(window_->Form_Load());
  }
  template <typename T>
  T* Find(const QString& name) const {
    return nimbo::test::Control<T>(window_.get(), name);
  }
  QPushButton* Button(int index) const { return Find<QPushButton>(QString("Button%1").arg(index)); }
  void Click(int index) { QTest::mouseClick(Button(index), Qt::LeftButton); }
  QStringList VisibleButtons() const {
    QStringList shown;
    for (int i = 0; i < frmFlasher::kButtonCount; ++i) {
      if (Button(i)->isVisible()) {
        shown << Button(i)->text();
      }
    }
    return shown;
  }
  QString Status() const { return Find<QLabel>("StatusText")->text(); }
  QString Name() const { return Find<QLabel>("DeviceName")->text(); }
  bool ProgressShown() const { return Find<QProgressBar>("ProgressBar")->isVisible(); }
  bool MenusEnabled() const {
    const QList<QAction*> top = window_->menuBar()->actions();
    return std::all_of(top.begin(), top.end(), [](QAction* menu) { return menu->isEnabled(); });
  }
  QStringList Messages() const {
    QStringList texts;
    for (const auto& message : rig_->ui.messages) {
      texts << QString::fromStdString(message.text + " | " + message.title);
    }
    return texts;
  }
  int Frames(const char* command) const { return rig_->SentFrames(command); }
  // Idle: only "Find Device", no progress, no status, no device name.
  void VerifyIdle() const {
    QCOMPARE(VisibleButtons(), QStringList({"Find Device"}));
    QVERIFY(!ProgressShown());
    QCOMPARE(Status(), QString());
    QCOMPARE(Name(), QString());
    QVERIFY(window_->focusWidget() == Button(frmFlasher::kFindDevice));
  }

 private slots:
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir::setCurrent(folder_->path()));
    rig_ = std::make_unique<nimbo::test::SimulatedRig>();
    rig_->device.LoadFactoryContents();
    rig_->device.CurrentMode() = nimbo::sim::Mode::Update;
    rig_->device.Version() = 0x21;
    ui_ = std::make_unique<WindowUserInterface>(rig_->ui);
    rig_->module.SetUserInterface(*ui_);
    navigator_ = std::make_unique<Navigator>(*ui_);
    atYield_ = nullptr;
    rig_->ui.onProcessEvents = [this] {
      QCoreApplication::processEvents();
      if (atYield_) {
        atYield_();
      }
    };
    WriteFirmware("nimbo.fwu", 0x12);
  }
  void cleanup() {
    atYield_ = nullptr;
    window_.reset();
    QVERIFY(QDir::setCurrent(QDir::tempPath()));
    folder_.reset();
  }

  // Idle, offered, idle on "Abort Flash", flashing with nothing to click
  // and the close box refused, completed, idle after "Ok!", and a file
  // replaced meanwhile read again by the next check.
  void fourStatesOfAWholeUpdate() {
    Open();
    QCOMPARE(window_->windowTitle(), QString("NIMBO Control v1.00 - Firmware Flasher"));
    VerifyIdle();
    QCOMPARE(Find<QProgressBar>("ProgressBar")->toolTip(),
             QString("This bar shows the current progress of an operation."));
    const std::string text = rig_->module.MatrixString;

    Click(frmFlasher::kFindDevice);
    QCOMPARE(VisibleButtons(), QStringList({"Flash Device", "Abort Flash"}));
    // Never "Flash Device": an Enter pressed twice must not start a flash.
    QVERIFY(window_->focusWidget() == Button(frmFlasher::kAbortFlash));
    nimbo::test::CheckMnemonics(window_->menuBar()->actions());
    QCOMPARE(Status(), QString("Current Firmware: v2.1  -  New Firmware: v1.2"));
    QCOMPARE(Name(), QString("NIMBO") + QChar(rig_->device.Model()));
    Click(frmFlasher::kAbortFlash);
    VerifyIdle();

    Click(frmFlasher::kFindDevice);
    int yields = 0;
    bool locked = true;
    atYield_ = [&] {
      ++yields;
      locked = locked && VisibleButtons().isEmpty() && ProgressShown() && !MenusEnabled() &&
               !window_->CloseAsUser();
    };
    Click(frmFlasher::kFlashDevice);
    QVERIFY(yields >= 450);
    QVERIFY(locked);
    QVERIFY(!window_->Unloaded());
    QCOMPARE(VisibleButtons(), QStringList({"Ok!"}));
    QCOMPARE(Status(), QString("Flash Complete!"));
    QVERIFY(!ProgressShown());
    QVERIFY(MenusEnabled());
    QCOMPARE(rig_->module.Flashing, kFalse);
    QVERIFY(Messages().isEmpty());
    QCOMPARE(rig_->module.MatrixString, text);

    Click(frmFlasher::kOk);
    VerifyIdle();
    WriteFirmware("nimbo.fwu", 0x15);
    Click(frmFlasher::kFindDevice);
    QCOMPARE(Status(), QString("Current Firmware: v2.1  -  New Firmware: v1.5"));
    QVERIFY(window_->CloseAsUser());
    QCOMPARE(navigator_->unloads, 1);
  }

  // "Choose Custom" asks the chooser and opens the file by its full path;
  // cancelling is an invalid file.
  void customFileChosenOrCancelled() {
    QTemporaryDir elsewhere;
    const QString path = elsewhere.filePath("update.Fwu");
    WriteFirmware(path, 0x13);
    Open();
    auto owned = std::make_unique<AnsweringChooser>();
    AnsweringChooser& chooser = *owned;
    window_->SetFirmwareChooser(std::move(owned));
    Find<QAction>("mnuFWCustom")->trigger();
    Click(frmFlasher::kFindDevice);
    QCOMPARE(chooser.asked, 1);
    QCOMPARE(Messages(), QStringList({"Invalid or missing firmware file! | Unable to update!"}));
    VerifyIdle();

    chooser.answer = QFile::encodeName(path).toStdString();
    Click(frmFlasher::kFindDevice);
    QCOMPARE(chooser.asked, 2);
    QCOMPARE(Status(), QString("Current Firmware: v2.1  -  New Firmware: v1.3"));
  }

  // Each pair acts as radio buttons; leaving the window and coming back
  // starts again from "Default" and "No".
  void optionsResetWhenTheWindowIsLoadedAgain() {
    nimbo::shell::LoaderHooks hooks;
    hooks.anotherInstanceRunning = [] { return false; };
    nimbo::shell::frmLoader loader(rig_->module, std::move(hooks));
    loader.RegisterWindow(WindowId::Flasher, [](nimbo::NIMBOmodule& m, nimbo::shell::Navigator& n) {
      return std::make_unique<frmFlasher>(m, n);
    });
    loader.RegisterWindow(WindowId::Config, [](nimbo::NIMBOmodule& m, nimbo::shell::Navigator& n) {
      return std::make_unique<nimbo::settings::gui::frmConfig>(m, n);
    });
    loader.SetStartWindow(WindowId::Flasher);
    QVERIFY(loader.Form_Load());
    const auto checked = [&loader](const char* name) {
      return loader.CurrentWindow()->findChild<QAction*>(name)->isChecked();
    };
    const auto trigger = [&loader](const char* name) {
      loader.CurrentWindow()->findChild<QAction*>(name)->trigger();
    };
    const auto defaults = [&] {
      return checked("mnuFWDefault") && !checked("mnuFWCustom") && checked("mnuLEDResetNo") &&
             !checked("mnuLEDResetYes");
    };
    QVERIFY(defaults());
    trigger("mnuFWCustom");
    trigger("mnuFWDefault");
    QVERIFY(defaults());
    trigger("mnuFWCustom");
    trigger("mnuLEDResetYes");
    QVERIFY(checked("mnuFWCustom") && !checked("mnuFWDefault"));
    QVERIFY(checked("mnuLEDResetYes") && !checked("mnuLEDResetNo"));

    trigger("mnuConfig");
    QCOMPARE(loader.CurrentWindow()->Id(), WindowId::Config);
    trigger("mnuFlasher");
    QCOMPARE(loader.CurrentWindow()->Id(), WindowId::Flasher);
    QVERIFY(defaults());
  }

  // Clicks during the load's read do nothing: the read fills MemoryImage, and
  // a device check inside it would decode the firmware into the same array.
  void nothingActsWhileTheLoadReads() {
    window_ = std::make_unique<frmFlasher>(rig_->module, *navigator_);
    int clicks = 0;
    atYield_ = [&] {
      if (!window_->isVisible() || clicks == 3) {
        return;
      }
      ++clicks;
      QTest::mouseClick(Button(frmFlasher::kFindDevice), Qt::LeftButton);
      QTest::keyClick(window_.get(), Qt::Key_F, Qt::AltModifier);
      QVERIFY(!window_->CloseAsUser());
    };
    QVERIFY(window_->Form_Load());
    atYield_ = nullptr;
    QCOMPARE(clicks, 3);
    QCOMPARE(Frames("IF"), 0);
    QVERIFY(Messages().isEmpty());
    QCOMPARE(rig_->module.DeviceFound, kTrue);

    Click(frmFlasher::kFindDevice);  // acts once the read has ended
    QCOMPARE(Frames("IF"), 1);
    QCOMPARE(VisibleButtons(), QStringList({"Flash Device", "Abort Flash"}));
  }

  // A refused check and a flash cut off mid-way both end idle with the
  // menus enabled, so the user can leave or retry.
  void failuresLeaveTheWindowIdle() {
    WriteFirmware("nimbo.fwu", 0x12, 1);
    Open();
    Click(frmFlasher::kFindDevice);
    QCOMPARE(Messages(), QStringList({"Unknown firmware! | Unable to update!"}));
    VerifyIdle();

    WriteFirmware("nimbo.fwu", 0x12);
    Click(frmFlasher::kFindDevice);
    int yields = 0;
    atYield_ = [&] {
      if (++yields == 100) {
        rig_->device.Unplug();
      }
    };
    Click(frmFlasher::kFlashDevice);
    QCOMPARE(Messages().last(),
             QString("CPU write error! Data is corrupted!  Re-try update! | Write Failure!"));
    VerifyIdle();
    QVERIFY(MenusEnabled());
    QCOMPARE(rig_->module.Flashing, kFalse);
    QVERIFY(window_->CloseAsUser());
  }

  // A link that fails during the check ends the program after its message,
  // instead of leaving it running with no window.
  void usbFailureDuringTheCheckEndsTheProgram() {
    Open();
    rig_->device.Unplug();
    Click(frmFlasher::kFindDevice);
    QCOMPARE(Messages(), QStringList({"USB Connection Failure! | USB Error"}));
    QVERIFY(window_->Unloaded());
    QCOMPARE(navigator_->unloads, 1);
  }

  // The dialog's two entries: firmware files first, each shown by its label.
  void dialogFilters() {
    const QStringList filters = nimbo::flasher::gui::FirmwareDialogFilters();
    QCOMPARE(filters.size(), 2);
    QVERIFY(filters[0].startsWith("NIMBO firmware (*.FWU) ("));
    QVERIFY(filters[1].startsWith("All Files (*.*) ("));
    QDir dir(folder_->path());
    for (const char* name : {"b.FWU", "c.Fwu", "d.bin"}) {
      QFile file(dir.filePath(name));
      QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const auto matches = [&dir](const QString& filter) {
      const qsizetype open = filter.lastIndexOf('(');
      const QString patterns = filter.mid(open + 1, filter.size() - open - 2);
      return dir.entryList(patterns.split(' '), QDir::Files | QDir::CaseSensitive, QDir::Name);
    };
    QCOMPARE(matches(filters[0]), QStringList({"b.FWU", "c.Fwu", "nimbo.fwu"}));
    QCOMPARE(matches(filters[1]), QStringList({"b.FWU", "c.Fwu", "d.bin", "nimbo.fwu"}));
  }
};

QTEST_MAIN(frmFlasherTest)
#include "frmFlasherTest.moc"
