#include "settings/gui/LabelledCombo.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>

namespace nimbo::settings::gui {

namespace {

// What a reader sees of the list: its name from the widget (an accessible
// name, else the label whose buddy it is), the entry shown as its value, the
// entries as its one child, and an action that opens them.
class LabelledComboAccessible final : public QAccessibleWidget {
 public:
  explicit LabelledComboAccessible(QComboBox* combo)
      : QAccessibleWidget(combo, QAccessible::ComboBox) {}

  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Value ? Combo()->currentText() : QAccessibleWidget::text(t);
  }
  int childCount() const override { return 1; }
  QAccessibleInterface* child(int index) const override {
    return index == 0 ? QAccessible::queryAccessibleInterface(Combo()->view()) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child != nullptr && child->object() == Combo()->view() ? 0 : -1;
  }
  QStringList actionNames() const override {
    return QStringList(showMenuAction()) + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    if (action == showMenuAction()) {
      Combo()->showPopup();
    } else {
      QAccessibleWidget::doAction(action);
    }
  }

 private:
  QComboBox* Combo() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* LabelledComboFactory(const QString& className, QObject* object) {
  if (className != QLatin1String(LabelledCombo::staticMetaObject.className())) {
    return nullptr;
  }
  return new LabelledComboAccessible(static_cast<QComboBox*>(object));
}

}  // namespace

LabelledCombo::LabelledCombo(QWidget* parent) : QComboBox(parent) {
  static const bool named = (QAccessible::installFactory(&LabelledComboFactory), true);
  (void)named;
}

}  // namespace nimbo::settings::gui
