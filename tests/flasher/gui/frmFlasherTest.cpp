// The flasher window against the simulated device: its four states, its
// options, and whole updates driven by clicks as a person makes them.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStyleOption>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>
#include <utility>

#include "flasher/SampleFirmware.h"
#include "flasher/gui/FirmwareFileDialog.h"
#include "flasher/gui/frmFlasher.h"
#include "support/AnsweringChooser.h"
#include "support/FirmwareFiles.h"
#include "support/SimulatedRig.h"
#include "support/WindowHelpers.h"

using nimbo::kFalse;
using nimbo::kTrue;
using nimbo::flasher::gui::frmFlasher;

class frmFlasherTest : public QObject, nimbo::test::WindowFixture<frmFlasher> {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> folder_;  // the working directory of every test
  std::function<void()> atYield_;          // runs at each yield, after pending events

  static void WriteFirmware(const std::string& path, std::uint8_t version, std::uint8_t byte4 = 0) {
    auto image = nimbo::flasher::SampleFirmwareImage(version);
    image[4] = byte4;
    nimbo::test::WriteFirmware(path, image);
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
  int MenusEnabled() const {  // how many of the three
    const QList<QAction*> top = window_->menuBar()->actions();
    return static_cast<int>(
        std::count_if(top.begin(), top.end(), [](QAction* menu) { return menu->isEnabled(); }));
  }
  // The button has the focus and shows its mark, as after a Tab.
  bool Focused(int index) const {
    QStyleOption look;
    look.initFrom(Button(index));
    return window_->focusWidget() == Button(index) &&
           look.state.testFlag(QStyle::State_KeyboardFocusChange);
  }
  std::vector<std::string> Messages() const { return rig_->ui.MessageTexts(); }
  // Idle: only "Find Device", no progress, no status, no device name.
  void VerifyIdle() const {
    QCOMPARE(VisibleButtons(), QStringList({"Find Device"}));
    QVERIFY(!ProgressShown());
    QCOMPARE(Status(), QString());
    QCOMPARE(Name(), QString());
    QVERIFY(Focused(frmFlasher::kFindDevice));
  }

 private slots:
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir::setCurrent(folder_->path()));
    rig_ = std::make_unique<nimbo::test::SimulatedRig>();
    rig_->device.LoadFactoryContents();
    rig_->device.CurrentMode() = nimbo::sim::Mode::Update;
    rig_->device.Version() = 0x21;
    navigator_.unloads = 0;
    rig_->ui.shown = &navigator_.ui;
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
    // The load's read and the device check run under the transfer guard, and a
    // press that passes it by (a screen reader's action) starts nothing then.
    int yields = 0;
    int guarded = 0;
    atYield_ = [&] {
      if (window_ != nullptr && window_->isVisible()) {
        guarded += window_->Busy() && !window_->CloseAsUser();
        ++yields;
        Button(frmFlasher::kFindDevice)->click();
      }
    };
    Open();
    QCOMPARE(window_->windowTitle(), QString("NIMBO Control v1.00 - Firmware Flasher"));
    VerifyIdle();
    QCOMPARE(Find<QProgressBar>("ProgressBar")->toolTip(),
             QString("This bar shows the current progress of an operation."));
    const std::string text = rig_->module.MatrixString;
    QCOMPARE(rig_->SentFrames("IF"), 0);

    Click(frmFlasher::kFindDevice);
    QCOMPARE(rig_->SentFrames("IF"), 1);
    QVERIFY(yields > 0 && guarded == yields);
    atYield_ = nullptr;
    QCOMPARE(VisibleButtons(), QStringList({"Flash Device", "Abort Flash"}));
    // Never "Flash Device": an Enter pressed twice must not start a flash.
    QVERIFY(Focused(frmFlasher::kAbortFlash));
    nimbo::test::CheckMnemonics(window_->menuBar()->actions());
    QCOMPARE(Status(), QString("Current Firmware: v2.1  -  New Firmware: v1.2"));
    QCOMPARE(Name(), QString("NIMBO") + QChar(rig_->device.Model()));
    Click(frmFlasher::kAbortFlash);
    VerifyIdle();

    Click(frmFlasher::kFindDevice);
    yields = 0;
    bool locked = true;
    atYield_ = [&] {
      ++yields;
      Find<QAction>("MenuBarKey")->trigger();  // F10 opens no menu either
      locked = locked && VisibleButtons().isEmpty() && ProgressShown() && MenusEnabled() == 0 &&
               window_->menuBar()->activeAction() == nullptr && !window_->CloseAsUser();
    };
    Click(frmFlasher::kFlashDevice);
    QVERIFY(yields >= 450);
    QVERIFY(locked);
    QVERIFY(!window_->Unloaded());
    QCOMPARE(VisibleButtons(), QStringList({"Ok!"}));
    QVERIFY(Focused(frmFlasher::kOk));
    QCOMPARE(Status(), QString("Flash Complete!"));
    QVERIFY(!ProgressShown());
    QCOMPARE(MenusEnabled(), 3);
    QCOMPARE(rig_->module.Flashing, kFalse);
    QVERIFY(Messages().empty());
    QCOMPARE(rig_->module.MatrixString, text);

    Click(frmFlasher::kOk);
    VerifyIdle();
    WriteFirmware("nimbo.fwu", 0x15);
    Click(frmFlasher::kFindDevice);
    QCOMPARE(Status(), QString("Current Firmware: v2.1  -  New Firmware: v1.5"));
    QVERIFY(window_->CloseAsUser());
    QCOMPARE(navigator_.unloads, 1);
  }

  // "Choose Custom" asks the chooser and opens the file by its full path;
  // cancelling is an invalid file.
  void customFileChosenOrCancelled() {
    QTemporaryDir elsewhere;
    const QString path = elsewhere.filePath("update.Fwu");
    WriteFirmware(path.toStdString(), 0x13);
    Open();
    auto owned = std::make_unique<nimbo::test::AnsweringChooser>();
    nimbo::test::AnsweringChooser& chooser = *owned;
    window_->SetFirmwareChooser(std::move(owned));
    Find<QAction>("mnuFWCustom")->trigger();
    Click(frmFlasher::kFindDevice);
    QCOMPARE(chooser.asked, 1);
    QCOMPARE(Messages(),
             (std::vector<std::string>{"Invalid or missing firmware file! | Unable to update!"}));
    VerifyIdle();

    chooser.answer = QFile::encodeName(path).toStdString();
    Click(frmFlasher::kFindDevice);
    QCOMPARE(chooser.asked, 2);
    QCOMPARE(Status(), QString("Current Firmware: v2.1  -  New Firmware: v1.3"));
  }

  // Each pair acts as radio buttons; the window the menus open next (a new
  // one) starts again from "Default" and "No".
  void optionsResetWhenTheWindowIsLoadedAgain() {
    const auto options = [this] {
      QString ticks;
      for (const char* name : {"mnuFWDefault", "mnuFWCustom", "mnuLEDResetNo", "mnuLEDResetYes"}) {
        ticks += Find<QAction>(name)->isChecked() ? '1' : '0';
      }
      return ticks;
    };
    Open();
    QCOMPARE(options(), QString("1010"));
    Find<QAction>("mnuFWCustom")->trigger();
    Find<QAction>("mnuLEDResetYes")->trigger();
    QCOMPARE(options(), QString("0101"));
    Find<QAction>("mnuFWDefault")->trigger();
    QCOMPARE(options(), QString("1001"));
    window_.reset();
    Open();
    QCOMPARE(options(), QString("1010"));
  }

  // A refused check and a flash cut off mid-way both end idle with the
  // menus enabled, so the user can leave or retry.
  void failuresLeaveTheWindowIdle() {
    WriteFirmware("nimbo.fwu", 0x12, 1);
    Open();
    Click(frmFlasher::kFindDevice);
    QCOMPARE(Messages(), (std::vector<std::string>{"Unknown firmware! | Unable to update!"}));
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
    QCOMPARE(Messages(),
             (std::vector<std::string>{
                 "Unknown firmware! | Unable to update!",
                 "CPU write error! Data is corrupted!  Re-try update! | Write Failure!"}));
    VerifyIdle();
    QCOMPARE(MenusEnabled(), 3);
    QCOMPARE(rig_->module.Flashing, kFalse);
    QVERIFY(window_->CloseAsUser());
  }

  // A link that fails during the check ends the program after its message,
  // instead of leaving it running with no window.
  void usbFailureDuringTheCheckEndsTheProgram() {
    Open();
    rig_->device.Unplug();
    Click(frmFlasher::kFindDevice);
    QCOMPARE(Messages(), (std::vector<std::string>{"USB Connection Failure! | USB Error"}));
    QVERIFY(window_->Unloaded());
    QCOMPARE(navigator_.unloads, 1);
  }

  // An installed program's dialog opens in the desktop's download folder,
  // with the fixed title and two entries (firmware files first, each shown by
  // its label, extensions in any case); it answers with the chosen file, or
  // nothing when cancelled, and opens where it started the next time.
  void fileDialog() {
    QDir home(folder_->path());
    QVERIFY(home.mkpath("config") && home.mkpath("Fetched"));
    const auto setDownloads = [&home](const char* folder) {  // as the desktop records it
      QFile dirs(home.filePath("config/user-dirs.dirs"));
      QVERIFY(dirs.open(QIODevice::WriteOnly | QIODevice::Truncate));
      dirs.write("XDG_DOWNLOAD_DIR=\"" + home.filePath(folder).toUtf8() + "\"\n");
    };
    setDownloads("Fetched");
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")));
    QDir fetched(home.filePath("Fetched"));
    for (const char* name : {"b.FWU", "c.Fwu", "d.bin", "\u00FCber.fwu"}) {
      QVERIFY(QFile(fetched.filePath(QString::fromUtf8(name))).open(QIODevice::WriteOnly));
    }
    QWidget parent;
    nimbo::flasher::gui::FirmwareFileDialog chooser(&parent, "/usr/bin");
    QStringList seen;
    const auto answer = [&](const char* name) {  // each entry by its label and the files it shows
      QTimer::singleShot(0, &parent, [&, name] {
        auto* dialog = parent.findChild<QFileDialog*>();
        QVERIFY(dialog != nullptr);
        seen << dialog->windowTitle() << dialog->directory().path();
        for (const QString& filter : dialog->nameFilters()) {
          const qsizetype open = filter.lastIndexOf('(');
          const QStringList patterns = filter.mid(open + 1).chopped(1).split(' ');
          seen << filter.left(open) + "| " +
                      fetched.entryList(patterns, QDir::Files | QDir::CaseSensitive).join(' ');
        }
        name ? (dialog->selectFile(fetched.filePath(QString::fromUtf8(name))),
                static_cast<QDialog*>(dialog)->accept())
             : dialog->reject();
      });
    };
    answer("\u00FCber.fwu");
    const std::optional<std::string> chosen = chooser.ChooseFirmwareFile();
    answer(nullptr);
    const std::optional<std::string> cancelled = chooser.ChooseFirmwareFile();
    setDownloads("Gone");  // a download folder not made yet
    nimbo::flasher::gui::FirmwareFileDialog noDownloads(&parent, "/usr/bin");
    noDownloads.PrepareStartFolder();
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);

    QCOMPARE(chosen, std::optional<std::string>(fetched.filePath("\u00FCber.fwu").toStdString()));
    QCOMPARE(cancelled, std::nullopt);
    const QStringList once{"Select firmware file...", fetched.path(),
                           "NIMBO firmware (*.FWU) | b.FWU c.Fwu \u00FCber.fwu",
                           "All Files (*.*) | b.FWU c.Fwu d.bin \u00FCber.fwu"};
    QCOMPARE(seen, once + once);
    QCOMPARE(noDownloads.StartFolder(), home.path());  // home, not a missing folder
    // Run from a build folder, it opens in the program's folder.
    nimbo::flasher::gui::FirmwareFileDialog built(&parent, folder_->path());
    built.PrepareStartFolder();
    QCOMPARE(built.StartFolder(), folder_->path());
  }
};

QTEST_MAIN(frmFlasherTest)
#include "frmFlasherTest.moc"
