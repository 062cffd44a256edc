#include "ledmatrix/gui/frmLEDMatrixData.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "ledmatrix/BoxText.h"
#include "ledmatrix/EscapeCodes.h"
#include "ledmatrix/MatrixString.h"
#include "ledmatrix/MatrixText.h"
#include "ledmatrix/MatrixTransfer.h"
#include "shell/TransferGuard.h"

namespace nimbo::ledmatrix::gui {

namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

frmLEDMatrixData::frmLEDMatrixData(NIMBOmodule& module, shell::Navigator& navigator,
                                   QWidget* parent)
    : WorkingWindow(module, navigator, shell::WindowId::LedMatrix, parent) {
  BuildControls();
  connect(ledText_->document(), &QTextDocument::contentsChange, this,
          [this](int position, int /*removed*/, int /*added*/) { changeAt_ = position; });
  connect(ledText_, &QPlainTextEdit::textChanged, this, &frmLEDMatrixData::LEDText_Change);
  ShowLineUnderBox();
}

frmLEDMatrixData::~frmLEDMatrixData() = default;

void frmLEDMatrixData::LoadContents() {
  RegisterStatusLabel(statusText_);
  show();
  // Whatever MemoryImage held before (a firmware image) is gone.
  Module().SizeSharedArrays();
  Module().BlockIn.fill(0);
  Module().BlockOut.fill(0);
  ReadDeviceString();
}

void frmLEDMatrixData::LEDText_Change() {
  if (settingText_) {
    return;
  }
  const QString boxText = ledText_->document()->toRawText();
  const std::string problem = ApplyText(BoxTextToMatrixText(boxText.toStdString()));
  if (!problem.empty()) {
    Refuse(problem);
    return;
  }
  acceptedText_ = boxText;
  SetStatus({});
}

std::string frmLEDMatrixData::ApplyText(const std::string& matrixText) {
  const MatrixCodes converted = TextToMatrixCodes(matrixText);
  if (!converted.problem.empty() || !EncodeMatrixString(Module(), matrixText)) {
    return converted.problem.empty() ? "The text cannot be stored." : converted.problem;
  }
  Module().MatrixString = matrixText;
  characters_ = converted.codes.size();
  slider_->setMaximum(static_cast<int>(characters_) + 1);
  const EscapeScan scan = ScanEscapeCodes(matrixText);
  firstProblem_ = scan.problems.empty() ? std::string() : scan.problems.front().message;
  ShowLineUnderBox();
  return {};
}

void frmLEDMatrixData::Refuse(const std::string& reason) {
  settingText_ = true;
  ledText_->setPlainText(acceptedText_);
  QTextCursor cursor = ledText_->textCursor();
  cursor.setPosition(std::clamp(changeAt_, 0, ledText_->document()->characterCount() - 1));
  ledText_->setTextCursor(cursor);
  settingText_ = false;
  Module().Ui().Beep();
  SetStatus(FromUtf8(reason));
}

void frmLEDMatrixData::GetMatrixStringButton_Click() {
  if (busy_) {
    return;
  }
  ReadDeviceString();
}

void frmLEDMatrixData::StoreMatrixStringButton_Click() {
  if (busy_) {
    return;
  }
  SetStatus({});
  shell::TransferGuard guard(*this, busy_);
  // A failure is told by the store's own message box.
  ledmatrix::StoreMatrixStringButton_Click(Module());
}

void frmLEDMatrixData::ReadDeviceString() {
  SetStatus({});
  {
    shell::TransferGuard guard(*this, busy_);
    ledmatrix::GetMatrixStringButton_Click(Module());
  }
  if (Module().DeviceFound == kTrue) {
    ShowInBox(Module().MatrixString);
    return;
  }
  // The blocks that did arrive lie over the image: encode it again from the
  // box, so that "Store" sends what the box shows.
  static_cast<void>(ApplyText(BoxMatrixText()));
  Module().Ui().Beep();
  SetStatus(QStringLiteral("Read Error!"));
}

void frmLEDMatrixData::ShowInBox(const std::string& matrixText) {
  settingText_ = true;
  ledText_->setPlainText(FromUtf8(MatrixTextToBoxText(matrixText)));
  ledText_->moveCursor(QTextCursor::End);
  settingText_ = false;
  LEDText_Change();
}

std::string frmLEDMatrixData::BoxMatrixText() const {
  return BoxTextToMatrixText(ledText_->document()->toRawText().toStdString());
}

void frmLEDMatrixData::SetStatus(const QString& text) {
  status_ = text;
  ShowLineUnderBox();
}

void frmLEDMatrixData::ShowLineUnderBox() {
  // A transfer's outcome or a refusal comes first; otherwise the first code
  // that does not match the legend.
  statusText_->setText(status_.isEmpty() ? FromUtf8(firstProblem_) : status_);
  countText_->setText(QStringLiteral("%1 of %2 characters").arg(characters_).arg(kMatrixCapacity));
}

}  // namespace nimbo::ledmatrix::gui
