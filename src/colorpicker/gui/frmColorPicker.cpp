#include "colorpicker/gui/frmColorPicker.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <cmath>

#include "colorpicker/PropertyBag.h"
#include "colorpicker/gui/ColorWheel.h"
#include "colorpicker/gui/PaletteColors.h"

namespace nimbo::colorpicker::gui {

namespace {

constexpr double kTwipsPerInch = 1440.0;

struct TwipRect {
  int left, top, width, height;
};
constexpr TwipRect kClient{0, 0, 7560, 4875};
constexpr TwipRect kWheel{360, 480, 4620, 3900};
constexpr TwipRect kOldColorText{5640, 555, 1335, 255};
constexpr TwipRect kOldColor{5640, 960, 1335, 615};
constexpr TwipRect kNewColor{5640, 1560, 1335, 615};
constexpr TwipRect kNewColorText{5640, 2310, 1335, 255};
constexpr TwipRect kValueFrame{5460, 2880, 1695, 735};
constexpr TwipRect kValueText{240, 300, 1215, 255};  // inside the frame
constexpr TwipRect kSelectButton{5460, 3960, 1695, 495};

QRect Place(const TwipRect& r, double tpp) {
  const auto px = [tpp](int twips) { return static_cast<int>(std::lround(twips / tpp)); };
  return {px(r.left), px(r.top), px(r.width), px(r.height)};
}

void SetBackground(QWidget* widget, const QColor& colour) {
  QPalette p = widget->palette();
  p.setColor(QPalette::Window, colour);
  widget->setPalette(p);
}

QFrame* Swatch(const QString& name, const QRect& at, QWidget* parent) {
  auto* box = new QFrame(parent);
  box->setObjectName(name);
  box->setFrameShape(QFrame::Panel);
  box->setFrameShadow(QFrame::Sunken);
  box->setAutoFillBackground(true);
  box->setGeometry(at);
  return box;
}

QLabel* Caption(const QString& name, const QString& text, const QRect& at, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignCenter);
  label->setGeometry(at);
  return label;
}

}  // namespace

QString ColorValueText(OleColor colour) {
  return QStringLiteral("%1%2%3")
      .arg(RedOf(colour), 2, 16, QLatin1Char('0'))
      .arg(GreenOf(colour), 2, 16, QLatin1Char('0'))
      .arg(BlueOf(colour), 2, 16, QLatin1Char('0'))
      .toUpper();
}

frmColorPicker::frmColorPicker(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmColorPicker"));
  setWindowTitle(QStringLiteral("Color Picker"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setModal(true);
  const double tpp = kTwipsPerInch / std::max(logicalDpiY(), 1);
  setFixedSize(Place(kClient, tpp).size());

  PropertyBag design;
  design.WriteProperty("SelectionParametersAvailable", 0, 1);
  colorWheel1_ = new ColorWheel(this, &design);
  colorWheel1_->setObjectName(QStringLiteral("ColorWheel1"));
  colorWheel1_->setGeometry(Place(kWheel, tpp));

  Caption(QStringLiteral("OldColor_txt"), QStringLiteral("Original Color"),
          Place(kOldColorText, tpp), this);
  oldColor_ = Swatch(QStringLiteral("OldColor"), Place(kOldColor, tpp), this);
  newColor_ = Swatch(QStringLiteral("NewColor"), Place(kNewColor, tpp), this);
  Caption(QStringLiteral("NewColor_txt"), QStringLiteral("New Color"), Place(kNewColorText, tpp),
          this);
  auto* valueFrame = new QFrame(this);
  valueFrame->setObjectName(QStringLiteral("fraValue"));
  valueFrame->setFrameShape(QFrame::Box);
  valueFrame->setFrameShadow(QFrame::Sunken);
  valueFrame->setGeometry(Place(kValueFrame, tpp));
  colorValueText_ = Caption(QStringLiteral("ColorValue_txt"), QStringLiteral("FF0080"),
                            Place(kValueText, tpp), valueFrame);

  selectColorButton_ = new QPushButton(QStringLiteral("Select Color"), this);
  selectColorButton_->setObjectName(QStringLiteral("SelectColorButton"));
  selectColorButton_->setAutoDefault(false);
  selectColorButton_->setDefault(false);
  selectColorButton_->setGeometry(Place(kSelectButton, tpp));

  connect(colorWheel1_, &ColorWheel::ColorChange, this, &frmColorPicker::ColorWheel1_ColorChange);
  connect(selectColorButton_, &QPushButton::clicked, this,
          &frmColorPicker::SelectColorButton_Click);
}

frmColorPicker::~frmColorPicker() = default;

void frmColorPicker::Open(OleColor start, ColorFollower follow) {
  follow_ = std::move(follow);
  colorWheel1_->SetColor(start);
  startColor_ = start;
  SetBackground(oldColor_, ToQColor(start & 0xFFFFFFu));
  // The control raises no ColorChange for its own start colour; follow once
  // here so that what the dialog shows is what "Select Color" would write.
  ColorWheel1_ColorChange();
}

void frmColorPicker::ColorWheel1_ColorChange() {
  const OleColor colour = colorWheel1_->Color();
  if (follow_) {
    follow_(colour & 0xFFFFFFu);
  }
  SetBackground(newColor_, ToQColor(colour & 0xFFFFFFu));
  colorValueText_->setText(ColorValueText(colour));
}

void frmColorPicker::SelectColorButton_Click() {
  chosen_ = colorWheel1_->Color() & 0xFFFFFFu;
  accept();
}

void frmColorPicker::done(int result) {
  // Anything but "Select Color" is a close from the window frame or Esc.
  pickerClosedByUser_ = result != Accepted;
  if (pickerClosedByUser_ && follow_) {
    follow_(startColor_ & 0xFFFFFFu);
  }
  QDialog::done(result);
}

}  // namespace nimbo::colorpicker::gui
