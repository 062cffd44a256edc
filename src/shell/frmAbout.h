// The about box: logo, the version line, a two-line notice and an OK button.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace nimbo::shell {

class frmAbout final : public QDialog {
  Q_OBJECT

 public:
  explicit frmAbout(QWidget* parent = nullptr);

  QString VersionLine() const;
  QString NoticeText() const;

 private:
  QLabel* Image1 = nullptr;
  QLabel* About2 = nullptr;  // the version line
  QLabel* About3 = nullptr;  // the notice
  QPushButton* AboutButton = nullptr;
};

// "Driver Software v" followed by the version in the window-title form.
QString DriverSoftwareLine(const QString& versionText);

}  // namespace nimbo::shell
