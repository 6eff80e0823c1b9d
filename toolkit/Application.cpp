#include "toolkit/Application.h"

#include "engine/Exception.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Graphics.h"

namespace tarnick {

namespace {
std::string& Title() {
  static std::string title = "Tarnick";
  return title;
}

// The first byte of the text's last UTF-8 character.
unsigned char LastCharLead(const std::string& s) {
  size_t i = s.size() - 1;
  while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) --i;
  return static_cast<unsigned char>(s[i]);
}
}  // namespace

const std::string& ApplicationTitle() {
  return Title();
}
void SetApplicationTitle(const std::string& title) {
  Title() = title;
}

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && LastCharLead(message) > static_cast<unsigned char>('.'))
    return message + ".";
  return message;
}

void ShowErrorBox(const std::string& message) {
  MessageBox(ErrorBoxText(message), ApplicationTitle(), MB_OK | MB_ICONSTOP);
}

void ShowException(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const Exception& e) {
    ShowErrorBox(e.Message());
  } catch (...) {
    ShowErrorBox("");
  }
}

bool RunGuarded(const std::function<bool()>& handling) {
  try {
    return handling();
  } catch (...) {
    ShowException(std::current_exception());
    return false;
  }
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  InstallFontSubstitutes();
  SetTitle("Tarnick");
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  return RunGuarded([&] { return QApplication::notify(receiver, event); });
}

void TApplication::SetTitle(const std::string& title) {
  SetApplicationTitle(title);
  setApplicationName(QString::fromStdString(title));
  setApplicationDisplayName(QString::fromStdString(title));
}

void TApplication::ProcessMessages() {
  QCoreApplication::processEvents();
}

}  // namespace tarnick
