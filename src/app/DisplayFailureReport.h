// Without a display, Qt ends a program in the application object's
// constructor with an abort (status 134) and a page about platform plugins.
// While a report lives, Qt's messages are held back; if no display can be
// reached, the program says so in one line on standard error and ends with
// status 1. Once the application object stands, the held messages go out as
// usual.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <vector>

namespace nimbo::app {

class DisplayFailureReport {
 public:
  DisplayFailureReport();
  ~DisplayFailureReport();
  DisplayFailureReport(const DisplayFailureReport&) = delete;
  DisplayFailureReport& operator=(const DisplayFailureReport&) = delete;

  struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
  };

 private:
  std::vector<HeldMessage> held_;
  QtMessageHandler previous_;
};

}  // namespace nimbo::app
