#include "app/Entry.h"
#include "toolkit/Application.h"

int main(int argc, char** argv) {
  tarnick::TApplication app(argc, argv);
  app.SetTitle("Tarnick");
  // Qt has taken its own options out of argv. The rest stays bytes: Qt's
  // list of them is decoded text, which loses a name that is no UTF-8.
  tarnick::TMainFormOptions options;
  options.Arguments = std::vector<std::string>(argv + 1, argv + argc);
  return tarnick::RunEntry(std::move(options));
}
