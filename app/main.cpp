#include <exception>

#include "app/Mainwindow1.h"
#include "toolkit/Application.h"

// The entry: the application object, the main window, the message loop.
// Whatever escapes is shown once in the error box; the exit code is 0.
int main(int argc, char** argv) {
  tarnick::TApplication app(argc, argv);
  app.SetTitle("Tarnick");
  try {
    tarnick::TMainForm1 form;
    form.show();
    app.exec();
  } catch (...) {
    tarnick::ShowException(std::current_exception());
  }
  return 0;
}
