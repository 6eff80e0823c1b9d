#include "toolkit/Dialogs.h"

#include <QApplication>
#include <QMessageBox>

#include "toolkit/Application.h"

namespace tarnick {

namespace {
MessageBoxHandler& BoxHandler() {
  static MessageBoxHandler h;
  return h;
}
BeepHandler& BeepHook() {
  static BeepHandler h;
  return h;
}

int RealMessageBox(const MessageBoxCall& call) {
  QMessageBox box;
  box.setWindowTitle(QString::fromStdString(call.Caption));
  box.setText(QString::fromStdString(call.Text));
  switch (call.Flags & 0xF0) {
    case MB_ICONSTOP:
      box.setIcon(QMessageBox::Critical);
      break;
    case MB_ICONQUESTION:
      box.setIcon(QMessageBox::Question);
      break;
    case MB_ICONEXCLAMATION:
      box.setIcon(QMessageBox::Warning);
      break;
    case MB_ICONINFORMATION:
      box.setIcon(QMessageBox::Information);
      break;
    default:
      box.setIcon(QMessageBox::NoIcon);
      break;
  }
  switch (call.Flags & 0x0F) {
    case MB_OKCANCEL:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case MB_YESNO:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
    default:
      box.setStandardButtons(QMessageBox::Ok);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Cancel:
      return IDCANCEL;
    case QMessageBox::Yes:
      return IDYES;
    case QMessageBox::No:
      return IDNO;
    default:
      return IDOK;
  }
}
}  // namespace

int MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  const MessageBoxCall call{text, caption, flags};
  if (BoxHandler()) return BoxHandler()(call);
  return RealMessageBox(call);
}

void ShowMessage(const std::string& text) {
  MessageBox(text, ApplicationTitle(), MB_OK);
}

void MessageBeep(unsigned kind) {
  if (BeepHook()) {
    BeepHook()(kind);
    return;
  }
  QApplication::beep();
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  MessageBoxHandler old = std::move(BoxHandler());
  BoxHandler() = std::move(handler);
  return old;
}

BeepHandler SetBeepHandler(BeepHandler handler) {
  BeepHandler old = std::move(BeepHook());
  BeepHook() = std::move(handler);
  return old;
}

DialogRecorder::DialogRecorder(int answer) : Answer(answer) {
  FOldBox = SetMessageBoxHandler([this](const MessageBoxCall& c) {
    Boxes.push_back(c);
    return Answer;
  });
  FOldBeep = SetBeepHandler([this](unsigned k) { Beeps.push_back(k); });
}

DialogRecorder::~DialogRecorder() {
  SetMessageBoxHandler(std::move(FOldBox));
  SetBeepHandler(std::move(FOldBeep));
}

}  // namespace tarnick
