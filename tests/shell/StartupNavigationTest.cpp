// The start-up sequence, navigation between working windows, the quit
// protocol and the forum entry, against the simulated device.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QtTest/QtTest>
#include <algorithm>
#include <string>

#include "ShellFixture.h"
#include "support/WindowHelpers.h"

using nimbo::kFalse;
using nimbo::kTrue;
using nimbo::shell::WindowId;
using nimbo::test::CloseFromFrame;
using nimbo::test::FakeWindow;
using nimbo::test::ShellRig;

namespace {

QAction* Entry(QWidget* window, const char* name) {
  return window->findChild<QAction*>(QString::fromLatin1(name));
}

int OpenCalls(const ShellRig& rig, const char* call) {
  const auto& calls = rig.transport.Calls();
  return static_cast<int>(std::count(calls.begin(), calls.end(), std::string(call)));
}

// The captions as shown, without their mnemonic marks: each menu's, then its
// entries' ("-" for a separator).
QStringList Captions(const QList<QAction*>& entries) {
  QStringList captions;
  for (QAction* a : entries) {
    captions << (a->isSeparator() ? QString("-") : QString(a->text()).remove(QLatin1Char('&')));
    if (a->menu() != nullptr) {
      captions += Captions(a->menu()->actions());
    }
  }
  return captions;
}

}  // namespace

class StartupNavigationTest : public QObject {
  Q_OBJECT

 private slots:
  void startUpEndings_data() {
    QTest::addColumn<bool>("interfacePresent");
    QTest::addColumn<bool>("deviceAnswers");
    QTest::addColumn<QStringList>("shownAtYields");  // before the pause; the last one stays
    QTest::addColumn<int>("pause");
    QTest::addColumn<bool>("handedOver");
    const QString looking = "Looking for USB Interface...";
    const QString connecting = "Connecting to NIMBO...";
    QTest::newRow("no interface") << false << true
                                  << QStringList{"", looking, "USB Interface Not Found!"} << 3000
                                  << false;
    QTest::newRow("no answer") << true << false
                               << QStringList{"", looking, connecting, "NIMBO Not Found!"} << 3000
                               << false;
    QTest::newRow("device found") << true << true << QStringList{"", looking, connecting} << 500
                                  << true;
  }

  void startUpEndings() {
    QFETCH(bool, interfacePresent);
    QFETCH(bool, deviceAnswers);
    QFETCH(QStringList, shownAtYields);
    QFETCH(int, pause);
    QFETCH(bool, handedOver);
    ShellRig rig;
    // Each status text must be painted (events run) before the pause.
    QStringList shown;
    rig.ui.onProcessEvents = [&] {
      if (rig.ui.sleeps.empty() && (shown.isEmpty() || shown.last() != rig.loader->StatusText())) {
        shown << rig.loader->StatusText();
      }
    };
    rig.transport.SetAbsent(!interfacePresent);
    if (!deviceAnswers) {
      rig.device.AddFault({nimbo::sim::Fault::NoReply, "", std::nullopt, -1});  // to anything
    }

    QCOMPARE(rig.loader->Form_Load(), handedOver);

    QCOMPARE(shown, shownAtYields);
    QCOMPARE(rig.loader->StatusText(), shownAtYields.last());
    QCOMPARE(rig.ui.sleeps, std::vector<int>{pause});
    QCOMPARE(rig.ui.beeps, handedOver ? 0 : 1);
    QVERIFY(rig.ui.messages.empty());
    QVERIFY(!rig.loader->isVisible());
    QCOMPARE(rig.loader->Loaded(), handedOver);
    QCOMPARE(rig.programEnded, handedOver ? 0 : 1);
    QCOMPARE(rig.module.LinkHandle != 0, handedOver);
    QCOMPARE(rig.aliveWindows, handedOver ? 1 : 0);
    if (handedOver) {
      FakeWindow* window = rig.Current();
      QVERIFY(window != nullptr);
      QCOMPARE(window->Id(), WindowId::Config);
      QVERIFY(window->isVisible());
      QCOMPARE(window->loads, 1);
    }
  }

  // A stop request (SIGTERM, SIGINT) during the start-up ends it after the
  // step that runs: never in the middle of the device read, and without the
  // pauses and the working window.
  void stopRequestedWhileStarting_data() {
    QTest::addColumn<int>("stopAt");  // the yield at which it arrives
    QTest::addColumn<bool>("opened");
    QTest::addColumn<int>("blocksRead");
    QTest::newRow("splash") << 1 << false << 0;
    QTest::newRow("looking for the interface") << 2 << false << 0;
    QTest::newRow("connecting") << 3 << true << 0;
    QTest::newRow("inside the read") << 6 << true << 24;
  }
  void stopRequestedWhileStarting() {
    QFETCH(int, stopAt);
    QFETCH(bool, opened);
    QFETCH(int, blocksRead);
    ShellRig rig;
    int yields = 0;
    bool accepted = false;
    rig.ui.onProcessEvents = [&] {
      if (++yields == stopAt) {
        accepted = rig.loader->RequestStop();
        QVERIFY(rig.loader->Loaded());  // not yet: the step runs to its end
      }
    };

    QVERIFY(!rig.loader->Form_Load());

    QVERIFY(accepted);
    QCOMPARE(OpenCalls(rig, "OpenEx") > 0, opened);
    QCOMPARE(rig.SentFrames("RM"), blocksRead);
    QCOMPARE(rig.module.LinkHandle, nimbo::FtHandle{0});
    QCOMPARE(OpenCalls(rig, "Close"), opened ? 1 : 0);
    QCOMPARE(rig.programEnded, 1);
    QCOMPARE(rig.aliveWindows, 0);
    QCOMPARE(rig.ui.beeps, 0);
    QVERIFY(rig.ui.sleeps.empty());
  }

  // A failed attempt of the start-up read lets events run before the next.
  void failedReadAttemptYields() {
    ShellRig rig;
    rig.device.AddFault({nimbo::sim::Fault::WrongChecksum, "RM", 0x2000});
    int yieldsAfterFailure = 0;
    rig.ui.onProcessEvents = [&] { yieldsAfterFailure += rig.module.LinkStatus != 0; };

    QVERIFY(rig.loader->Form_Load());
    QCOMPARE(yieldsAfterFailure, 1);
  }

  void secondCopyShowsMessageAndEnds() {
    ShellRig rig;
    rig.anotherInstance = true;

    QVERIFY(!rig.loader->Form_Load());

    QCOMPARE(rig.ui.messages.size(), std::size_t{1});
    QCOMPARE(rig.ui.messages[0].text, std::string("nimbo-control already running! "));
    QCOMPARE(rig.ui.messages[0].title, std::string("NIMBO Control"));
    QCOMPARE(rig.ui.messages[0].icon, nimbo::MessageIcon::Critical);
    QCOMPARE(rig.programEnded, 1);
    QVERIFY(!rig.loader->isVisible());
    // This copy never reached for the interface, so the first one keeps it.
    QCOMPARE(OpenCalls(rig, "OpenEx"), 0);
    QCOMPARE(rig.aliveWindows, 0);
  }

  void menusAndNavigation() {
    ShellRig rig;  // no flasher in this build
    QVERIFY(rig.loader->Form_Load());
    FakeWindow* config = rig.Current();
    const nimbo::FtHandle handle = rig.module.LinkHandle;
    const int opens = OpenCalls(rig, "OpenEx");

    QCOMPARE(Captions(config->menuBar()->actions()),
             QStringList({"Function", "Configuration", "-", "LED Matrix", "-", "Firmware Flasher",
                          "Help", "NIMBO Help Forum", "-", "About"}));
    QCOMPARE(config->menuBar()->actions()[0]->menu()->objectName(), QString("mnuProgram"));
    QVERIFY(Entry(config, "mnuLEDMatrix")->isEnabled());
    QVERIFY(!Entry(config, "mnuFlasher")->isEnabled());
    QVERIFY(!Entry(config, "mnuLEDMatrix")->isChecked());

    // The own entry is checked and inert; so is any pick during an exchange.
    QAction* own = Entry(config, "mnuConfig");
    QVERIFY(own->isCheckable());
    own->trigger();
    QVERIFY(own->isChecked());
    rig.exchangeRunning = true;
    Entry(config, "mnuLEDMatrix")->trigger();
    QCOMPARE(rig.Current(), config);
    QVERIFY(!config->Unloaded());
    QCOMPARE(config->loads, 1);
    QCOMPARE(rig.aliveWindows, 1);

    // Navigation swaps the one window; the program and the link go on.
    rig.exchangeRunning = false;
    Entry(config, "mnuLEDMatrix")->trigger();
    FakeWindow* matrix = rig.Current();
    QCOMPARE(matrix->Id(), WindowId::LedMatrix);
    QVERIFY(matrix->isVisible());
    QCOMPARE(matrix->windowTitle(), QString("NIMBO Control v1.00 - LED Matrix Control"));
    QCOMPARE(Captions({Entry(matrix, "mnuLEDMatrix")}), QStringList("LEDMatrix"));
    nimbo::test::CheckMnemonics(matrix->menuBar()->actions());
    QVERIFY(Entry(matrix, "mnuLEDMatrix")->isChecked());
    QVERIFY(config->Unloaded());
    QVERIFY(rig.loader->Loaded());
    QCOMPARE(rig.programEnded, 0);
    QCOMPARE(rig.module.LinkHandle, handle);  // the link stays open, not reopened
    QCOMPARE(OpenCalls(rig, "OpenEx"), opens);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(rig.aliveWindows, 1);
  }

  void closing_data() {
    QTest::addColumn<QString>("how");  // "frame", "program" or "stop request"
    QTest::addColumn<bool>("mayClose");
    QTest::addColumn<bool>("exchange");
    QTest::addColumn<int>("quitBefore");
    QTest::addColumn<int>("quitAfter");
    QTest::addColumn<bool>("ends");
    // The user's close ends the program and closes the link.
    QTest::newRow("by user") << "frame" << true << false << int{kFalse} << int{kTrue} << true;
    // The program's own close keeps it running: a stale quit flag must not survive.
    QTest::newRow("by program") << "program" << true << false << int{kTrue} << int{kFalse} << false;
    // A window may refuse the user's close: the quit flag stays as it is.
    QTest::newRow("refused") << "frame" << false << false << int{kFalse} << int{kFalse} << false;
    // A stop request closes the window as the user would, but not while a
    // device exchange runs or the window refuses: it is then asked again.
    QTest::newRow("stop request") << "stop request" << true << false << int{kFalse} << int{kTrue}
                                  << true;
    QTest::newRow("stop refused") << "stop request" << false << false << int{kFalse} << int{kFalse}
                                  << false;
    QTest::newRow("stop during an exchange")
        << "stop request" << true << true << int{kFalse} << int{kFalse} << false;
  }

  void closing() {
    QFETCH(QString, how);
    QFETCH(bool, mayClose);
    QFETCH(bool, exchange);
    QFETCH(int, quitBefore);
    QFETCH(int, quitAfter);
    QFETCH(bool, ends);
    ShellRig rig;
    QVERIFY(rig.loader->Form_Load());
    FakeWindow* window = rig.Current();
    window->mayClose = mayClose;
    rig.exchangeRunning = exchange;
    rig.module.QuitRequested = static_cast<nimbo::Flag>(quitBefore);

    if (how == "frame") {
      CloseFromFrame(window);
    } else if (how == "program") {
      window->close();  // not spontaneous: the program's own unload
    } else {
      QCOMPARE(rig.loader->RequestStop(), ends);
    }

    const bool unloaded = how == "program" || ends || (how == "frame" && mayClose);
    QCOMPARE(int{rig.module.QuitRequested}, quitAfter);
    QCOMPARE(window->Unloaded(), unloaded);
    QCOMPARE(window->isVisible(), !unloaded);
    QCOMPARE(rig.loader->Loaded(), !ends);
    QCOMPARE(rig.programEnded, ends ? 1 : 0);
    QCOMPARE(rig.module.LinkHandle != 0, !ends);
    QCOMPARE(OpenCalls(rig, "Close"), ends ? 1 : 0);
    QCOMPARE(rig.loader->CurrentWindow() == nullptr, ends);
  }

  void windowThatCannotOpenLinkEndsProgram() {
    ShellRig rig;
    QVERIFY(rig.loader->Form_Load());
    rig.module.CloseLink();
    rig.transport.SetAbsent(true);

    Entry(rig.Current(), "mnuLEDMatrix")->trigger();

    QCOMPARE(rig.ui.messages.size(), std::size_t{1});
    QCOMPARE(rig.ui.messages[0].text, std::string("Compatible USB interface not found!"));
    QCOMPARE(rig.ui.messages[0].title, std::string("USB Error!"));
    QVERIFY(!rig.loader->Loaded());
    QCOMPARE(rig.programEnded, 1);
    QCOMPARE(rig.loader->CurrentWindow(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(rig.aliveWindows, 0);
  }

  void forumAndAboutLeaveWindowAndLink() {
    ShellRig rig;
    QVERIFY(rig.loader->Form_Load());
    FakeWindow* window = rig.Current();
    const nimbo::FtHandle handle = rig.module.LinkHandle;
    const std::size_t callsBefore = rig.transport.Calls().size();

    Entry(window, "mnuForum")->trigger();
    rig.device.Unplug();  // works without a device as well
    Entry(window, "mnuForum")->trigger();
    Entry(window, "mnuAbout")->trigger();

    const QUrl forum(QStringLiteral("http://" NIMBO_FORUM_HOST "/forum"));
    QCOMPARE(rig.openedUrls, (std::vector<QUrl>{forum, forum}));
    QCOMPARE(rig.aboutShown, 1);
    QCOMPARE(rig.Current(), window);
    QVERIFY(window->isVisible());
    QCOMPARE(rig.module.LinkHandle, handle);
    QCOMPARE(rig.transport.Calls().size(), callsBefore);  // nothing went to the device
    QVERIFY(rig.ui.messages.empty());
  }
};

QTEST_MAIN(StartupNavigationTest)
#include "StartupNavigationTest.moc"
