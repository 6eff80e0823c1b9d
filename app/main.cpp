#include <QCoreApplication>

#include <cstring>
#include <iostream>

#include "app/Entry.h"
#include "engine/PathStyle.h"
#include "platform/ProgramPlaces.h"
#include "toolkit/Application.h"

#ifndef TARNICK_VERSION
#define TARNICK_VERSION "unknown"
#endif

int main(int argc, char** argv) {
  // Answered before the window system is asked for, so it works anywhere.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::cout << "tarnick " << TARNICK_VERSION << "\n";
    return 0;
  }
  tarnick::TApplication app(argc, argv);
  app.SetTitle("Tarnick");
  tarnick::TMainFormOptions options;
  options.Places = tarnick::ChooseProgramPlaces(
      tarnick::ProgramFolderOf(tarnick::NativePathStyle,
                               QCoreApplication::applicationFilePath().toStdString()),
      tarnick::UserFolders::FromProcess());
  // Qt has taken its own options out of argv. The rest stays bytes: Qt's
  // list of them is decoded text, which loses a name that is no UTF-8.
  options.Arguments = std::vector<std::string>(argv + 1, argv + argc);
  return tarnick::RunEntry(std::move(options));
}
