#include "colorpicker/gui/ColorWheel.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>
#include <cmath>

#include "colorpicker/ColorHelpers.h"
#include "colorpicker/ShadesStrip.h"
#include "colorpicker/gui/ColorWheelAccessible.h"
#include "colorpicker/gui/PaletteColors.h"
#include "colorpicker/gui/PictureBox.h"

namespace nimbo::colorpicker::gui {

namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr int kFixSizeMs = 50;
constexpr double kArrowHeightTwips = 210;
constexpr double kArrowWidthTwips = 105;
constexpr double kArmOuterTwips = 210;        // marker arms run from here ...
constexpr double kArmInnerTwips = 90;         // ... to here away from the marker
constexpr RgbColor kArrowOutline = 0xFF0000;  // blue
constexpr RgbColor kArrowFill = 0x6E6E6E;

int TwipsToPixels(double twips, double tpp) {
  return static_cast<int>(std::lround(twips / tpp));
}

}  // namespace

ColorWheel::ColorWheel(QWidget* parent, const PropertyBag* bag) : QWidget(parent), model_(*this) {
  setObjectName(QStringLiteral("ColorWheel"));
  twipsPerPixel_ = kTwipsPerInch / std::max(logicalDpiY(), 1);
  arrowHeight_ = TwipsToPixels(kArrowHeightTwips, twipsPerPixel_);
  arrowWidth_ = TwipsToPixels(kArrowWidthTwips, twipsPerPixel_);
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(true);
  BuildControls();
  // The control's focus goes to the wheel; the wheel and the strip are the
  // stops of the tab chain.
  setFocusProxy(picWheel_);
  InstallColorWheelAccessibility();
  model_.SetSystemColors(SystemColorsFromPalette(palette()));

  tmrDraw_.setParent(this);  // members: they leave the children when destroyed
  tmrFixSize_.setParent(this);
  tmrDraw_.setObjectName(QStringLiteral("tmrDraw"));
  tmrDraw_.setInterval(1);
  tmrDraw_.setSingleShot(true);
  connect(&tmrDraw_, &QTimer::timeout, this, [this] { model_.OnDrawTimer(); });
  tmrFixSize_.setObjectName(QStringLiteral("tmrFixSize"));
  tmrFixSize_.setInterval(kFixSizeMs);
  tmrFixSize_.setSingleShot(true);
  connect(&tmrFixSize_, &QTimer::timeout, this, [this] {
    // The second request of the same size; it never restarts the timer.
    fixingSize_ = true;
    resize(requiredSize_);
    fixingSize_ = false;
  });

  // The parent window's first show stands for the form's Load.
  if (parent != nullptr) {
    parentForm_ = parent->window();
    parentForm_->installEventFilter(this);
  }
  model_.Start(bag, parentForm_ != nullptr);
  started_ = true;
  resize(sizeHint());
  Layout();
}

ColorWheel::~ColorWheel() {
  ReleaseGrab();
  StopMessageHook();
  if (parentForm_ != nullptr) {
    parentForm_->removeEventFilter(this);
  }
}

void ColorWheel::BuildControls() {
  picWheel_ = new PictureBox(
      QStringLiteral("picWheel"), [this](QPainter& p) { PaintWheel(p); }, this);
  picShades_ = new PictureBox(
      QStringLiteral("picShades"),
      [this](QPainter& p) {
        p.drawImage(0, 0, shadesImage_);
        PaintFocus(p, picShades_);
      },
      this);
  picSlider_ = new PictureBox(
      QStringLiteral("picSlider"), [this](QPainter& p) { p.drawImage(0, 0, sliderImage_); }, this);
  for (PictureBox* box : {picWheel_, picShades_, picSlider_}) {
    box->installEventFilter(this);
  }
  picWheel_->setFocusPolicy(Qt::StrongFocus);
  picShades_->setFocusPolicy(Qt::StrongFocus);

  cboSelection_ = new QComboBox(this);
  cboSelection_->setObjectName(QStringLiteral("cboSelection"));
  connect(cboSelection_, &QComboBox::activated, this,
          [this](int index) { model_.OnSelectionListClick(index); });

  chkFixed_ = new QCheckBox(this);
  chkFixed_->setObjectName(QStringLiteral("chkFixed"));
  connect(chkFixed_, &QCheckBox::clicked, this,
          [this](bool checked) { model_.OnFixedCheckClick(checked); });

  fraColorSystem_ = new QFrame(this);
  fraColorSystem_->setObjectName(QStringLiteral("fraColorSystem"));
  fraColorSystem_->setAutoFillBackground(true);
  auto* column = new QVBoxLayout(fraColorSystem_);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(1);
  lblMode_ = new QLabel(fraColorSystem_);
  lblMode_->setObjectName(QStringLiteral("lblMode"));
  cboColorSystem_ = new QComboBox(fraColorSystem_);
  cboColorSystem_->setObjectName(QStringLiteral("cboColorSystem"));
  cboColorSystem_->addItems({QStringLiteral("HSV"), QStringLiteral("HSL")});
  column->addWidget(lblMode_);
  column->addWidget(cboColorSystem_);
  connect(cboColorSystem_, &QComboBox::activated, this,
          [this](int index) { model_.OnColorSystemListClick(index); });

  // The tab chain in reading order: the wheel, then the column top to bottom.
  setTabOrder(picWheel_, cboSelection_);
  setTabOrder(cboSelection_, picShades_);
  setTabOrder(picShades_, chkFixed_);
  setTabOrder(chkFixed_, cboColorSystem_);

  picSlider_->setAutoFillBackground(true);
  picSlider_->setFixedWidth(arrowWidth_ + 2);

  // The column beside the wheel is narrow: its controls use a small type
  // and a slim drop-down button, so that "Value" and "Green" fit.
  QFont small = font();
  small.setPointSizeF(std::max(small.pointSizeF() * 0.75, 6.0));
  for (QWidget* w : {static_cast<QWidget*>(cboSelection_), static_cast<QWidget*>(chkFixed_),
                     static_cast<QWidget*>(lblMode_), static_cast<QWidget*>(cboColorSystem_)}) {
    w->setFont(small);
  }
  for (QComboBox* box : {cboSelection_, cboColorSystem_}) {
    box->setStyleSheet(
        QStringLiteral("QComboBox { padding: 0px 0px 0px 3px; }"
                       "QComboBox::drop-down { width: 11px; }"));
  }
}

// --- What the model asks for -------------------------------------------------

void ColorWheel::Draw(WheelDrawing what) {
  switch (what) {
    case WheelDrawing::PrepareWheel:
      raster_.Prepare(picWheel_->width(), picWheel_->height(),
                      model_.Translate(model_.BackColor()));
      break;
    case WheelDrawing::BuildWheelImage:
      raster_.Build(model_.State());
      picWheel_->update();
      break;
    case WheelDrawing::Wheel:
      if (!raster_.Built()) {
        raster_.Build(model_.State());
      }
      raster_.Recolour(model_.State(), model_.WheelSelectedValue());
      PlaceMarker(std::nullopt);
      picWheel_->update();
      break;
    case WheelDrawing::Shades:
      PaintShades();
      break;
    case WheelDrawing::Pointer:
      if (const auto at = colorpicker::MarkerPosition(raster_, model_.State(), model_.Color())) {
        PlaceMarker(QPointF(at->x, at->y));
      }
      break;
    case WheelDrawing::Slider:
      PaintSlider();
      break;
  }
}

void ColorWheel::Update(WheelControl what) {
  switch (what) {
    case WheelControl::SelectionList:
      UpdateSelectionList();
      break;
    case WheelControl::ColorSystemList:
      cboColorSystem_->setCurrentIndex(model_.ColorSystem());
      UpdateSelectionList();
      break;
    case WheelControl::FixedCheck:
      chkFixed_->setChecked(model_.DrawFixed());
      break;
    case WheelControl::Captions:
      UpdateCaptions();
      break;
    case WheelControl::Visibility:
      UpdateVisibility();
      break;
    case WheelControl::Layout:
      Layout();
      break;
    case WheelControl::ParameterArea:
      LayoutParameterArea();
      break;
    case WheelControl::BackColor:
      ApplyBackColor();
      break;
    case WheelControl::MessageHook:
      StartMessageHook();
      break;
  }
}

void ColorWheel::Raise(WheelEvent event) {
  // Every colour change is followed by a ParameterValueChange.
  const bool parameterChanged =
      event == WheelEvent::SelectionParameterChange || event == WheelEvent::ColorSystemChange;
  if (parameterChanged || event == WheelEvent::ParameterValueChange) {
    UpdateAccessibility(parameterChanged);
  }
  switch (event) {
    case WheelEvent::ColorChange:
      emit ColorChange();
      break;
    case WheelEvent::ParameterValueChange:
      emit ParameterValueChange();
      break;
    case WheelEvent::SelectionParameterChange:
      emit SelectionParameterChange();
      break;
    case WheelEvent::DrawFixedChange:
      emit DrawFixedChange();
      break;
    case WheelEvent::ColorSystemChange:
      emit ColorSystemChange();
      break;
  }
}

// Sent whether or not a screen reader listens, as Qt's own controls do:
// Qt drops the events when none does.
void ColorWheel::UpdateAccessibility(bool nameChanged) {
  QAccessibleValueChangeEvent wheel(picWheel_, ParameterValue(AxialParameter()));
  QAccessible::updateAccessibility(&wheel);
  QAccessibleValueChangeEvent shades(picShades_, ShadesValue());
  QAccessible::updateAccessibility(&shades);
  QAccessibleEvent description(picWheel_, QAccessible::DescriptionChanged);  // both values
  QAccessible::updateAccessibility(&description);
  if (nameChanged) {
    QAccessibleEvent name(picShades_, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&name);
  }
}

void ColorWheel::NotifyProperty(std::string_view name) {
  emit propertyChanged(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

void ColorWheel::SetDrawTimer(bool running) {
  if (running) {
    tmrDraw_.start();
  } else {
    tmrDraw_.stop();
  }
}

bool ColorWheel::DrawTimerRunning() const {
  return tmrDraw_.isActive();
}

// --- Sub-controls ---------------------------------------------------------------

void ColorWheel::UpdateSelectionList() {
  cboSelection_->clear();
  for (const ListItem& item : model_.SelectionList()) {
    cboSelection_->addItem(QString::fromStdString(item.text), item.data);
  }
  cboSelection_->setCurrentIndex(model_.SelectionListIndex());
}

void ColorWheel::UpdateCaptions() {
  chkFixed_->setText(GetCaption(7));
  chkFixed_->setToolTip(GetCaption(8));
  cboSelection_->setToolTip(GetCaption(9));
  lblMode_->setText(GetCaption(10));
}

void ColorWheel::UpdateVisibility() {
  cboSelection_->setVisible(model_.SelectionParametersAvailable() != 0);
  chkFixed_->setVisible(model_.DrawFixedControlVisible());
  fraColorSystem_->setVisible(model_.ColorSystemControlVisible());
}

void ColorWheel::SetCaption(int captionId, const QString& caption) {
  model_.SetCaption(captionId, caption.toStdString());
}

QString ColorWheel::GetCaption(int captionId) const {
  return QString::fromStdString(model_.GetCaption(captionId));
}

void ColorWheel::ApplyBackColor() {
  const QColor back = ToQColor(model_.Translate(model_.BackColor()));
  for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(picSlider_),
                     static_cast<QWidget*>(fraColorSystem_)}) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, back);
    w->setPalette(p);
  }
  const bool dark = GetLuminance(FromQColor(palette().color(QPalette::Window)),
                                 model_.State().SystemColors) < kLightBackgroundLuminance;
  const OleColor text = SystemColorRef(dark ? SystemColor::kWindow : SystemColor::kWindowText);
  QPalette p = lblMode_->palette();
  p.setColor(QPalette::WindowText, ToQColor(model_.Translate(text)));
  lblMode_->setPalette(p);
}

// --- Pictures -----------------------------------------------------------------

QImage ColorWheel::WheelImage() const {
  if (raster_.Pixels().empty()) {
    return {};
  }
  // Wraps the raster's pixels; copy() detaches from them.
  return QImage(reinterpret_cast<const uchar*>(raster_.Pixels().data()), raster_.Width(),
                raster_.Height(), raster_.Width() * 4, QImage::Format_RGB32)
      .copy();
}

void ColorWheel::PaintWheel(QPainter& painter) {
  painter.fillRect(picWheel_->rect(), palette().color(QPalette::Window));
  if (!model_.FormLoaded() || raster_.Pixels().empty()) {
    return;
  }
  const QImage image(reinterpret_cast<const uchar*>(raster_.Pixels().data()), raster_.Width(),
                     raster_.Height(), raster_.Width() * 4, QImage::Format_RGB32);
  painter.drawImage(0, 0, image);
  PaintFocus(painter, picWheel_);
  if (!markerVisible_) {
    return;
  }
  painter.setPen(QPen(ToQColor(markerStyle_.colour), 1));
  painter.setCompositionMode(markerStyle_.mode == MarkerMode::Copy
                                 ? QPainter::CompositionMode_SourceOver
                                 : QPainter::RasterOp_SourceAndNotDestination);
  for (const QLineF& line : linPointer_) {
    painter.drawLine(line);
  }
}

void ColorWheel::PaintFocus(QPainter& painter, QWidget* picture) {
  if (!picture->hasFocus()) {
    return;
  }
  // Black beside white shows on any colour.
  painter.setBrush(Qt::NoBrush);
  if (picture == picWheel_) {
    // Two rings, each two pixels wide, in the margin outside the disc, clear
    // of every wheel pixel.
    const WheelGeometry& g = raster_.Geometry();
    const QPointF centre(g.cx + 0.5, g.cy + 0.5);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawEllipse(centre, g.Rad + 2.0, g.Rad + 2.0);
    painter.setPen(QPen(Qt::white, 2));
    painter.drawEllipse(centre, g.Rad + 4.0, g.Rad + 4.0);
    return;
  }
  // The strip's frame in black and white dashes.
  const QRect frame = picture->rect().adjusted(0, 0, -1, -1);
  painter.setPen(QPen(Qt::white, 1));
  painter.drawRect(frame);
  QPen dashes(Qt::black, 1, Qt::CustomDashLine);
  dashes.setDashPattern({2, 2});
  painter.setPen(dashes);
  painter.drawRect(frame);
}

void ColorWheel::PaintShades() {
  const QSize size = picShades_->size();
  if (size.isEmpty()) {
    return;
  }
  shadesImage_ = QImage(size, QImage::Format_RGB32);
  shadesImage_.fill(palette().color(QPalette::Dark));
  const int rows = size.height() - 2;
  const int last = size.width() - 2;  // rows run from x 1 to the last inner pixel
  const std::vector<RgbColor> colours =
      ShadesRows(model_.State(), model_.SliderColor(), model_.DrawFixed(), rows);
  for (int row = 0; row < rows; ++row) {
    auto* line = reinterpret_cast<std::uint32_t*>(shadesImage_.scanLine(row + 1));
    const std::uint32_t pixel = ToPixel(colours[static_cast<std::size_t>(row)]);
    std::fill(line + 1, line + last + 1, pixel);
  }
  picShades_->update();
}

void ColorWheel::PaintSlider() {
  const QSize size = picSlider_->size();
  if (size.isEmpty()) {
    return;
  }
  sliderImage_ = QImage(size, QImage::Format_RGB32);
  sliderImage_.fill(picSlider_->palette().color(QPalette::Window));
  const int y0 = ArrowTipY(size.height(), arrowHeight_, model_.SliderMin(), model_.SliderMax(),
                           model_.SliderValue());
  const int half = arrowHeight_ / 2;
  const int right = size.width() - 2;
  QPainter painter(&sliderImage_);
  painter.setPen(QPen(ToQColor(kArrowOutline), 1));
  // While the strip has the focus its arrow is filled in the highlight colour.
  painter.setBrush(picShades_->hasFocus() ? palette().color(QPalette::Highlight)
                                          : ToQColor(kArrowFill));
  const std::array<QPoint, 3> arrow{QPoint(0, y0), QPoint(right, y0 - half),
                                    QPoint(right, y0 + half)};
  painter.drawPolygon(arrow.data(), static_cast<int>(arrow.size()));
  painter.end();
  picSlider_->update();
}

void ColorWheel::PlaceMarker(std::optional<QPointF> at) {
  if (at) {
    marker_ = *at;
  }
  const WheelGeometry& g = raster_.Geometry();
  const double outer = kArmOuterTwips / twipsPerPixel_;
  const double inner = kArmInnerTwips / twipsPerPixel_;
  const double fromCentre = std::hypot(marker_.x() - g.cx, marker_.y() - g.cy);
  markerStyle_ = MarkerStyleFor(GetLuminance(model_.Color(), model_.State().SystemColors),
                                g.Rad - fromCentre, outer - inner);
  // Through the middle of the marker's pixel.
  const double x = std::floor(marker_.x()) + 0.5;
  const double y = std::floor(marker_.y()) + 0.5;
  linPointer_[0] = QLineF(x - outer, y, x - inner, y);
  linPointer_[1] = QLineF(x + inner, y, x + outer, y);
  linPointer_[2] = QLineF(x, y - outer, x, y - inner);
  linPointer_[3] = QLineF(x, y + inner, x, y + outer);
  picWheel_->update();
}

void ColorWheel::SetPointerVisible(bool visible) {
  markerVisible_ = visible;
  picWheel_->update();
}

// --- Parameters for the keyboard and screen readers ---------------------------

QString ColorWheel::ParameterName(int parameter) const {
  return QString::fromStdString(model_.ParameterText(parameter));
}

int ColorWheel::ParameterValue(int parameter) const {
  return RoundClamped(model_.State().ParameterValue(parameter), INT32_MIN, INT32_MAX);
}

void ColorWheel::SetShadesValue(double value) {
  model_.SetSliderValue(model_.SliderMax() - RoundClamped(value, 0, model_.SliderMax()));
}

// --- Properties of the layout -------------------------------------------------

int ColorWheel::ParameterSelectorLeft() const {
  return picShades_->x();
}
int ColorWheel::ParameterSelectorWidth() const {
  return picShades_->width();
}
int ColorWheel::SelectionParameterControlLeft() const {
  return cboSelection_->x();
}
int ColorWheel::SelectionParameterControlWidth() const {
  return cboSelection_->width();
}
int ColorWheel::WheelCenterLeft() const {
  return picWheel_->x() + raster_.Geometry().cx;
}
int ColorWheel::WheelCenterTop() const {
  return picWheel_->y() + raster_.Geometry().cy;
}

}  // namespace nimbo::colorpicker::gui
