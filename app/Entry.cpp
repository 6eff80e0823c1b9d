#include "app/Entry.h"

#include <QApplication>
#include <exception>

#include "toolkit/Application.h"

namespace tarnick {

int RunEntry(TMainFormOptions options) {
  try {
    TMainForm1 form(std::move(options));
    form.show();
    QApplication::exec();
  } catch (...) {
    ShowException(std::current_exception());
  }
  return 0;
}

}  // namespace tarnick
