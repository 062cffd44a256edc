#include "settings/gui/ColorChooser.h"

#include "colorpicker/gui/frmColorPicker.h"
#include "shell/ModalDialog.h"

namespace nimbo::settings::gui {

std::optional<std::uint32_t> ChooseWithColorPicker(std::uint32_t start, const ColorPreview& preview,
                                                   QWidget* parent) {
  colorpicker::gui::frmColorPicker dialog(parent);
  dialog.Open(start & 0xFFFFFFu, preview);
  if (shell::RunModal(dialog) != QDialog::Accepted) {
    return std::nullopt;
  }
  return dialog.ChosenColor();
}

}  // namespace nimbo::settings::gui
