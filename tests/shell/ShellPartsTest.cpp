// The about box, the version texts, the single-instance lock, stop requests,
// the Enter key on buttons and the Qt user interface of the core.
#include <unistd.h>

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QtTest>
#include <csignal>
#include <memory>
#include <utility>

#include "link/Clock.h"
#include "shell/EnterKeyRule.h"
#include "shell/ProgramVersion.h"
#include "shell/QtUserInterface.h"
#include "shell/SingleInstance.h"
#include "shell/TerminationRequest.h"
#include "shell/WorkingWindow.h"
#include "shell/frmAbout.h"

using namespace nimbo;
using namespace nimbo::shell;
using Outcome = SingleInstance::Outcome;

class ShellPartsTest : public QObject {
  Q_OBJECT

 private slots:
  void versionTexts() {
    // Minor and revision are written with nothing between them.
    const std::pair<ProgramVersionNumbers, const char*> versions[] = {
        {{1, 0, 0}, "1.00"}, {{1, 2, 3}, "1.23"}, {{2, 10, 0}, "2.100"}, {{3, 4, 12}, "3.412"}};
    for (const auto& [numbers, text] : versions) {
      QCOMPARE(FormatVersion(numbers), QString(text));
    }
  }

  void aboutBox() {
    frmAbout about;
    QCOMPARE(about.VersionLine(), QString("Driver Software v1.00"));
    QCOMPARE(about.NoticeText().count(QLatin1Char('\n')), 1);  // two lines
    // No caption text, and no empty title that the title bar would fill in.
    QVERIFY(!about.windowTitle().isEmpty() && about.windowTitle().trimmed().isEmpty());
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
    QCOMPARE(first->Acquire(), Outcome::Acquired);
    QCOMPARE(SingleInstance(path).Acquire(), Outcome::AnotherCopyRuns);
    QCOMPARE(first->Acquire(), Outcome::Acquired);  // still ours
    first.reset();
    QCOMPARE(SingleInstance(path).Acquire(), Outcome::Acquired);
  }

  // Only a live copy's lock means "already running"; a lock that cannot be
  // made is told as what it is.
  void unusableLockFolders_data() {
    QTest::addColumn<QString>("runtimeFolder");  // XDG_RUNTIME_DIR; "-": unset
    QTest::addColumn<QString>("temporaryFolder");
    QTest::addColumn<QString>("problem");
    const auto row = [](const char* name, const char* runtime, const char* temporary,
                        const char* problem) {
      QTest::newRow(name) << QString(runtime) << QString(temporary) << QString(problem);
    };
    row("runtime folder missing", "missing", ".", "does not exist");
    row("temporary folder missing", "-", "missing", "does not exist");
    row("a folder in the way", "blocked", ".", "holds no process id");
    if (::geteuid() != 0) {  // root writes anywhere
      row("folder not writable", "read-only", ".", "permission");
    }
  }

  void unusableLockFolders() {
    QFETCH(QString, runtimeFolder);
    QFETCH(QString, temporaryFolder);
    QFETCH(QString, problem);
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath("blocked/nimbo-control.lock"));
    QVERIFY(QDir(root.path()).mkdir("read-only"));
    QFile::setPermissions(root.filePath("read-only"), QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray oldTemporary = qgetenv("TMPDIR");
    if (runtimeFolder == "-") {
      qunsetenv("XDG_RUNTIME_DIR");
    } else {
      qputenv("XDG_RUNTIME_DIR", root.filePath(runtimeFolder).toLocal8Bit());
    }
    qputenv("TMPDIR", root.filePath(temporaryFolder).toLocal8Bit());
    SingleInstance instance;
    const Outcome outcome = instance.Acquire();
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
    qputenv("TMPDIR", oldTemporary);

    QCOMPARE(outcome, Outcome::NoLock);
    QVERIFY2(instance.Problem().contains(problem), qPrintable(instance.Problem()));
    QVERIFY2(instance.Problem().contains(root.path()), qPrintable(instance.Problem()));
  }

  // A stop request is offered until the program can end; then no more.
  void terminationRequestWaitsUntilItCanBeCarriedOut_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
  }
  void terminationRequestWaitsUntilItCanBeCarriedOut() {
    QFETCH(int, signal);
    int offers = 0;
    bool canEnd = false;
    TerminationRequest termination(
        [&] {
          ++offers;
          return canEnd;
        },
        5);
    QVERIFY(!termination.Received());
    std::raise(signal);
    QTRY_VERIFY(termination.Received());
    QTRY_VERIFY(offers >= 3);  // a transfer runs: asked again and again
    canEnd = true;
    const int before = offers;
    QTRY_COMPARE(offers, before + 1);
    QTest::qWait(30);
    QCOMPARE(offers, before + 1);
  }

  // Enter presses the focused button once per key press, also in a dialog
  // that would press it itself; a held key does not repeat it, and Enter in
  // another control presses nothing.
  void enterPressesTheFocusedButton() {
    const EnterKeyRule rule(*qApp);
    QWidget window;
    QDialog dialog;
    int clicks = 0;
    for (QWidget* parent : {&window, static_cast<QWidget*>(&dialog)}) {
      auto* edit = new QLineEdit(parent);
      auto* button = new QPushButton(QStringLiteral("Go"), parent);
      button->move(0, 40);
      connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
      parent->show();
      parent->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(parent));
      const int before = clicks;
      edit->setFocus();
      QTest::keyClick(edit, Qt::Key_Return);
      QCOMPARE(clicks, before + (parent == &dialog ? 1 : 0));  // the dialog's own default
      button->setFocus();
      QTest::keyClick(button, Qt::Key_Enter, Qt::KeypadModifier);
      QKeyEvent held(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
      qApp->notify(button, &held);
      QCOMPARE(clicks, before + (parent == &dialog ? 2 : 1));
      parent->hide();
    }
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

    // A message is a modal box with only OK, closed here with Enter.
    QStringList seen;
    for (const MessageIcon icon : {MessageIcon::None, MessageIcon::Information,
                                   MessageIcon::Warning, MessageIcon::Critical}) {
      QTimer::singleShot(0, [&seen] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
          seen << box->windowTitle() + " | " + box->text() + " | " + QString::number(box->icon()) +
                      QString::number(box->buttons().size());
          QTest::keyClick(box, Qt::Key_Return);
        }
      });
      ui.ShowMessage("Device verify error!  Caf\u00E9", "Verify Failure!", icon);
    }
    const QString shown = "Verify Failure! | Device verify error!  Caf\u00E9 | ";
    QCOMPARE(seen, QStringList({shown + "01", shown + "11", shown + "21", shown + "31"}));

    // Pauses run on its clock, in milliseconds.
    ui.Sleep(3000);
    ui.Sleep(500);
    QCOMPARE(clock.Now(), Micros{3'500'000});

    // Events handled while it yields see an exchange running.
    bool seenInside = false;
    // A posted call, not a zero timer: one round of events always runs it.
    QMetaObject::invokeMethod(
        qApp, [&] { seenInside = ui.InsideExchange(); }, Qt::QueuedConnection);
    QVERIFY(!ui.InsideExchange());
    ui.ProcessEvents();
    QVERIFY(seenInside);
    QVERIFY(!ui.InsideExchange());
  }
};

QTEST_MAIN(ShellPartsTest)
#include "ShellPartsTest.moc"
