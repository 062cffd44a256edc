// nimbo-control's command line: what runs, with which link and window, and
// the usage errors that end the program before any window.
#include <QtTest/QtTest>

#include "app/CommandLine.h"

using nimbo::app::ParseCommandLine;
using nimbo::app::StartOptions;
using nimbo::shell::WindowId;
using Action = StartOptions::Action;

namespace {

// A build with the configuration and LED matrix windows, without the flasher.
bool WithoutFlasher(WindowId id) {
  return id != WindowId::Flasher;
}

}  // namespace

class CommandLineTest : public QObject {
  Q_OBJECT

 private slots:
  void parse_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("error");  // a part of the usage error
    QTest::addColumn<int>("simulate");   // 0 real link, 1 simulated, 2 with a state file, 3 at once
    QTest::addColumn<int>("window");
    const int run = static_cast<int>(Action::Run);
    const int usage = static_cast<int>(Action::UsageError);
    const int config = static_cast<int>(WindowId::Config);
    const int matrix = static_cast<int>(WindowId::LedMatrix);
    QTest::newRow("nothing") << QStringList{} << run << "" << 0 << config;
    QTest::newRow("bare --simulate") << QStringList{"--simulate"} << run << "" << 1 << config;
    QTest::newRow("state file") << QStringList{"--simulate=dev.state", "--window=ledmatrix"} << run
                                << "" << 2 << matrix;
    QTest::newRow("at once") << QStringList{"--instant", "--simulate"} << run << "" << 3 << config;
    QTest::newRow("at once without simulation")
        << QStringList{"--instant"} << usage << "only with --simulate" << 0 << config;
    QTest::newRow("help") << QStringList{"--simulate", "-h"} << static_cast<int>(Action::ShowHelp)
                          << "" << 0 << config;
    QTest::newRow("version") << QStringList{"--version"} << static_cast<int>(Action::ShowVersion)
                             << "" << 0 << config;
    QTest::newRow("empty state file")
        << QStringList{"--simulate="} << usage << "needs the name of a state file" << 0 << config;
    QTest::newRow("twice") << QStringList{"--simulate", "--simulate=x"} << usage << "more than once"
                           << 0 << config;
    QTest::newRow("unknown window")
        << QStringList{"--window=main"} << usage << "unknown window 'main'" << 0 << config;
    QTest::newRow("window not built")
        << QStringList{"--window=flasher"} << usage << "no 'flasher' window" << 0 << config;
    QTest::newRow("unknown option")
        << QStringList{"--simulated"} << usage << "simulated" << 0 << config;
    // A bare --simulate never takes the next word for its state file.
    QTest::newRow("state file apart") << QStringList{"--simulate", "dev.state"} << usage
                                      << "unexpected argument 'dev.state'" << 0 << config;
    QTest::newRow("stray argument")
        << QStringList{"config"} << usage << "unexpected argument 'config'" << 0 << config;
  }

  void parse() {
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, error);
    QFETCH(int, simulate);
    QFETCH(int, window);
    arguments.prepend("nimbo-control");

    const StartOptions options = ParseCommandLine(arguments, WithoutFlasher);

    QCOMPARE(static_cast<int>(options.action), action);
    if (options.action == Action::UsageError) {
      QVERIFY2(options.error.contains(error), qPrintable(options.error));
      return;
    }
    QVERIFY(options.error.isEmpty());
    QVERIFY(options.help.contains("--simulate[=STATE]"));
    if (options.action != Action::Run) {
      return;
    }
    QCOMPARE(options.backend.simulate, simulate > 0);
    QCOMPARE(options.backend.realTime, simulate != 3);
    QCOMPARE(options.backend.stateFile.has_value(), simulate == 2);
    if (simulate == 2) {
      QCOMPARE(*options.backend.stateFile, std::string("dev.state"));
    }
    QCOMPARE(static_cast<int>(options.startWindow), window);
  }
};

QTEST_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
