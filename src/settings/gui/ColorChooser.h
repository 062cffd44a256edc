// How a swatch asks the user for a colour: the window hands over the slot's
// current colour and a preview callback, and gets the accepted colour back
// (nothing when the user cancels). Tests replace it; the colour picker dialog
// will replace the plain colour dialog used meanwhile.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

namespace nimbo::settings::gui {

using ColorPreview = std::function<void(std::uint32_t value)>;
using ColorChooser = std::function<std::optional<std::uint32_t>(
    std::uint32_t start, const ColorPreview& preview, QWidget* parent)>;

// A modal QColorDialog that previews each colour the user points at.
std::optional<std::uint32_t> ChooseWithColorDialog(std::uint32_t start, const ColorPreview& preview,
                                                   QWidget* parent);

}  // namespace nimbo::settings::gui
