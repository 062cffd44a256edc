// The controls of the LED matrix window and their arrangement: the matrix
// grid, the text box with the line under it, the legend of the escape codes,
// and the row of buttons with the slider. Sizes follow the design at 15
// twips per pixel; layouts let them grow when the desktop's font needs more
// room.
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <array>

#include "ledmatrix/gui/EscapeCodeHighlighter.h"
#include "ledmatrix/gui/MatrixGrid.h"
#include "ledmatrix/gui/frmLEDMatrixData.h"

namespace nimbo::ledmatrix::gui {

namespace {

// Design sizes in pixels (twips / 15).
constexpr QSize kClientSize{1115, 627};
constexpr int kMargin = 24;
constexpr int kTextBoxHeight = 99;
constexpr int kLegendHeight = 81;
constexpr QSize kButton{153, 25};
constexpr int kButtonGap = 76;
constexpr QSize kSlider{385, 33};
constexpr int kTextPointSize = 9;

// The legend in its two rows of four, left to right.
constexpr std::array<const char*, 8> kLegend = {
    "%Bx - Blink Display, x = rate (0-9)",  "%E - End / Restart sequence",
    "%Hx - Character, x = Hex (00-FF)",     "%Sx - Scroll, x = speed (0-9)",
    "%Crrggbb - Set color, rrggbb = color", "%Fx - Font, x = 0 (6x8) or 1 (8x8)",
    "%Px - Pause, x = time (0-9)",          "%% = single % displayed",
};

QPushButton* Button(const char* name, const char* caption, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setMinimumSize(kButton);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

void frmLEDMatrixData::BuildControls() {
  setWindowTitle(QStringLiteral("LED Matrix Setup"));  // replaced by the title at load
  auto* central = new QWidget(this);
  setCentralWidget(central);

  ledText_ = new QPlainTextEdit(central);
  ledText_->setObjectName(QStringLiteral("LEDText"));
  ledText_->setAccessibleName(QStringLiteral("LED Matrix String"));  // it has no caption
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSize(kTextPointSize);
  ledText_->setFont(fixed);
  ledText_->setMinimumHeight(kTextBoxHeight);
  ledText_->setTabChangesFocus(true);
  highlighter_ = new EscapeCodeHighlighter(ledText_->document());

  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  layout->setSpacing(0);
  layout->addWidget(new MatrixGrid(central));
  layout->addSpacing(kMargin);
  layout->addWidget(ledText_, 1);
  layout->addWidget(BuildLineUnderBox());
  layout->addWidget(BuildLegend());
  layout->addSpacing(kMargin);
  layout->addWidget(BuildButtons());
  resize(kClientSize.width(), kClientSize.height() + menuBar()->sizeHint().height());
}

QWidget* frmLEDMatrixData::BuildLineUnderBox() {
  auto* line = new QWidget(centralWidget());
  line->setMinimumHeight(kMargin - 3);
  statusText_ = new QLabel(line);
  statusText_->setObjectName(QStringLiteral("Status_txt"));
  countText_ = new QLabel(line);
  countText_->setObjectName(QStringLiteral("Count_txt"));
  countText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* row = new QHBoxLayout(line);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(statusText_, 1);
  row->addWidget(countText_);
  return line;
}

QWidget* frmLEDMatrixData::BuildLegend() {
  auto* frame = new QGroupBox(centralWidget());
  frame->setObjectName(QStringLiteral("fraOptions"));
  frame->setMinimumHeight(kLegendHeight);
  QFont bold = font();
  bold.setBold(true);
  auto* grid = new QGridLayout(frame);
  grid->setContentsMargins(kMargin, kMargin / 2, kMargin, kMargin / 2);
  for (std::size_t i = 0; i < kLegend.size(); ++i) {
    auto* label = new QLabel(QString::fromLatin1(kLegend[i]), frame);
    label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
    label->setFont(bold);
    grid->addWidget(label, static_cast<int>(i / 4), static_cast<int>(i % 4));
  }
  for (int column = 0; column < 4; ++column) {
    grid->setColumnStretch(column, 1);  // four columns of equal width
  }
  return frame;
}

QWidget* frmLEDMatrixData::BuildButtons() {
  auto* buttons = new QWidget(centralWidget());
  getButton_ = Button("GetMatrixStringButton", "Get LED Matrix String", buttons);
  storeButton_ = Button("StoreMatrixStringButton", "Store LED Matrix String", buttons);
  playButton_ = Button("PlayLEDButton", "Play LED Sequence", buttons);
  playButton_->setEnabled(false);  // no action
  slider_ = new QSlider(Qt::Horizontal, buttons);
  slider_->setObjectName(QStringLiteral("LEDSlider"));
  slider_->setAccessibleName(QStringLiteral("LED Sequence"));
  slider_->setMinimumSize(kSlider);
  slider_->setTickPosition(QSlider::TicksBelow);
  slider_->setMaximum(1);

  auto* row = new QHBoxLayout(buttons);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  row->addWidget(getButton_, 0, Qt::AlignTop);
  row->addSpacing(kButtonGap);
  row->addWidget(storeButton_, 0, Qt::AlignTop);
  row->addSpacing(kButtonGap);
  row->addWidget(playButton_, 0, Qt::AlignTop);
  row->addStretch(1);
  row->addWidget(slider_, 0, Qt::AlignTop);

  connect(getButton_, &QPushButton::clicked, this, &frmLEDMatrixData::GetMatrixStringButton_Click);
  connect(storeButton_, &QPushButton::clicked, this,
          &frmLEDMatrixData::StoreMatrixStringButton_Click);
  return buttons;
}

}  // namespace nimbo::ledmatrix::gui
