// The colour-wheel control: a wheel, a shades strip with its slider arrow, the
// selection list, the "Fixed" check box and the colour-system selector. The
// rules live in ColorWheelModel; this widget owns the pictures, turns the
// model's requests into drawing and signals, and feeds it the user's input.
#pragma once

#include <QImage>
#include <QLineF>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>

#include "colorpicker/ColorWheelModel.h"
#include "colorpicker/WheelMarker.h"
#include "colorpicker/WheelRaster.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QKeyEvent;
class QLabel;
class QPainter;
class QWheelEvent;

namespace nimbo::colorpicker::gui {

class PictureBox;

class ColorWheel : public QWidget, private ColorWheelView {
  Q_OBJECT
  Q_PROPERTY(quint32 Color READ Color WRITE SetColor)
  Q_PROPERTY(QString ColorHex READ ColorHex)
  Q_PROPERTY(int H READ H WRITE SetH)
  Q_PROPERTY(int L READ L WRITE SetL)
  Q_PROPERTY(int V READ L WRITE SetL)
  Q_PROPERTY(int S READ S WRITE SetS)
  Q_PROPERTY(int R READ R WRITE SetR)
  Q_PROPERTY(int G READ G WRITE SetG)
  Q_PROPERTY(int B READ B WRITE SetB)
  Q_PROPERTY(int SelectionParametersAvailable READ SelectionParametersAvailable WRITE
                 SetSelectionParametersAvailable)
  Q_PROPERTY(
      bool DrawFixedControlVisible READ DrawFixedControlVisible WRITE SetDrawFixedControlVisible)
  Q_PROPERTY(bool ColorSystemControlVisible READ ColorSystemControlVisible WRITE
                 SetColorSystemControlVisible)
  Q_PROPERTY(bool DrawFixed READ DrawFixed WRITE SetDrawFixed)
  Q_PROPERTY(int SelectionParameter READ SelectionParameter WRITE SetSelectionParameter)
  Q_PROPERTY(int ColorSystem READ ColorSystem WRITE SetColorSystem)
  Q_PROPERTY(quint32 BackColor READ BackColor WRITE SetBackColor)
  Q_PROPERTY(int HMax READ HMax)
  Q_PROPERTY(int LMax READ LMax)
  Q_PROPERTY(int SMax READ SMax)
  Q_PROPERTY(bool Redraw READ Redraw WRITE SetRedraw)
  Q_PROPERTY(int ParameterSelectorLeft READ ParameterSelectorLeft)
  Q_PROPERTY(int ParameterSelectorWidth READ ParameterSelectorWidth)
  Q_PROPERTY(int SelectionParameterControlLeft READ SelectionParameterControlLeft)
  Q_PROPERTY(int SelectionParameterControlWidth READ SelectionParameterControlWidth)
  Q_PROPERTY(int WheelCenterLeft READ WheelCenterLeft)
  Q_PROPERTY(int WheelCenterTop READ WheelCenterTop)
  Q_PROPERTY(int RadialParameter READ RadialParameter)
  Q_PROPERTY(int AxialParameter READ AxialParameter)
  Q_PROPERTY(quintptr hWnd READ hWnd)

 public:
  // bag: the host's stored properties; without one the control starts from
  // its defaults. Drawing starts when the parent's window is first shown.
  explicit ColorWheel(QWidget* parent = nullptr, const PropertyBag* bag = nullptr);
  ~ColorWheel() override;

  // Property setters throw ColorWheelError for an invalid value.
  quint32 Color() const { return model_.Color(); }
  void SetColor(quint32 value) { model_.SetColor(value); }
  QString ColorHex() const { return QString::fromStdString(model_.ColorHex()); }
  int H() const { return model_.H(); }
  void SetH(int value) { model_.SetH(value); }
  int L() const { return model_.L(); }
  void SetL(int value) { model_.SetL(value); }
  int S() const { return model_.S(); }
  void SetS(int value) { model_.SetS(value); }
  int R() const { return model_.R(); }
  void SetR(int value) { model_.SetR(value); }
  int G() const { return model_.G(); }
  void SetG(int value) { model_.SetG(value); }
  int B() const { return model_.B(); }
  void SetB(int value) { model_.SetB(value); }
  int SelectionParametersAvailable() const { return model_.SelectionParametersAvailable(); }
  void SetSelectionParametersAvailable(int value) { model_.SetSelectionParametersAvailable(value); }
  bool DrawFixedControlVisible() const { return model_.DrawFixedControlVisible(); }
  void SetDrawFixedControlVisible(bool value) { model_.SetDrawFixedControlVisible(value); }
  bool ColorSystemControlVisible() const { return model_.ColorSystemControlVisible(); }
  void SetColorSystemControlVisible(bool value) { model_.SetColorSystemControlVisible(value); }
  bool DrawFixed() const { return model_.DrawFixed(); }
  void SetDrawFixed(bool value) { model_.SetDrawFixed(value); }
  int SelectionParameter() const { return model_.SelectionParameter(); }
  void SetSelectionParameter(int value) { model_.SetSelectionParameter(value); }
  int ColorSystem() const { return model_.ColorSystem(); }
  void SetColorSystem(int value) { model_.SetColorSystem(value); }
  quint32 BackColor() const { return model_.BackColor(); }
  void SetBackColor(quint32 value) { model_.SetBackColor(value); }
  int HMax() const { return model_.State().HMax; }
  int LMax() const { return model_.State().LMax; }
  int SMax() const { return model_.State().SMax; }
  bool Redraw() const { return model_.Redraw(); }
  void SetRedraw(bool value) { model_.SetRedraw(value); }
  int ParameterSelectorLeft() const;
  int ParameterSelectorWidth() const;
  int SelectionParameterControlLeft() const;
  int SelectionParameterControlWidth() const;
  int WheelCenterLeft() const;
  int WheelCenterTop() const;
  int RadialParameter() const { return model_.State().RadialParameter; }
  int AxialParameter() const { return model_.State().AxialParameter; }
  quintptr hWnd() const { return static_cast<quintptr>(internalWinId()); }

  void SetCaption(int captionId, const QString& caption);
  QString GetCaption(int captionId) const;
  void WriteProperties(PropertyBag& bag) const { model_.WriteProperties(bag); }

  // The parameters as the keyboard and screen readers reach them: the wheel
  // carries its axial and radial parameter, the shades strip the selected one
  // (its value counted from the strip's foot).
  QString ParameterName(int parameter) const;
  int ParameterValue(int parameter) const;  // rounded, halves to even
  int ParameterMax(int parameter) const { return model_.State().ParameterMax(parameter); }
  void SetAxialValue(double value) { model_.SetAxialValue(value); }
  int ShadesValue() const { return model_.SliderMax() - model_.SliderValue(); }
  int ShadesMax() const { return model_.SliderMax(); }
  void SetShadesValue(double value);

  // The wheel's pixels as shown and the marker, for a host's screenshot or a test.
  QImage WheelImage() const;
  QPointF MarkerPosition() const { return marker_; }
  bool MarkerVisible() const { return markerVisible_; }
  MarkerStyle MarkerLook() const { return markerStyle_; }
  QSize sizeHint() const override;

 signals:
  void ColorChange();
  void ParameterValueChange();
  void SelectionParameterChange();
  void DrawFixedChange();
  void ColorSystemChange();
  // One handled mouse-wheel notch; the value carries no meaning for a host.
  void MouseWheelNavigation(qint32& value);
  // A persisted property changed; never for BackColor.
  void propertyChanged(const QString& name);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  // ColorWheelView
  void Draw(WheelDrawing what) override;
  void Update(WheelControl what) override;
  void Raise(WheelEvent event) override;
  void NotifyProperty(std::string_view name) override;
  void SetDrawTimer(bool running) override;
  bool DrawTimerRunning() const override;

  void BuildControls();
  void Layout();
  void LayoutParameterArea();
  void ApplyBackColor();
  void UpdateSelectionList();
  void UpdateVisibility();
  void UpdateCaptions();
  void StartMessageHook();
  void StopMessageHook();
  void ReleaseGrab();

  void PaintWheel(QPainter& painter);
  void PaintShades();
  void PaintSlider();
  void PlaceMarker(std::optional<QPointF> at);
  void SetPointerVisible(bool visible);

  void PaintFocus(QPainter& painter, QWidget* picture);
  void UpdateAccessibility(bool nameChanged);

  bool WheelMouse(QEvent* event);
  bool PartKey(QObject* watched, QKeyEvent* event);
  bool ShadesMouse(QEvent* event);
  bool SliderMouse(QEvent* event);
  void WheelDragTo(QPointF point);
  bool MouseWheel(QObject* watched, QWheelEvent* event);

  double twipsPerPixel_ = 15.0;
  int arrowHeight_ = 14;
  int arrowWidth_ = 7;

  ColorWheelModel model_;
  WheelRaster raster_;
  QImage shadesImage_;
  QImage sliderImage_;

  PictureBox* picWheel_ = nullptr;
  PictureBox* picShades_ = nullptr;
  PictureBox* picSlider_ = nullptr;
  QComboBox* cboSelection_ = nullptr;
  QCheckBox* chkFixed_ = nullptr;
  QFrame* fraColorSystem_ = nullptr;
  QLabel* lblMode_ = nullptr;
  QComboBox* cboColorSystem_ = nullptr;
  QTimer tmrDraw_;
  QTimer tmrFixSize_;

  // The crosshair: left, right, upper and lower arm.
  std::array<QLineF, 4> linPointer_{};
  QPointF marker_;
  bool markerVisible_ = true;
  MarkerStyle markerStyle_;

  QWidget* parentForm_ = nullptr;
  bool started_ = false;
  bool hookActive_ = false;
  bool draggingWheel_ = false;
  bool draggingShades_ = false;
  QWidget* grabber_ = nullptr;
  int wheelRemainder_ = 0;  // eighths of a degree not yet a whole notch
  int layoutDepth_ = 0;
  bool fixingSize_ = false;
  QSize requiredSize_;
};

}  // namespace nimbo::colorpicker::gui
