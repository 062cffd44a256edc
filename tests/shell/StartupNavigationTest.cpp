// The start-up sequence, navigation between working windows, the quit
// protocol and the forum entry, against the simulated device.
#include <QtTest/qtestspontaneevent.h>
#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QtTest/QtTest>
#include <algorithm>
#include <string>

#include "ShellFixture.h"

using nimbo::kFalse;
using nimbo::kTrue;
using nimbo::shell::WindowId;
using nimbo::test::FakeWindow;
using nimbo::test::ShellRig;

namespace {

QAction* Entry(QWidget* window, const char* name) {
  return window->findChild<QAction*>(QString::fromLatin1(name));
}

// Delivers a close as the window frame does: a spontaneous close event.
void CloseFromFrame(QWidget* window) {
  QCloseEvent event;
  QSpontaneKeyEvent::setSpontaneous(&event);
  qApp->notify(window, &event);  // sendEvent() would clear the mark
}

int OpenCalls(const ShellRig& rig, const char* call) {
  const auto& calls = rig.transport.Calls();
  return static_cast<int>(std::count(calls.begin(), calls.end(), std::string(call)));
}

}  // namespace

class StartupNavigationTest : public QObject {
  Q_OBJECT

 private slots:
  void startUpEndings_data();
  void startUpEndings();
  void secondCopyShowsMessageAndEnds();
  void navigationKeepsExactlyOneWindow();
  void ownEntryIsCheckedAndInert();
  void menusListWindowsInOrder();
  void closeByUserEndsProgramAndClosesLink();
  void closeByProgramKeepsRunning();
  void refusedCloseLeavesQuitFlag();
  void windowThatCannotOpenLinkEndsProgram();
  void navigationDuringExchangeDoesNothing();
  void forumAndAboutLeaveWindowAndLink();
};

void StartupNavigationTest::startUpEndings_data() {
  QTest::addColumn<bool>("interfacePresent");
  QTest::addColumn<bool>("deviceAnswers");
  QTest::addColumn<QString>("status");
  QTest::addColumn<int>("pause");
  QTest::addColumn<bool>("handedOver");

  QTest::newRow("no interface") << false << true << "USB Interface Not Found!" << 3000 << false;
  QTest::newRow("no answer") << true << false << "NIMBO Not Found!" << 3000 << false;
  QTest::newRow("device found") << true << true << "Connecting to NIMBO..." << 500 << true;
}

void StartupNavigationTest::startUpEndings() {
  QFETCH(bool, interfacePresent);
  QFETCH(bool, deviceAnswers);
  QFETCH(QString, status);
  QFETCH(int, pause);
  QFETCH(bool, handedOver);

  ShellRig rig;
  rig.transport.SetAbsent(!interfacePresent);
  if (!deviceAnswers) {
    nimbo::sim::FaultRule silent;
    silent.fault = nimbo::sim::Fault::NoReply;
    silent.times = -1;
    rig.device.AddFault(silent);
  }

  QCOMPARE(rig.loader->Form_Load(), handedOver);

  QCOMPARE(rig.loader->StatusText(), status);
  QCOMPARE(rig.ui.sleeps, std::vector<int>{pause});
  QCOMPARE(rig.ui.beeps, handedOver ? 0 : 1);
  QVERIFY(rig.ui.messages.empty());
  QVERIFY(!rig.loader->isVisible());
  QCOMPARE(rig.loader->Loaded(), handedOver);
  QCOMPARE(rig.programEnded, handedOver ? 0 : 1);
  QCOMPARE(rig.module.LinkHandle != 0, handedOver);
  if (handedOver) {
    FakeWindow* window = rig.Current();
    QVERIFY(window != nullptr);
    QCOMPARE(window->Id(), WindowId::Config);
    QVERIFY(window->isVisible());
    QCOMPARE(window->loads, 1);
    QCOMPARE(window->windowTitle(), QString("NIMBO Control v1.00 - Configuration"));
    QCOMPARE(rig.module.DeviceFound, kTrue);
    QCOMPARE(rig.module.QuitRequested, kFalse);
    QCOMPARE(rig.module.MemoryImage.size(), std::size_t{65544});
  } else {
    QCOMPARE(rig.aliveWindows, 0);
    QCOMPARE(rig.loader->CurrentWindow(), nullptr);
  }
}

void StartupNavigationTest::secondCopyShowsMessageAndEnds() {
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

void StartupNavigationTest::navigationKeepsExactlyOneWindow() {
  ShellRig rig;
  QVERIFY(rig.loader->Form_Load());
  FakeWindow* config = rig.Current();
  const nimbo::FtHandle handle = rig.module.LinkHandle;
  const int opens = OpenCalls(rig, "OpenEx");

  Entry(config, "mnuLEDMatrix")->trigger();

  FakeWindow* matrix = rig.Current();
  QVERIFY(matrix != config);
  QCOMPARE(matrix->Id(), WindowId::LedMatrix);
  QVERIFY(matrix->isVisible());
  QCOMPARE(matrix->windowTitle(), QString("NIMBO Control v1.00 - LED Matrix Control"));
  QVERIFY(config->Unloaded());
  QVERIFY(!config->isVisible());
  QCOMPARE(rig.module.QuitRequested, kFalse);
  QVERIFY(rig.loader->Loaded());
  QCOMPARE(rig.programEnded, 0);
  QCOMPARE(rig.module.LinkHandle, handle);  // the link stays open, not reopened
  QCOMPARE(OpenCalls(rig, "OpenEx"), opens);

  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCOMPARE(rig.aliveWindows, 1);

  // And back: a fresh configuration window is loaded.
  Entry(matrix, "mnuConfig")->trigger();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCOMPARE(rig.aliveWindows, 1);
  QCOMPARE(rig.Current()->Id(), WindowId::Config);
  QCOMPARE(rig.Current()->loads, 1);
}

void StartupNavigationTest::ownEntryIsCheckedAndInert() {
  ShellRig rig;
  QVERIFY(rig.loader->Form_Load());
  FakeWindow* config = rig.Current();
  QAction* own = Entry(config, "mnuConfig");
  QVERIFY(own->isCheckable());
  QVERIFY(own->isChecked());

  own->trigger();

  QCOMPARE(rig.Current(), config);
  QVERIFY(own->isChecked());
  QVERIFY(config->isVisible());
  QCOMPARE(config->loads, 1);
  QCOMPARE(rig.aliveWindows, 1);
}

void StartupNavigationTest::menusListWindowsInOrder() {
  ShellRig rig({WindowId::Config, WindowId::LedMatrix});  // no flasher in this build
  QVERIFY(rig.loader->Form_Load());
  FakeWindow* config = rig.Current();

  const QList<QAction*> top = config->menuBar()->actions();
  QCOMPARE(top.size(), 2);
  QCOMPARE(top[0]->text(), QString("Function"));
  QCOMPARE(top[0]->menu()->objectName(), QString("mnuProgram"));
  QCOMPARE(top[1]->text(), QString("Help"));

  QStringList function;
  for (QAction* a : top[0]->menu()->actions()) {
    function << (a->isSeparator() ? QString("-") : a->text());
  }
  QCOMPARE(function, QStringList({"Configuration", "-", "LED Matrix", "-", "Firmware Flasher"}));
  QStringList help;
  for (QAction* a : top[1]->menu()->actions()) {
    help << (a->isSeparator() ? QString("-") : a->text());
  }
  QCOMPARE(help, QStringList({"NIMBO Help Forum", "-", "About"}));

  QVERIFY(Entry(config, "mnuLEDMatrix")->isEnabled());
  QVERIFY(!Entry(config, "mnuFlasher")->isEnabled());
  QVERIFY(!Entry(config, "mnuLEDMatrix")->isChecked());

  // In the LED matrix window its own entry reads "LEDMatrix".
  Entry(config, "mnuLEDMatrix")->trigger();
  QCOMPARE(Entry(rig.Current(), "mnuLEDMatrix")->text(), QString("LEDMatrix"));
  QVERIFY(Entry(rig.Current(), "mnuLEDMatrix")->isChecked());
}

void StartupNavigationTest::closeByUserEndsProgramAndClosesLink() {
  ShellRig rig;
  QVERIFY(rig.loader->Form_Load());
  Entry(rig.Current(), "mnuLEDMatrix")->trigger();  // any working window will do
  FakeWindow* window = rig.Current();

  CloseFromFrame(window);

  QCOMPARE(rig.module.QuitRequested, kTrue);
  QVERIFY(!rig.loader->Loaded());
  QCOMPARE(rig.programEnded, 1);
  QCOMPARE(rig.module.LinkHandle, nimbo::FtHandle{0});
  QCOMPARE(OpenCalls(rig, "Close"), 1);
  QCOMPARE(rig.loader->CurrentWindow(), nullptr);
}

void StartupNavigationTest::closeByProgramKeepsRunning() {
  ShellRig rig;
  QVERIFY(rig.loader->Form_Load());
  FakeWindow* window = rig.Current();
  rig.module.QuitRequested = kTrue;  // a stale value must not survive

  window->close();  // not spontaneous: the program's own unload

  QCOMPARE(rig.module.QuitRequested, kFalse);
  QVERIFY(window->Unloaded());
  QVERIFY(rig.loader->Loaded());
  QCOMPARE(rig.programEnded, 0);
  QVERIFY(rig.module.LinkHandle != 0);
  QCOMPARE(OpenCalls(rig, "Close"), 0);
}

void StartupNavigationTest::refusedCloseLeavesQuitFlag() {
  ShellRig rig;
  QVERIFY(rig.loader->Form_Load());
  FakeWindow* window = rig.Current();
  window->mayClose = false;
  rig.module.QuitRequested = kFalse;

  CloseFromFrame(window);

  QCOMPARE(rig.module.QuitRequested, kFalse);
  QVERIFY(!window->Unloaded());
  QVERIFY(window->isVisible());
  QVERIFY(rig.loader->Loaded());
  QVERIFY(rig.module.LinkHandle != 0);
}

void StartupNavigationTest::windowThatCannotOpenLinkEndsProgram() {
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
  QCOMPARE(rig.module.QuitRequested, kFalse);
  QCOMPARE(rig.loader->CurrentWindow(), nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCOMPARE(rig.aliveWindows, 0);
}

void StartupNavigationTest::navigationDuringExchangeDoesNothing() {
  ShellRig rig;
  QVERIFY(rig.loader->Form_Load());
  FakeWindow* config = rig.Current();
  rig.exchangeRunning = true;

  Entry(config, "mnuLEDMatrix")->trigger();

  QCOMPARE(rig.Current(), config);
  QVERIFY(!config->Unloaded());
  QCOMPARE(rig.aliveWindows, 1);
}

void StartupNavigationTest::forumAndAboutLeaveWindowAndLink() {
  ShellRig rig;
  QVERIFY(rig.loader->Form_Load());
  FakeWindow* window = rig.Current();
  const nimbo::FtHandle handle = rig.module.LinkHandle;
  const std::size_t callsBefore = rig.transport.Calls().size();

  Entry(window, "mnuForum")->trigger();
  rig.device.Unplug();  // works without a device as well
  Entry(window, "mnuForum")->trigger();
  Entry(window, "mnuAbout")->trigger();

  QCOMPARE(rig.openedUrls.size(), std::size_t{2});
  const QUrl url = rig.openedUrls[0];
  QCOMPARE(url.scheme(), QString("http"));
  QCOMPARE(url.host(), QString(NIMBO_FORUM_HOST));
  QCOMPARE(url.path(), QString("/forum"));
  QCOMPARE(rig.aboutShown, 1);
  QCOMPARE(rig.Current(), window);
  QVERIFY(window->isVisible());
  QCOMPARE(rig.module.LinkHandle, handle);
  QCOMPARE(rig.transport.Calls().size(), callsBefore);  // nothing went to the device
  QVERIFY(rig.ui.messages.empty());
}

QTEST_MAIN(StartupNavigationTest)
#include "StartupNavigationTest.moc"
