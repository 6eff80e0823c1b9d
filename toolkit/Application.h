#pragma once

#include <QApplication>

#include <exception>
#include <functional>
#include <string>

namespace tarnick {

// The program's title: the taskbar text and the caption of every message
// box. "Tarnick" unless set otherwise.
const std::string& ApplicationTitle();
void SetApplicationTitle(const std::string& title);

// The error box's text for a message: "." is appended when the message is
// not empty and its last character orders after "." (a Japanese message
// always gets one).
std::string ErrorBoxText(const std::string& message);

// Shows the error box: stop icon, one OK button, caption = the title.
void ShowErrorBox(const std::string& message);
// Shows a caught exception in the error box: the program's own error with
// its message, anything else with an empty text.
void ShowException(std::exception_ptr error);

// Runs an event's handling; an exception escaping it is shown in the error
// box and the answer is false. The message loop goes on afterwards.
bool RunGuarded(const std::function<bool()>& handling);

// The application object: one per process, titled "Tarnick". Every event
// is delivered through RunGuarded, so an exception thrown by a handler is
// shown and the loop continues.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

  const std::string& Title() const { return ApplicationTitle(); }
  void SetTitle(const std::string& title);
  // Handles every pending event, then returns.
  static void ProcessMessages();
};

}  // namespace tarnick
