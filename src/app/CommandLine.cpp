#include "app/CommandLine.h"

#include <QCommandLineParser>

namespace nimbo::app {

namespace {

// QCommandLineParser has no option with an optional value: a bare
// "--simulate" becomes this hidden flag before parsing.
const QString kSimulateFlag = QStringLiteral("simulate-without-state-file");

QStringList MapBareSimulate(const QStringList& arguments) {
  QStringList mapped;
  bool optionsEnded = false;
  for (const QString& argument : arguments) {
    if (!optionsEnded && argument == QStringLiteral("--")) {
      optionsEnded = true;
    }
    mapped << ((!optionsEnded && argument == QStringLiteral("--simulate"))
                   ? QStringLiteral("--") + kSimulateFlag
                   : argument);
  }
  return mapped;
}

QString WindowList() {
  QStringList names;
  for (const WindowName& window : kWindowNames) {
    names << QString::fromLatin1(window.name);
  }
  return names.join(QLatin1Char('|'));
}

}  // namespace

StartOptions ParseCommandLine(const QStringList& arguments, bool (*available)(shell::WindowId)) {
  StartOptions result;
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Reads and edits the settings of a NIMBO device, updates its firmware and edits the text\n"
      "of its LED matrix."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Show this text and end."));
  const QCommandLineOption version(QStringLiteral("version"),
                                   QStringLiteral("Show the program's version and end."));
  const QCommandLineOption simulate(
      QStringLiteral("simulate"),
      QStringLiteral("Use a simulated NIMBO device instead of the USB interface; with =STATE "
                     "the simulated device is kept in the file STATE, which nimbo-cli "
                     "--simulate=STATE shares. Without =STATE it lives only while the "
                     "program runs."),
      QStringLiteral("STATE"));
  const QCommandLineOption instant(
      QStringLiteral("instant"),
      QStringLiteral("With --simulate: the simulated device answers at once, not at the speed "
                     "of the USB interface (a firmware update then takes a moment instead of "
                     "about eight seconds)."));
  QCommandLineOption bareSimulate(kSimulateFlag);
  bareSimulate.setFlags(QCommandLineOption::HiddenFromHelp);
  const QCommandLineOption window(
      QStringLiteral("window"),
      QStringLiteral("The window that opens once the device has been found: %1 (default: config).")
          .arg(WindowList()),
      QStringLiteral("NAME"), QStringLiteral("config"));
  parser.addOptions({help, version, simulate, instant, bareSimulate, window});
  result.help = parser.helpText().replace(
      QStringLiteral("[options]"), QStringLiteral("[--simulate[=STATE] [--instant]] [options]"));

  auto usageError = [&result](const QString& text) {
    result.action = StartOptions::Action::UsageError;
    result.error = text;
    return result;
  };

  if (!parser.parse(MapBareSimulate(arguments))) {
    return usageError(parser.errorText());
  }
  if (!parser.positionalArguments().isEmpty()) {
    return usageError(
        QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst()));
  }
  if (parser.isSet(help)) {
    result.action = StartOptions::Action::ShowHelp;
    return result;
  }
  if (parser.isSet(version)) {
    result.action = StartOptions::Action::ShowVersion;
    return result;
  }
  if (parser.isSet(simulate)) {
    const QStringList values = parser.values(simulate);
    if (values.size() > 1) {
      return usageError(QStringLiteral("--simulate given more than once"));
    }
    if (values.constFirst().isEmpty()) {
      return usageError(QStringLiteral("--simulate= needs the name of a state file"));
    }
    result.backend.simulate = true;
    result.backend.stateFile = values.constFirst().toStdString();
  }
  if (parser.isSet(bareSimulate)) {
    if (result.backend.stateFile) {
      return usageError(QStringLiteral("--simulate given more than once"));
    }
    result.backend.simulate = true;
  }
  if (parser.isSet(instant)) {
    if (!result.backend.simulate) {
      return usageError(QStringLiteral("--instant works only with --simulate"));
    }
    result.backend.realTime = false;
  }

  const QString windowName = parser.value(window);
  bool known = false;
  for (const WindowName& entry : kWindowNames) {
    if (windowName == QLatin1String(entry.name)) {
      known = true;
      result.startWindow = entry.id;
    }
  }
  if (!known) {
    return usageError(
        QStringLiteral("unknown window '%1' (choose %2)").arg(windowName, WindowList()));
  }
  if (!available(result.startWindow)) {
    return usageError(
        QStringLiteral("this build of nimbo-control has no '%1' window").arg(windowName));
  }
  return result;
}

}  // namespace nimbo::app
