// The controls of the flasher window and their places: the decoration picture
// and the device name at the top, the status line, and one row that holds
// either the buttons of the current state or the progress bar.
#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>

#include "flasher/gui/frmFlasher.h"
#include "shell/Artwork.h"

namespace nimbo::flasher::gui {

namespace {

// Designed in twips; 15 twips make a pixel at 96 dots per inch.
constexpr int Px(int twips) {
  return (twips + 7) / 15;
}

QRect Twips(int left, int top, int width, int height) {
  return {Px(left), Px(top), Px(width), Px(height)};
}

struct ButtonDesign {
  const char* caption;
  QRect place;
};

const std::array<ButtonDesign, frmFlasher::kButtonCount>& ButtonDesigns() {
  static const std::array<ButtonDesign, frmFlasher::kButtonCount> designs{{
      {"Find Device", Twips(1560, 3240, 1815, 495)},
      {"Flash Device", Twips(773, 3240, 1455, 495)},
      {"Abort Flash", Twips(2813, 3240, 1455, 495)},
      {"Ok!", Twips(1980, 3240, 1080, 495)},
      {"Read Flash", Twips(1613, 1080, 1815, 495)},
  }};
  return designs;
}

const QSize kClientSize{Px(5040), Px(3960)};
const QRect kProgressBarPlace = Twips(1260, 3270, 2535, 435);
const QRect kPicturePlace{(Px(5040) - 96) / 2, 12, 96, 96};
const QRect kDeviceNamePlace{0, 116, Px(5040), 22};
const QRect kStatusTextPlace{0, 168, Px(5040), 24};

QAction* RadioItem(QMenu* menu, QActionGroup* group, const char* caption, const char* name) {
  QAction* item = menu->addAction(QString::fromLatin1(caption));
  item->setObjectName(QString::fromLatin1(name));
  item->setCheckable(true);
  group->addAction(item);
  return item;
}

}  // namespace

void frmFlasher::BuildControls() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  client->setFixedSize(kClientSize);
  setCentralWidget(client);

  Picture1 = new QLabel(client);
  Picture1->setObjectName(QStringLiteral("Picture1"));
  Picture1->setPixmap(shell::FlasherPicture());
  Picture1->setGeometry(kPicturePlace);

  DeviceName = new QLabel(client);
  DeviceName->setObjectName(QStringLiteral("DeviceName"));
  DeviceName->setAlignment(Qt::AlignCenter);
  QFont nameFont = DeviceName->font();
  nameFont.setBold(true);
  DeviceName->setFont(nameFont);
  DeviceName->setGeometry(kDeviceNamePlace);

  StatusText = new QLabel(client);
  StatusText->setObjectName(QStringLiteral("StatusText"));
  StatusText->setAlignment(Qt::AlignCenter);
  StatusText->setGeometry(kStatusTextPlace);

  for (int index = 0; index < kButtonCount; ++index) {
    const ButtonDesign& design = ButtonDesigns()[static_cast<std::size_t>(index)];
    auto* button = new QPushButton(QString::fromLatin1(design.caption), client);
    button->setObjectName(QStringLiteral("Button%1").arg(index));
    button->setGeometry(design.place);
    button->hide();
    connect(button, &QPushButton::clicked, this, [this, index] { Button_Click(index); });
    Button[static_cast<std::size_t>(index)] = button;
  }

  ProgressBar = new QProgressBar(client);
  ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
  ProgressBar->setToolTip(QStringLiteral("This bar shows the current progress of an operation."));
  ProgressBar->setGeometry(kProgressBarPlace);
  ProgressBar->setTextVisible(false);
  ProgressBar->setAccessibleName(QStringLiteral("Flash progress"));  // it has no caption
  ProgressBar->hide();

  BuildOptionsMenu();
  setFixedSize(sizeHint());
}

void frmFlasher::BuildOptionsMenu() {
  // "Options" sits between "Function" and "Help"; mnemonic marks as there.
  mnuOptions = new QMenu(QStringLiteral("&Options"), this);
  mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
  menuBar()->insertMenu(HelpMenu()->menuAction(), mnuOptions);

  QMenu* firmware = mnuOptions->addMenu(QStringLiteral("&Firmware"));
  firmware->setObjectName(QStringLiteral("mnuFirmwareType"));
  auto* firmwareGroup = new QActionGroup(this);
  mnuFWDefault = RadioItem(firmware, firmwareGroup, "&Default", "mnuFWDefault");
  mnuFWCustom = RadioItem(firmware, firmwareGroup, "&Choose Custom", "mnuFWCustom");

  QMenu* reset = mnuOptions->addMenu(QStringLiteral("&LED Matrix String Reset"));
  reset->setObjectName(QStringLiteral("mnuLEDReset"));
  auto* resetGroup = new QActionGroup(this);
  mnuLEDResetNo = RadioItem(reset, resetGroup, "&No", "mnuLEDResetNo");
  mnuLEDResetYes = RadioItem(reset, resetGroup, "&Yes", "mnuLEDResetYes");

  mnuFWDefault->setChecked(true);
  mnuLEDResetNo->setChecked(true);
}

}  // namespace nimbo::flasher::gui
