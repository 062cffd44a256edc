#include "shell/frmAbout.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

#include "shell/Artwork.h"
#include "shell/WorkingWindow.h"

namespace nimbo::shell {
namespace {

// Positions follow the window's design at 15 twips per pixel.
constexpr int kClientWidth = 382;   // 5730 twips
constexpr int kClientHeight = 237;  // 3555 twips

QFont BoldLabelFont() {
  QFont font;
  font.setPointSizeF(9.75);
  font.setBold(true);
  return font;
}

// One of the two lines of the etched separator.
void AddSeparatorLine(QWidget* parent, int left, int y, const QColor& colour) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::NoFrame);
  line->setAutoFillBackground(true);
  QPalette palette = line->palette();
  palette.setColor(QPalette::Window, colour);
  line->setPalette(palette);
  line->setGeometry(left, y, 377 - left, 1);
}

}  // namespace

QString DriverSoftwareLine(const QString& versionText) {
  return QStringLiteral("Driver Software v") + versionText;
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  // No caption text: an empty title would be replaced by the program name
  // on the title bar, a lone blank shows nothing.
  setWindowTitle(QStringLiteral(" "));
  setAccessibleName(QStringLiteral("About"));  // what a screen reader says for the blank
  setModal(true);
  setFixedSize(kClientWidth, kClientHeight);

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setPixmap(AboutLogo());
  Image1->setGeometry((kClientWidth - 360) / 2, 0, 360, 120);

  About2 = new QLabel(QStringLiteral("Driver software v1.00"), this);
  About2->setObjectName(QStringLiteral("About2"));
  About2->setFont(BoldLabelFont());
  About2->setAlignment(Qt::AlignCenter);
  About2->setGeometry(82, 88, 219, 22);
  About2->setText(DriverSoftwareLine(VersionText()));

  AddSeparatorLine(this, 6, 147, QColor(0x80, 0x80, 0x80));
  AddSeparatorLine(this, 7, 148, QColor(0xFF, 0xFF, 0xFF));

  About3 = new QLabel(QStringLiteral("NIMBO device settings editor.\n"
                                     "Free to use; no warranty."),
                      this);
  About3->setObjectName(QStringLiteral("About3"));
  About3->setFont(BoldLabelFont());
  About3->setWordWrap(false);
  About3->setGeometry(16, 170, 241, 47);

  AboutButton = new QPushButton(QStringLiteral("OK"), this);
  AboutButton->setObjectName(QStringLiteral("AboutButton"));
  AboutButton->setDefault(true);
  AboutButton->setAutoDefault(true);
  AboutButton->setGeometry(283, 182, 84, 23);
  // QDialog already closes on Esc: together with the default button this
  // makes OK the default and the cancel button.
  connect(AboutButton, &QPushButton::clicked, this, &QDialog::accept);
}

QString frmAbout::VersionLine() const {
  return About2->text();
}
QString frmAbout::NoticeText() const {
  return About3->text();
}

}  // namespace nimbo::shell
