#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tarnick {

// MessageBox flags and answers, as the platform numbers them.
inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_OKCANCEL = 0x1;
inline constexpr unsigned MB_YESNO = 0x4;
inline constexpr unsigned MB_ICONSTOP = 0x10;
inline constexpr unsigned MB_ICONHAND = MB_ICONSTOP;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x30;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

struct MessageBoxCall {
  std::string Text;
  std::string Caption;
  unsigned Flags = 0;
};

// A modal message box; answers the button pressed.
int MessageBox(const std::string& text, const std::string& caption, unsigned flags);
// The plain message dialog: no icon, one OK button, captioned with the
// application title.
void ShowMessage(const std::string& text);
// MessageBeep(0) and its kin.
void MessageBeep(unsigned kind = 0);

// Tests (and anything that must not block) replace the real dialogs; an
// empty handler restores them. The box handler answers the pressed button.
using MessageBoxHandler = std::function<int(const MessageBoxCall&)>;
using BeepHandler = std::function<void(unsigned)>;
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
BeepHandler SetBeepHandler(BeepHandler handler);

// Records every box and beep while it lives, answering each box with
// `answer`; the previous handlers come back when it ends.
class DialogRecorder {
 public:
  explicit DialogRecorder(int answer = IDOK);
  ~DialogRecorder();
  DialogRecorder(const DialogRecorder&) = delete;
  DialogRecorder& operator=(const DialogRecorder&) = delete;

  std::vector<MessageBoxCall> Boxes;
  std::vector<unsigned> Beeps;
  int Answer;

 private:
  MessageBoxHandler FOldBox;
  BeepHandler FOldBeep;
};

}  // namespace tarnick
