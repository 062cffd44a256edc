#include "settings/gui/ColorChooser.h"

#include <QColorDialog>

#include "settings/gui/ColorSwatch.h"

namespace nimbo::settings::gui {

std::optional<std::uint32_t> ChooseWithColorDialog(std::uint32_t start, const ColorPreview& preview,
                                                   QWidget* parent) {
  QColorDialog dialog(ToQColor(start), parent);
  if (preview) {
    QObject::connect(&dialog, &QColorDialog::currentColorChanged,
                     [&preview](const QColor& color) { preview(FromQColor(color)); });
  }
  if (dialog.exec() != QDialog::Accepted) {
    return std::nullopt;
  }
  return FromQColor(dialog.selectedColor());
}

}  // namespace nimbo::settings::gui
