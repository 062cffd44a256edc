// How a swatch asks the user for a colour: the window hands over the slot's
// current colour and a preview callback, and gets the accepted colour back
// (nothing when the user cancels). Tests replace it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

namespace nimbo::settings::gui {

using ColorPreview = std::function<void(std::uint32_t value)>;
using ColorChooser = std::function<std::optional<std::uint32_t>(
    std::uint32_t start, const ColorPreview& preview, QWidget* parent)>;

// The modal colour picker dialog; the preview follows every colour it shows
// and gets the start colour back when the user closes the dialog.
std::optional<std::uint32_t> ChooseWithColorPicker(std::uint32_t start, const ColorPreview& preview,
                                                   QWidget* parent);

}  // namespace nimbo::settings::gui
