// The about box, the version texts, the single-instance lock and the Qt user
// interface of the core.
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QtTest>
#include <memory>

#include "link/Clock.h"
#include "shell/ProgramVersion.h"
#include "shell/QtUserInterface.h"
#include "shell/SingleInstance.h"
#include "shell/WorkingWindow.h"
#include "shell/frmAbout.h"

using namespace nimbo;
using namespace nimbo::shell;

class ShellPartsTest : public QObject {
  Q_OBJECT

 private slots:
  void versionForms_data();
  void versionForms();
  void runningVersionMatchesProject();
  void aboutShowsVersionAndNotice();
  void aboutClosesOnKey_data();
  void aboutClosesOnKey();
  void secondLockIsRefusedUntilFirstEnds();
  void userInterfaceRoutesToRegisteredWidgets();
  void userInterfacePausesOnItsClockAndMarksExchanges();
};

void ShellPartsTest::versionForms_data() {
  QTest::addColumn<int>("major");
  QTest::addColumn<int>("minor");
  QTest::addColumn<int>("revision");
  QTest::addColumn<QString>("text");
  QTest::newRow("1.0.0") << 1 << 0 << 0 << "1.00";
  QTest::newRow("1.2.3") << 1 << 2 << 3 << "1.23";
  QTest::newRow("2.10.0") << 2 << 10 << 0 << "2.100";
  QTest::newRow("3.4.12") << 3 << 4 << 12 << "3.412";
}

void ShellPartsTest::versionForms() {
  QFETCH(int, major);
  QFETCH(int, minor);
  QFETCH(int, revision);
  QFETCH(QString, text);
  QCOMPARE(FormatVersion({major, minor, revision}), text);
}

void ShellPartsTest::runningVersionMatchesProject() {
  // The project's "X.Y.Z" with the second dot dropped.
  QString expected = QStringLiteral(NIMBO_PROJECT_VERSION);
  expected.remove(expected.lastIndexOf(QLatin1Char('.')), 1);
  QCOMPARE(VersionText(), expected);
  QCOMPARE(ProgramTitle(), "NIMBO Control v" + expected);
  QCOMPARE(ProgramTitle() + WindowTitleSuffix(WindowId::Flasher),
           "NIMBO Control v" + expected + " - Firmware Flasher");
}

void ShellPartsTest::aboutShowsVersionAndNotice() {
  frmAbout about;
  QCOMPARE(about.VersionLine(), QString("Driver Software v1.00"));
  QCOMPARE(about.NoticeText().count(QLatin1Char('\n')), 1);  // two lines
  QVERIFY(about.windowTitle().isEmpty());
  auto* logo = about.findChild<QLabel*>("Image1");
  QVERIFY(logo != nullptr);
  QCOMPARE(logo->pixmap().size(), QSize(360, 120));
  auto* ok = about.findChild<QPushButton*>("AboutButton");
  QCOMPARE(ok->text(), QString("OK"));
  QVERIFY(ok->isDefault());
}

void ShellPartsTest::aboutClosesOnKey_data() {
  QTest::addColumn<int>("key");
  QTest::newRow("Esc") << int(Qt::Key_Escape);
  QTest::newRow("Enter") << int(Qt::Key_Return);
}

void ShellPartsTest::aboutClosesOnKey() {
  QFETCH(int, key);
  frmAbout about;
  about.open();
  QVERIFY(about.isVisible());
  QTest::keyClick(&about, static_cast<Qt::Key>(key));
  QVERIFY(!about.isVisible());
}

void ShellPartsTest::secondLockIsRefusedUntilFirstEnds() {
  QTemporaryDir folder;
  const QString path = folder.filePath("nimbo-control.lock");
  auto first = std::make_unique<SingleInstance>(path);
  QVERIFY(first->Acquire());
  {
    SingleInstance second(path);
    QVERIFY(!second.Acquire());
  }
  QVERIFY(first->Acquire());  // still ours
  first.reset();
  SingleInstance third(path);
  QVERIFY(third.Acquire());
}

void ShellPartsTest::userInterfaceRoutesToRegisteredWidgets() {
  VirtualClock clock;
  QtUserInterface ui(clock);
  ui.SetStatusText("nowhere");  // no label yet: ignored

  auto label = std::make_unique<QLabel>();
  QProgressBar bar;
  ui.SetStatusLabel(label.get());
  ui.SetProgressBar(&bar);
  ui.SetStatusText("Reading EEPROM");
  ui.SetProgress(17, 450);
  QCOMPARE(label->text(), QString("Reading EEPROM"));
  QCOMPARE(bar.maximum(), 450);
  QCOMPARE(bar.value(), 17);

  label.reset();                    // its window went away
  ui.SetStatusText("Read Error!");  // must not touch the destroyed label
}

void ShellPartsTest::userInterfacePausesOnItsClockAndMarksExchanges() {
  VirtualClock clock;
  QtUserInterface ui(clock);
  ui.Sleep(3000);
  ui.Sleep(500);
  QCOMPARE(clock.Now(), Micros{3'500'000});

  bool seenInside = false;
  QTimer::singleShot(0, [&] { seenInside = ui.InsideExchange(); });
  QVERIFY(!ui.InsideExchange());
  ui.ProcessEvents();
  QVERIFY(seenInside);
  QVERIFY(!ui.InsideExchange());
}

QTEST_MAIN(ShellPartsTest)
#include "ShellPartsTest.moc"
