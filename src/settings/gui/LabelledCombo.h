// A drop-down list that screen readers name by the label that stands beside
// it (the label's buddy), as they name the other controls, rather than by the
// entry it shows: "LED 1", not "STATUS". They read the entry as its text.
#pragma once

#include <QComboBox>

namespace nimbo::settings::gui {

class LabelledCombo final : public QComboBox {
  Q_OBJECT

 public:
  explicit LabelledCombo(QWidget* parent = nullptr);
};

}  // namespace nimbo::settings::gui
