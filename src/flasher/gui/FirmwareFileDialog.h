// The open-file dialog behind "Choose Custom": the flasher core's chooser,
// answered by a QFileDialog with the flasher's fixed title and filters.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "flasher/FirmwareChooser.h"

class QWidget;

namespace nimbo::flasher::gui {

// The core's two filter entries as QFileDialog takes them, firmware files
// first. Each shows its label; the patterns match extensions in any case and
// "*.*" matches every file, with or without an extension.
QStringList FirmwareDialogFilters();

class FirmwareFileDialog final : public FirmwareFileChooser {
 public:
  // `programFolder`: where the running program lies.
  FirmwareFileDialog(QWidget* parent, QString programFolder);
  explicit FirmwareFileDialog(QWidget* parent);

  std::optional<std::string> ChooseFirmwareFile() override;
  void PrepareStartFolder() override;

  // Empty until the dialog is first prepared or shown.
  QString StartFolder() const { return startFolder_; }

 private:
  QWidget* parent_;
  QString programFolder_;
  QString startFolder_;
};

}  // namespace nimbo::flasher::gui
