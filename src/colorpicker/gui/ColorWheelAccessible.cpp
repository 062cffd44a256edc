#include "colorpicker/gui/ColorWheelAccessible.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QPointer>

#include "colorpicker/gui/ColorWheel.h"
#include "colorpicker/gui/PictureBox.h"

namespace nimbo::colorpicker::gui {

namespace {

// The wheel reports its axial parameter as its value; both of its parameters
// with their values are in its description too, as not every screen reader
// reads a value text. The strip reports the selected parameter.
class PartAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  PartAccessible(QWidget* picture, ColorWheel* control, bool isWheel)
      : QAccessibleWidget(picture, isWheel ? QAccessible::Dial : QAccessible::Slider),
        control_(control),
        isWheel_(isWheel) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) {
      return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
  }

  QString text(QAccessible::Text kind) const override {
    if (control_.isNull()) {
      return {};
    }
    const int axial = control_->AxialParameter();
    const int radial = control_->RadialParameter();
    const int selected = control_->SelectionParameter();
    switch (kind) {
      case QAccessible::Name:
        return isWheel_ ? QStringLiteral("Color wheel") : control_->ParameterName(selected);
      case QAccessible::Description:
        return isWheel_ ? QStringLiteral("%1 %2 round the wheel, %3 %4 along the radius")
                              .arg(control_->ParameterName(axial))
                              .arg(control_->ParameterValue(axial))
                              .arg(control_->ParameterName(radial))
                              .arg(control_->ParameterValue(radial))
                        : QStringLiteral("Shades of %1").arg(control_->ParameterName(selected));
      case QAccessible::Value:
        return isWheel_ ? QStringLiteral("%1 %2, %3 %4")
                              .arg(control_->ParameterName(axial))
                              .arg(control_->ParameterValue(axial))
                              .arg(control_->ParameterName(radial))
                              .arg(control_->ParameterValue(radial))
                        : QString::number(control_->ShadesValue());
      default:
        return QAccessibleWidget::text(kind);
    }
  }

  QVariant currentValue() const override {
    if (control_.isNull()) {
      return {};
    }
    return isWheel_ ? control_->ParameterValue(control_->AxialParameter())
                    : control_->ShadesValue();
  }
  void setCurrentValue(const QVariant& value) override {
    bool ok = false;
    const double v = value.toDouble(&ok);
    if (!ok || control_.isNull()) {
      return;
    }
    if (isWheel_) {
      control_->SetAxialValue(v);
    } else {
      control_->SetShadesValue(v);
    }
  }
  QVariant maximumValue() const override {
    if (control_.isNull()) {
      return {};
    }
    return isWheel_ ? control_->ParameterMax(control_->AxialParameter()) : control_->ShadesMax();
  }
  QVariant minimumValue() const override { return 0; }
  // One step is one arrow-key press: a notch round the wheel, one on the strip.
  QVariant minimumStepSize() const override {
    if (control_.isNull() || !isWheel_) {
      return 1;
    }
    return control_->ParameterMax(control_->AxialParameter()) / 30.0;
  }

 private:
  QPointer<ColorWheel> control_;
  bool isWheel_;
};

QAccessibleInterface* PartFactory(const QString& /*key*/, QObject* object) {
  auto* picture = qobject_cast<PictureBox*>(object);
  auto* control = picture != nullptr ? qobject_cast<ColorWheel*>(picture->parentWidget()) : nullptr;
  if (control == nullptr) {
    return nullptr;
  }
  const QString name = picture->objectName();
  if (name != QLatin1String("picWheel") && name != QLatin1String("picShades")) {
    return nullptr;
  }
  // Qt's accessibility cache owns the interface and deletes it with the picture.
  return new PartAccessible(picture, control, name == QLatin1String("picWheel"));
}

}  // namespace

void InstallColorWheelAccessibility() {
  QAccessible::installFactory(PartFactory);
}

}  // namespace nimbo::colorpicker::gui
