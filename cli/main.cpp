#include <QCoreApplication>

#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define STDOUT_FILENO 1
#define STDERR_FILENO 2
#else
#include <unistd.h>
#endif

#include "cli/CliApp.h"
#include "engine/PathStyle.h"
#include "platform/ProgramPlaces.h"

int main(int argc, char** argv) {
  // The process launcher and the program folder come from Qt's core.
  QCoreApplication app(argc, argv);

  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  const std::string programFolder = tarnick::ProgramFolderOf(
      tarnick::NativePathStyle, QCoreApplication::applicationFilePath().toStdString());

  tarnick::CliEnvironment env{
      tarnick::ChooseProgramPlaces(programFolder, tarnick::UserFolders::FromProcess()), std::cout,
      std::cerr, isatty(STDOUT_FILENO) == 1, isatty(STDERR_FILENO) == 1};
  return tarnick::RunCli(args, env);
}
