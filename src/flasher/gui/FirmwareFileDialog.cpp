#include "flasher/gui/FirmwareFileDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <filesystem>
#include <utility>

#include "flasher/DialogStartFolder.h"
#include "shell/ModalDialog.h"

namespace nimbo::flasher::gui {

namespace {

QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The dialog's name patterns, as the platform's own dialog treats them:
// letters in either case, and "*.*" for every name.
QString DialogPattern(std::string_view pattern) {
  if (pattern == "*.*") {
    return QStringLiteral("*");
  }
  QString result;
  for (const QChar c : FromView(pattern)) {
    if (c.isLetter()) {
      result += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
    } else {
      result += c;
    }
  }
  return result;
}

// QFileDialog shows an entry up to its last bracket when told to hide the
// details, and matches the patterns inside that bracket.
QString DialogFilter(const FileFilter& filter) {
  return FromView(filter.label) + QStringLiteral(" (") + DialogPattern(filter.pattern) +
         QLatin1Char(')');
}

}  // namespace

QStringList FirmwareDialogFilters() {
  return {DialogFilter(kFirmwareFilesFilter), DialogFilter(kAllFilesFilter)};
}

FirmwareFileDialog::FirmwareFileDialog(QWidget* parent, QString programFolder)
    : parent_(parent), programFolder_(std::move(programFolder)) {}

FirmwareFileDialog::FirmwareFileDialog(QWidget* parent)
    : FirmwareFileDialog(parent, QCoreApplication::applicationDirPath()) {}

void FirmwareFileDialog::PrepareStartFolder() {
  if (!startFolder_.isEmpty()) {
    return;
  }
  // A download folder that does not exist yet is no place to start: the
  // home folder is.
  QString userFolder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
  if (!QFileInfo(userFolder).isDir()) {
    userFolder = QDir::homePath();
  }
  const std::filesystem::path start = FirmwareDialogStartFolder(
      QFile::encodeName(programFolder_).toStdString(), QFile::encodeName(userFolder).toStdString());
  startFolder_ = QFile::decodeName(start.c_str());
}

std::optional<std::string> FirmwareFileDialog::ChooseFirmwareFile() {
  PrepareStartFolder();
  QFileDialog dialog(parent_, FromView(kChooserTitle), startFolder_);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);  // the file must exist
  // Qt's own dialog shows the title and the filter labels exactly as given.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  dialog.setNameFilters(FirmwareDialogFilters());
  if (shell::RunModal(dialog) != QDialog::Accepted) {
    return std::nullopt;
  }
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) {
    return std::string();  // refused as an empty name
  }
  return QFile::encodeName(chosen.front()).toStdString();
}

}  // namespace nimbo::flasher::gui
