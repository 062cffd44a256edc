// The LED matrix window against the simulated device: what it shows, what
// each edit does to the image, and what reaches the device.
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>
#include <memory>
#include <span>
#include <tuple>
#include <vector>

#include "ledmatrix/MatrixString.h"
#include "ledmatrix/MatrixTransfer.h"
#include "ledmatrix/gui/frmLEDMatrixData.h"
#include "support/SimulatedRig.h"
#include "support/WindowHelpers.h"

using nimbo::kFalse;
using nimbo::kTrue;
using nimbo::ledmatrix::gui::frmLEDMatrixData;
using nimbo::test::CloseFromFrame;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::size_t kDeviceCopyStart = 0x2000 * 2;  // device address 0x2000, in bytes
constexpr std::size_t kTransferBytes = 1536;
constexpr int kBlock5Address = 0x2000 + 5 * 32;

}  // namespace

class frmLEDMatrixDataTest : public QObject, nimbo::test::WindowFixture<frmLEDMatrixData> {
  Q_OBJECT

 private:
  nimbo::NIMBOmodule& Module() { return rig_->module; }
  std::span<std::uint8_t> DeviceCopy() {
    return rig_->device.Memory().subspan(kDeviceCopyStart, kTransferBytes);
  }
  // The device holds `codes` as its string; the bytes after the image carry
  // a pattern of their own.
  void SetDeviceString(const Bytes& codes) {
    for (std::size_t i = 0; i < kTransferBytes; ++i) {
      DeviceCopy()[i] = i < 768 ? 0 : static_cast<std::uint8_t>(i * 5 + 3);
    }
    for (std::size_t i = 0; i < codes.size(); ++i) {
      DeviceCopy()[2 * i] = codes[i];
      DeviceCopy()[2 * i + 1] = 0x34;
    }
  }
  void FailReadsOfBlock5() {
    rig_->device.AddFault({nimbo::sim::Fault::Refuse, "RM", kBlock5Address, -1});
  }
  Bytes Image() const {
    const auto& image = rig_->module.MemoryImage;
    return {image.begin(), image.begin() + kTransferBytes};
  }
  int Frames(const char* command) const { return rig_->SentFrames(command); }
  QPlainTextEdit* Box() const { return Find<QPlainTextEdit>("LEDText"); }
  QString BoxText() const { return Box()->document()->toRawText(); }
  QString Line() const { return Find<QLabel>("Status_txt")->text(); }
  int SliderMax() const { return Find<QSlider>("LEDSlider")->maximum(); }
  void Click(const char* button) { Find<QPushButton>(button)->click(); }

 private slots:
  void init() {
    rig_ = std::make_unique<nimbo::test::SimulatedRig>();
    rig_->device.LoadFactoryContents();
    navigator_.unloads = 0;
  }
  void cleanup() {
    window_.reset();
    rig_.reset();
  }

  // The box shows the device's string; CR LF as a line break, lone CRs and
  // LFs and other control characters as their pictures. MatrixString, the
  // slider and the image agree with it, and storing it untouched changes
  // nothing on the device.
  void openingShowsTheDeviceString() {
    SetDeviceString(
        {'%', 'S', '5', 0x0D, 0x0A, 'B', 0x0D, 'C', 0x0A, 0x7F, 0xA0, 0x09, 0x81, 0x80});
    const Bytes device(DeviceCopy().begin(), DeviceCopy().end());
    Open();

    QCOMPARE(BoxText(), QString::fromUtf8("%S5\u2029B\u240DC\u240A\u2421\u00A0\t\u0081\u20AC"));
    QCOMPARE(Module().DeviceFound, kTrue);
    QCOMPARE(Module().MatrixString, std::string("%S5\r\nB\rC\n\x7F\u00A0\t\u0081\u20AC"));
    QCOMPARE(SliderMax(), 15);
    QCOMPARE(Find<QLabel>("Count_txt")->text(), QString("14 of 384 characters"));
    QCOMPARE(Image(), device);
    QCOMPARE(Line(), QString());
    QCOMPARE(rig_->ui.beeps, 0);

    Click("StoreMatrixStringButton");
    QVERIFY(rig_->ui.messages.empty());
    QCOMPARE(Frames("WM"), 24);
    QCOMPARE(Bytes(DeviceCopy().begin(), DeviceCopy().end()), device);

    // "Get" shows what the device holds, over an edit that was not stored.
    const QString shown = BoxText();
    Box()->setPlainText("not stored");
    Click("GetMatrixStringButton");
    QCOMPARE(BoxText(), shown);
  }

  void failedReadLeavesBoxAndImageAgreeing_data() {
    QTest::addColumn<bool>("atOpening");
    QTest::addColumn<QString>("expected");
    // The box stays empty; the image is that of the empty text, not blocks 0..4.
    QTest::newRow("opening") << true << "";
    // The box keeps the edited text; the image is encoded from it again.
    QTest::newRow("Get button") << false << "Edited %F1";
  }

  void failedReadLeavesBoxAndImageAgreeing() {
    QFETCH(bool, atOpening);
    QFETCH(QString, expected);
    SetDeviceString({'D', 'E', 'V', 'I', 'C', 'E', ' ', 'T', 'E', 'X', 'T'});
    if (atOpening) {
      FailReadsOfBlock5();
      Create();
      QVERIFY(window_->Form_Load());
    } else {
      Open();
      Box()->setPlainText(expected);
      FailReadsOfBlock5();
      Click("GetMatrixStringButton");
    }

    QCOMPARE(Frames("RM") - (atOpening ? 0 : 24), 5 + 10);  // blocks 0..4, ten tries of 5
    QCOMPARE(BoxText(), expected);
    QCOMPARE(Module().DeviceFound, kFalse);
    QCOMPARE(QString::fromStdString(Module().MatrixString), expected);
    QCOMPARE(QString::fromStdString(nimbo::ledmatrix::DecodeMatrixString(Module())), expected);
    const Bytes image = Image();
    QVERIFY(std::all_of(image.begin() + 2 * expected.size(), image.begin() + 768,
                        [](std::uint8_t b) { return b == 0; }));
    QCOMPARE(SliderMax(), static_cast<int>(expected.size()) + 1);
    QCOMPARE(rig_->ui.beeps, 1);
    QCOMPARE(Line(), QString("Read Error!"));
    QVERIFY(rig_->ui.messages.empty());

    // What "Store" now sends is what the box shows.
    rig_->device.ClearFaults();
    Click("StoreMatrixStringButton");
    nimbo::ledmatrix::GetMatrixStringButton_Click(Module());
    QCOMPARE(QString::fromStdString(Module().MatrixString), expected);
  }

  void typingAtTheEndChangesOnlyItsCell() {
    SetDeviceString({'A', 'B', 'C', '%', 'S', '5'});
    Open();
    const int i = 6;
    const Bytes before = Image();
    Box()->setFocus();

    QTest::keyClick(Box(), 'x');

    QCOMPARE(BoxText(), QString("ABC%S5x"));
    QCOMPARE(SliderMax(), i + 2);
    QCOMPARE(Module().MatrixString, std::string("ABC%S5x"));
    Bytes expected = before;
    expected[2 * i] = 'x';
    expected[2 * i + 1] = 0x34;
    QCOMPARE(Image(), expected);
    QCOMPARE(Find<QLabel>("Count_txt")->text(), QString("7 of 384 characters"));

    // A lone % is taken as typed; the line under the box says what is wrong
    // and the highlighter marks it apart from the well-formed code.
    QTest::keyClick(Box(), '%');
    QCOMPARE(Module().MatrixString, std::string("ABC%S5x%"));
    QCOMPARE(Line(), QString("% at 8 ends the text without a code (%% shows a single %)"));
    QCOMPARE(rig_->ui.beeps, 0);
    std::vector<std::tuple<int, int, bool>> marked;
    for (const QTextLayout::FormatRange& range :
         Box()->document()->firstBlock().layout()->formats()) {
      marked.emplace_back(range.start, range.length,
                          range.format.underlineStyle() == QTextCharFormat::WaveUnderline);
    }
    QCOMPARE(marked, (std::vector<std::tuple<int, int, bool>>{{3, 3, false}, {7, 1, true}}));
  }

  void refusedEditLeavesTextAndImage_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("paste");  // else typed
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("reason");
    const QString has385 = "holds at most 384 characters; this text has 385.";
    QTest::newRow("paste past 384") << QString(380, 'a') << true << "bcdef" << has385;
    QTest::newRow("typed at 384") << QString(384, 'a') << false << "b" << has385;
    QTest::newRow("paste with a character without code")
        << "Hi" << true << QString::fromUtf8("a\u2192b") << "(U+2192)";
    QTest::newRow("paste of the picture of code 0")
        << "Hi" << true << QString::fromUtf8("\u2400") << "(U+0000)";
  }

  void refusedEditLeavesTextAndImage() {
    QFETCH(QString, start);
    QFETCH(bool, paste);
    QFETCH(QString, input);
    QFETCH(QString, reason);
    Open();
    Box()->setPlainText(start);
    Box()->moveCursor(QTextCursor::End);
    const Bytes image = Image();
    const std::string matrixString = Module().MatrixString;
    const int sliderMax = SliderMax();

    if (paste) {
      QGuiApplication::clipboard()->setText(input);
      Box()->paste();
    } else {
      QTest::keyClicks(Box(), input);
    }

    QCOMPARE(BoxText(), start);
    QCOMPARE(Image(), image);
    QCOMPARE(Module().MatrixString, matrixString);
    QCOMPARE(SliderMax(), sliderMax);
    QCOMPARE(rig_->ui.beeps, 1);
    QVERIFY2(Line().contains(reason), qPrintable(Line()));

    // The next accepted edit clears the reason.
    Box()->setPlainText("ok");
    QCOMPARE(Line(), QString());
  }

  void nothingActsWhileATransferRuns_data() {
    QTest::addColumn<bool>("duringOpening");
    QTest::newRow("opening read") << true;
    QTest::newRow("store") << false;
  }

  // Both transfers run under the transfer guard, and a press that passes it
  // by (a screen reader's action) or a close from the frame while one runs
  // changes nothing, on the device or in the box.
  void nothingActsWhileATransferRuns() {
    QFETCH(bool, duringOpening);
    Module().OpenLink();  // the link head lets events run before the window's own loading
    Create();
    if (!duringOpening) {
      QVERIFY(window_->Form_Load());
      rig_->device.ClearTrace();
    }
    const Bytes device(DeviceCopy().begin(), DeviceCopy().end());
    bool busy = false;
    rig_->ui.onProcessEvents = [&] {  // the transfer's yields, where window events run
      if (window_->Busy()) {
        busy = true;
        Click("GetMatrixStringButton");
        Click("StoreMatrixStringButton");
        CloseFromFrame(window_.get());
      }
    };
    if (duringOpening) {
      QVERIFY(window_->Form_Load());
    } else {
      Click("StoreMatrixStringButton");
    }

    QVERIFY(busy);
    QCOMPARE(Frames("WM"), duringOpening ? 0 : 24);
    QCOMPARE(Frames("RM"), 24);  // the read, or the store's verifies
    QCOMPARE(Bytes(DeviceCopy().begin(), DeviceCopy().end()), device);
    QCOMPARE(BoxText(), QString("NIMBO"));
    QVERIFY(!window_->Busy());
    QVERIFY(!window_->Unloaded());
    QCOMPARE(navigator_.unloads, 0);
  }
};

QTEST_MAIN(frmLEDMatrixDataTest)
#include "frmLEDMatrixDataTest.moc"
