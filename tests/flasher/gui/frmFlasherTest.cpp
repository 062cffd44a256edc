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
#include "flasher/gui/FirmwareFileDialog.h"
#include "flasher/gui/frmFlasher.h"
#include "settings/gui/frmConfig.h"
#include "shell/frmLoader.h"
#include "support/SimulatedRig.h"

using nimbo::kFalse;
using nimbo::kTrue;
using nimbo::flasher::gui::frmFlasher;
using nimbo::shell::WindowId;
using Image = std::vector<std::uint8_t>;

namespace {

constexpr std::uint8_t kDeviceVersion = 0x21;  // the device in update mode reports 2.1
constexpr std::size_t kTextFirst = 0x4000;     // device bytes of 0x2000..0x217F: the LED text
constexpr std::size_t kTextEnd = 0x4300;

// A firmware image: "FW", the version, byte 4 = 0, program data from `seed`.
Image MakeImage(std::uint8_t version, unsigned seed) {
  Image image(nimbo::flasher::kFirmwareImageSize);
  for (std::size_t i = 0; i < image.size(); ++i) {
    image[i] = static_cast<std::uint8_t>(i * 131 + seed * 17 + (i >> 8));
  }
  image[0] = 'F';
  image[1] = 'W';
  image[3] = version;
  image[4] = 0;
  return image;
}

void WriteFirmware(const QString& path, const Image& image) {
  const Image file = nimbo::flasher::EncodeFirmwareBytes(image, 7);
  QFile out(path);
  QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(out.write(reinterpret_cast<const char*>(file.data()), static_cast<qint64>(file.size())),
           static_cast<qint64>(file.size()));
}

// Records what the core tells the user, and shows status texts and progress
// in the window that registered its status line and progress bar, as the
// program's own user interface does.
class WindowUserInterface final : public nimbo::UserInterface {
 public:
  explicit WindowUserInterface(nimbo::test::RecordingUserInterface& record) : record_(record) {}
  void ShowMessage(std::string_view text, std::string_view title,
                   nimbo::MessageIcon icon) override {
    record_.ShowMessage(text, title, icon);
  }
  void Beep() override { record_.Beep(); }
  void SetStatusText(std::string_view text) override {
    if (label) {
      label->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
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

// Answers the "Choose Custom" dialog with a fixed path, or cancels.
class AnsweringChooser final : public nimbo::flasher::FirmwareFileChooser {
 public:
  explicit AnsweringChooser(std::optional<std::string> answer, int& asked)
      : answer_(std::move(answer)), asked_(asked) {}
  std::optional<std::string> ChooseFirmwareFile() override {
    ++asked_;
    return answer_;
  }

 private:
  std::optional<std::string> answer_;
  int& asked_;
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
  // Runs at each yield of the link or the flash, after pending events.
  std::function<void()> atYield_;

  void Open() {
    window_ = std::make_unique<frmFlasher>(rig_->module, *navigator_);
    QVERIFY(window_->Form_Load());
  }
  template <typename T>
  T* Find(const QString& name) const {
    T* control = window_->findChild<T*>(name);
    if (control == nullptr) {
      qFatal("no control %s", qPrintable(name));
    }
    return control;
  }
  QPushButton* Button(int index) const { return Find<QPushButton>(QString("Button%1").arg(index)); }
  void Click(int index) { QTest::mouseClick(Button(index), Qt::LeftButton); }
  QAction* Item(const char* name) const { return Find<QAction>(name); }
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
  int Frames(const char* command) const {
    int count = 0;
    for (const auto& entry : rig_->device.Trace()) {
      count += entry.fromHost && entry.bytes.size() >= 2 && entry.bytes[0] == command[0] &&
               entry.bytes[1] == command[1];
    }
    return count;
  }
  // The device's program memory differs from `image` only in the kept LED text.
  void VerifyDeviceHolds(const Image& image) const {
    const auto memory = rig_->device.Memory();
    for (std::size_t k = 0; k < 450 * 64; ++k) {
      const std::size_t at = 0x40 + k;  // device address 0x0020 + k/2
      if (at >= kTextFirst && at < kTextEnd) {
        continue;
      }
      QVERIFY2(memory[at] == image[72 + k], qPrintable(QString("image byte %1").arg(72 + k)));
    }
  }

 private slots:
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir::setCurrent(folder_->path()));
    rig_ = std::make_unique<nimbo::test::SimulatedRig>();
    rig_->device.LoadFactoryContents();
    rig_->device.CurrentMode() = nimbo::sim::Mode::Update;
    rig_->device.Version() = kDeviceVersion;
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
  }
  void cleanup() {
    atYield_ = nullptr;
    window_.reset();
    QVERIFY(QDir::setCurrent(QDir::tempPath()));
    folder_.reset();
  }

  // Idle after loading, offered after a check, back to idle on "Abort Flash",
  // flashing with nothing to click, completed, and idle again after "Ok!".
  void fourStatesOfAWholeUpdate() {
    const Image image = MakeImage(0x12, 1);
    WriteFirmware("nimbo.fwu", image);
    Open();
    QCOMPARE(window_->windowTitle(), QString("NIMBO Control v1.00 - Firmware Flasher"));
    QCOMPARE(VisibleButtons(), QStringList({"Find Device"}));
    QVERIFY(!ProgressShown());
    QCOMPARE(Find<QProgressBar>("ProgressBar")->toolTip(),
             QString("This bar shows the current progress of an operation."));
    QCOMPARE(rig_->module.DeviceFound, kTrue);
    const std::string text = rig_->module.MatrixString;

    Click(frmFlasher::kFindDevice);
    QCOMPARE(VisibleButtons(), QStringList({"Flash Device", "Abort Flash"}));
    QCOMPARE(Status(), QString("Current Firmware: v2.1  -  New Firmware: v1.2"));
    QCOMPARE(Name(), QString("NIMBO") + QChar(rig_->device.Model()));

    Click(frmFlasher::kAbortFlash);
    QCOMPARE(VisibleButtons(), QStringList({"Find Device"}));
    QCOMPARE(Status(), QString());
    QCOMPARE(Name(), QString());
    QCOMPARE(Frames("WM"), 0);

    Click(frmFlasher::kFindDevice);
    int yields = 0;
    bool stillDuringFlash = true;
    atYield_ = [&] {
      ++yields;
      stillDuringFlash =
          stillDuringFlash && VisibleButtons().isEmpty() && ProgressShown() && !MenusEnabled();
      if (yields == 200) {
        // The close box does nothing during a flash.
        QVERIFY(!window_->CloseAsUser());
        QVERIFY(!window_->Unloaded());
        QCOMPARE(rig_->module.QuitRequested, kFalse);
      }
    };
    Click(frmFlasher::kFlashDevice);
    QVERIFY(yields >= 450);
    QVERIFY(stillDuringFlash);
    QCOMPARE(VisibleButtons(), QStringList({"Ok!"}));
    QCOMPARE(Status(), QString("Flash Complete!"));
    QVERIFY(!ProgressShown());
    QVERIFY(MenusEnabled());
    QCOMPARE(rig_->module.Flashing, kFalse);
    QVERIFY(Messages().isEmpty());
    VerifyDeviceHolds(image);
    QCOMPARE(rig_->module.MatrixString, text);
    QCOMPARE(navigator_->unloads, 0);

    Click(frmFlasher::kOk);
    QCOMPARE(VisibleButtons(), QStringList({"Find Device"}));
    QCOMPARE(Status(), QString());
    QVERIFY(window_->CloseAsUser());
    QCOMPARE(navigator_->unloads, 1);
  }

  // After "Ok!" a new "Find Device" reads the firmware file again.
  void replacedFileIsReadAgain() {
    WriteFirmware("nimbo.fwu", MakeImage(0x12, 1));
    Open();
    Click(frmFlasher::kFindDevice);
    Click(frmFlasher::kFlashDevice);
    Click(frmFlasher::kOk);

    WriteFirmware("nimbo.fwu", MakeImage(0x15, 2));
    Click(frmFlasher::kFindDevice);
    QCOMPARE(Status(), QString("Current Firmware: v2.1  -  New Firmware: v1.5"));
  }

  // "Choose Custom" asks the chooser and opens the file by its full path;
  // cancelling is an invalid file, and nothing is written.
  void customFileChosenOrCancelled() {
    QTemporaryDir elsewhere;
    const QString path = elsewhere.filePath("update.Fwu");
    WriteFirmware(path, MakeImage(0x13, 3));
    Open();
    int asked = 0;
    window_->SetFirmwareChooser(std::make_unique<AnsweringChooser>(std::nullopt, asked));

    Item("mnuFWCustom")->trigger();
    QVERIFY(Item("mnuFWCustom")->isChecked());
    QVERIFY(!Item("mnuFWDefault")->isChecked());
    Click(frmFlasher::kFindDevice);
    QCOMPARE(asked, 1);
    QCOMPARE(Messages(), QStringList({"Invalid or missing firmware file! | Unable to update!"}));
    QCOMPARE(VisibleButtons(), QStringList({"Find Device"}));
    QCOMPARE(Status(), QString());
    QCOMPARE(Name(), QString());

    window_->SetFirmwareChooser(
        std::make_unique<AnsweringChooser>(QFile::encodeName(path).toStdString(), asked));
    Click(frmFlasher::kFindDevice);
    QCOMPARE(asked, 2);
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
    const auto item = [&loader](const char* name) {
      return loader.CurrentWindow()->findChild<QAction*>(name);
    };
    QVERIFY(item("mnuFWDefault")->isChecked() && item("mnuLEDResetNo")->isChecked());
    QVERIFY(item("mnuConfig")->isEnabled());

    item("mnuFWCustom")->trigger();
    item("mnuFWDefault")->trigger();
    QVERIFY(item("mnuFWDefault")->isChecked() && !item("mnuFWCustom")->isChecked());
    item("mnuFWCustom")->trigger();
    item("mnuLEDResetYes")->trigger();
    QVERIFY(item("mnuFWCustom")->isChecked() && !item("mnuFWDefault")->isChecked());
    QVERIFY(item("mnuLEDResetYes")->isChecked() && !item("mnuLEDResetNo")->isChecked());

    item("mnuConfig")->trigger();
    QCOMPARE(loader.CurrentWindow()->Id(), WindowId::Config);
    QVERIFY(item("mnuFlasher")->isEnabled());
    item("mnuFlasher")->trigger();
    QCOMPARE(loader.CurrentWindow()->Id(), WindowId::Flasher);
    QVERIFY(item("mnuFWDefault")->isChecked() && !item("mnuFWCustom")->isChecked());
    QVERIFY(item("mnuLEDResetNo")->isChecked() && !item("mnuLEDResetYes")->isChecked());
  }

  // Clicks during the load's read do nothing: the read fills MemoryImage, and
  // a device check inside it would decode the firmware into the same array.
  void nothingActsWhileTheLoadReads() {
    WriteFirmware("nimbo.fwu", MakeImage(0x12, 1));
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
    QCOMPARE(VisibleButtons(), QStringList({"Find Device"}));
    QCOMPARE(rig_->module.DeviceFound, kTrue);

    Click(frmFlasher::kFindDevice);  // acts once the read has ended
    QCOMPARE(Frames("IF"), 1);
    QCOMPARE(VisibleButtons(), QStringList({"Flash Device", "Abort Flash"}));
  }

  // Pulling the plug mid-flash ends in the write failure, and the window is
  // idle with its menus enabled so the user can leave or retry.
  void unplugMidFlashLeavesTheWindowIdle() {
    WriteFirmware("nimbo.fwu", MakeImage(0x12, 1));
    Open();
    Click(frmFlasher::kFindDevice);
    int yields = 0;
    atYield_ = [&] {
      if (++yields == 100) {
        rig_->device.Unplug();
      }
    };
    Click(frmFlasher::kFlashDevice);
    QCOMPARE(Messages(),
             QStringList({"CPU write error! Data is corrupted!  Re-try update! | Write Failure!"}));
    QCOMPARE(VisibleButtons(), QStringList({"Find Device"}));
    QCOMPARE(Status(), QString());
    QVERIFY(!ProgressShown());
    QVERIFY(MenusEnabled());
    QCOMPARE(rig_->module.Flashing, kFalse);
    QVERIFY(window_->CloseAsUser());
  }

  // A check that fails tells why and returns to idle; the device is untouched.
  void failedChecks_data() {
    QTest::addColumn<bool>("updateMode");
    QTest::addColumn<int>("header4");  // -1: no file
    QTest::addColumn<QString>("message");
    QTest::newRow("not in update mode")
        << false << 0 << "NIMBO not in update mode!  | NIMBO Control";
    QTest::newRow("no file") << true << -1
                             << "Invalid or missing firmware file! | Unable to update!";
    QTest::newRow("unknown firmware") << true << 1 << "Unknown firmware! | Unable to update!";
  }
  void failedChecks() {
    QFETCH(bool, updateMode);
    QFETCH(int, header4);
    QFETCH(QString, message);
    if (header4 >= 0) {
      Image image = MakeImage(0x12, 1);
      image[4] = static_cast<std::uint8_t>(header4);
      WriteFirmware("nimbo.fwu", image);
    }
    if (!updateMode) {
      rig_->device.CurrentMode() = nimbo::sim::Mode::Normal;
    }
    Open();
    Click(frmFlasher::kFindDevice);
    QCOMPARE(Messages(), QStringList({message}));
    QCOMPARE(VisibleButtons(), QStringList({"Find Device"}));
    QCOMPARE(Status(), QString());
    QCOMPARE(Name(), QString());
    QCOMPARE(Frames("WM"), 0);
    QVERIFY(MenusEnabled());
  }

  // A link that fails during the check ends the program after its message,
  // instead of leaving it running with no window.
  void usbFailureDuringTheCheckEndsTheProgram() {
    WriteFirmware("nimbo.fwu", MakeImage(0x12, 1));
    Open();
    rig_->device.Unplug();
    Click(frmFlasher::kFindDevice);
    QCOMPARE(Messages(), QStringList({"USB Connection Failure! | USB Error"}));
    QVERIFY(window_->Unloaded());
    QVERIFY(!window_->isVisible());
    QCOMPARE(navigator_->unloads, 1);
  }

  // The dialog's two entries: firmware files first, each shown by its label.
  void dialogFilters() {
    const QStringList filters = nimbo::flasher::gui::FirmwareDialogFilters();
    QCOMPARE(filters.size(), 2);
    QVERIFY(filters[0].startsWith("NIMBO firmware (*.FWU) ("));
    QVERIFY(filters[1].startsWith("All Files (*.*) ("));
    QDir dir(folder_->path());
    for (const char* name : {"a.fwu", "b.FWU", "c.Fwu", "d.bin", "e"}) {
      QFile file(dir.filePath(name));
      QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const auto matches = [&dir](const QString& filter) {
      const qsizetype open = filter.lastIndexOf('(');
      const QString patterns = filter.mid(open + 1, filter.size() - open - 2);
      return dir.entryList(patterns.split(' '), QDir::Files | QDir::CaseSensitive, QDir::Name);
    };
    QCOMPARE(matches(filters[0]), QStringList({"a.fwu", "b.FWU", "c.Fwu"}));
    QCOMPARE(matches(filters[1]), QStringList({"a.fwu", "b.FWU", "c.Fwu", "d.bin", "e"}));
  }
};

QTEST_MAIN(frmFlasherTest)
#include "frmFlasherTest.moc"
