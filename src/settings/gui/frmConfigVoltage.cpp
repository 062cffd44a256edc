// The three number boxes of the "Voltage Monitoring" group: the key filter
// while typing (its character rule also for pasted or dropped text), Enter to
// the focus sink, and the limit check with correction and store when the
// focus leaves a box.
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include "settings/gui/frmConfig.h"

namespace nimbo::settings::gui {

namespace {

// The character code a key press types, or 0 for keys that type nothing
// (cursor keys, Delete, Tab): those edit or move and pass unfiltered.
int TypedCode(const QKeyEvent& event) {
  switch (event.key()) {
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kEnterKey;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
      return 0;
    default:
      break;
  }
  // Editing shortcuts (copy, paste, select all) are not typed characters.
  // Control together with Alt is how AltGr arrives on some systems: that
  // types a character and goes through the filter.
  const Qt::KeyboardModifiers modifiers = event.modifiers();
  if ((modifiers & (Qt::ControlModifier | Qt::MetaModifier)) && !(modifiers & Qt::AltModifier)) {
    return 0;
  }
  const QString text = event.text();
  return text.isEmpty() ? 0 : static_cast<int>(text.at(0).unicode());
}

// Focus that moves to a popup or another application is not leaving the box.
bool LeavesBox(const QFocusEvent& event) {
  return event.reason() != Qt::PopupFocusReason && event.reason() != Qt::ActiveWindowFocusReason;
}

// The characters of `text` that the key filter lets through when typed.
// Enter and backspace type no character into the box.
QString KeptByKeyFilter(const QString& text, int& cursor) {
  QString kept;
  int keptBeforeCursor = 0;
  for (int i = 0; i < text.size(); ++i) {
    const int code = static_cast<int>(text.at(i).unicode());
    const FilteredKeyPress key = FilterKeyPress(code);
    if (key.keyascii != 0 && code != kEnterKey && code != 8) {
      kept.append(text.at(i));
      keptBeforeCursor += i < cursor ? 1 : 0;
    }
  }
  cursor = keptBeforeCursor;
  return kept;
}

}  // namespace

bool frmConfig::eventFilter(QObject* watched, QEvent* event) {
  for (std::size_t box = 0; box < voltageBox_.size(); ++box) {
    if (watched != voltageBox_[box]) {
      continue;
    }
    if (event->type() == QEvent::KeyPress) {
      return VoltageBox_KeyPress(static_cast<int>(box), *static_cast<QKeyEvent*>(event));
    }
    if (event->type() == QEvent::FocusOut && LeavesBox(*static_cast<QFocusEvent*>(event))) {
      VoltageBox_LostFocus(static_cast<int>(box));
    }
    return false;
  }
  return WorkingWindow::eventFilter(watched, event);
}

// Returns true when the key is used up here and must not reach the box.
bool frmConfig::VoltageBox_KeyPress(int /*box*/, QKeyEvent& event) {
  const int code = TypedCode(event);
  if (code == 0) {
    return false;
  }
  const FilteredKeyPress key = FilterKeyPress(code);
  if (key.filteredKey == kEnterKey) {
    FocusSink();  // leaving the box stores its value
    return true;
  }
  return key.keyascii == 0;
}

void frmConfig::VoltageBox_Edited(int box) {
  const auto index = static_cast<std::size_t>(box);
  QLineEdit* edit = voltageBox_[index];
  int cursor = edit->cursorPosition();
  const QString kept = KeptByKeyFilter(edit->text(), cursor);
  if (kept != edit->text()) {
    edit->setText(kept);
    edit->setCursorPosition(cursor);
  }
  voltageEdited_[index] = true;
}

void frmConfig::VoltageBox_LostFocus(int box) {
  const auto index = static_cast<std::size_t>(box);
  QLineEdit* edit = voltageBox_[index];
  const Correction result =
      LeaveVoltageBox(Bytes(), static_cast<VoltageBox>(box), edit->text().toStdString());
  voltageEdited_[index] = false;
  if (edit->text().toStdString() != result.text) {
    edit->setText(QString::fromStdString(result.text));
  }
  for (int beep = 0; beep < result.beeps; ++beep) {
    Module().Ui().Beep();
  }
}

// A value typed and followed directly by a save is stored before the write,
// also when the focus did not leave the box on the way.
void frmConfig::StorePendingVoltageEdits() {
  for (std::size_t box = 0; box < voltageEdited_.size(); ++box) {
    if (voltageEdited_[box]) {
      VoltageBox_LostFocus(static_cast<int>(box));
    }
  }
}

}  // namespace nimbo::settings::gui
