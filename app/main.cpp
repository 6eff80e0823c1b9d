#include "app/Entry.h"
#include "toolkit/Application.h"

int main(int argc, char** argv) {
  tarnick::TApplication app(argc, argv);
  app.SetTitle("Tarnick");
  return tarnick::RunEntry();
}
