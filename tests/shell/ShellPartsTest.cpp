// The about box, the version texts, the single-instance lock and the Qt user
// interface of the core.
#include <QLabel>
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
  void versionTexts() {
    // Minor and revision are written with nothing between them.
    QCOMPARE(FormatVersion({1, 2, 3}), QString("1.23"));
    QCOMPARE(FormatVersion({2, 10, 0}), QString("2.100"));
    QCOMPARE(FormatVersion({3, 4, 12}), QString("3.412"));

    // The running program: the project's "X.Y.Z" with the second dot dropped.
    QString expected = QStringLiteral(NIMBO_PROJECT_VERSION);
    expected.remove(expected.lastIndexOf(QLatin1Char('.')), 1);
    QCOMPARE(VersionText(), expected);
    QCOMPARE(ProgramTitle() + WindowTitleSuffix(WindowId::Flasher),
             "NIMBO Control v" + expected + " - Firmware Flasher");
  }

  void aboutBox() {
    frmAbout about;
    QCOMPARE(about.VersionLine(), QString("Driver Software v1.00"));
    QCOMPARE(about.NoticeText().count(QLatin1Char('\n')), 1);  // two lines
    QVERIFY(about.windowTitle().isEmpty());
    QCOMPARE(about.findChild<QLabel*>("Image1")->pixmap().size(), QSize(360, 120));
    auto* ok = about.findChild<QPushButton*>("AboutButton");
    QCOMPARE(ok->text(), QString("OK"));
    QVERIFY(ok->isDefault());

    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
      about.open();
      QVERIFY(about.isVisible());
      QTest::keyClick(&about, key);
      QVERIFY2(!about.isVisible(), key == Qt::Key_Escape ? "Esc" : "Enter");
    }
  }

  void secondLockIsRefusedUntilFirstEnds() {
    QTemporaryDir folder;
    const QString path = folder.filePath("nimbo-control.lock");
    auto first = std::make_unique<SingleInstance>(path);
    QVERIFY(first->Acquire());
    QVERIFY(!SingleInstance(path).Acquire());
    QVERIFY(first->Acquire());  // still ours
    first.reset();
    QVERIFY(SingleInstance(path).Acquire());
  }

  void userInterface() {
    VirtualClock clock;
    QtUserInterface ui(clock);
    ui.SetStatusText("nowhere");  // no label yet: ignored

    auto label = std::make_unique<QLabel>();
    QProgressBar bar;
    ui.SetStatusLabel(label.get());
    ui.SetProgressBar(&bar);
    ui.SetStatusText("Reading EEPROM");
    ui.SetProgress(300, 450);  // above the default maximum
    QCOMPARE(label->text(), QString("Reading EEPROM"));
    QCOMPARE(bar.maximum(), 450);
    QCOMPARE(bar.value(), 300);
    label.reset();                    // its window went away
    ui.SetStatusText("Read Error!");  // must not touch the destroyed label

    // Pauses run on its clock, in milliseconds.
    ui.Sleep(3000);
    ui.Sleep(500);
    QCOMPARE(clock.Now(), Micros{3'500'000});

    // Events handled while it yields see an exchange running.
    bool seenInside = false;
    QTimer::singleShot(0, [&] { seenInside = ui.InsideExchange(); });
    QVERIFY(!ui.InsideExchange());
    ui.ProcessEvents();
    QVERIFY(seenInside);
    QVERIFY(!ui.InsideExchange());
  }
};

QTEST_MAIN(ShellPartsTest)
#include "ShellPartsTest.moc"
