// The static picture of the device's LED matrix: 32 columns by 8 rows of
// sunken square cells in the window's background colour. It never changes.
#pragma once

#include <QWidget>

namespace nimbo::ledmatrix::gui {

class MatrixGrid final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kColumns = 32;
  static constexpr int kRows = 8;

  explicit MatrixGrid(QWidget* parent = nullptr);

  QSize sizeHint() const override;
  // The cell in `column`, `row`, in the widget's coordinates.
  static QRect CellRect(int column, int row);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace nimbo::ledmatrix::gui
