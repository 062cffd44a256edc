#include "settings/gui/LabelledCombo.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>

namespace nimbo::settings::gui {

namespace {

// What a reader sees of the list: its name from the widget (an accessible
// name, else the label whose buddy it is), the entry shown as its value and
// as read-only text, the entries as its one child, and an action that opens
// them.
class LabelledComboAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit LabelledComboAccessible(QComboBox* combo)
      : QAccessibleWidget(combo, QAccessible::ComboBox) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) {
      return static_cast<QAccessibleTextInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
  }
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

  // The entry shown, as text that cannot be selected or edited.
  QString text(int start, int end) const override {
    const QString shown = Combo()->currentText();
    end = end < 0 || end > shown.size() ? static_cast<int>(shown.size()) : end;
    return shown.mid(start, end - start);
  }
  int characterCount() const override { return static_cast<int>(Combo()->currentText().size()); }
  void selection(int /*index*/, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int /*start*/, int /*end*/) override {}
  void removeSelection(int /*index*/) override {}
  void setSelection(int /*index*/, int /*start*/, int /*end*/) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int /*position*/) override {}
  QRect characterRect(int /*offset*/) const override { return {}; }
  int offsetAtPoint(const QPoint& /*point*/) const override { return -1; }
  void scrollToSubstring(int /*start*/, int /*end*/) override {}
  QString attributes(int offset, int* start, int* end) const override {
    *start = *end = offset;
    return {};
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
