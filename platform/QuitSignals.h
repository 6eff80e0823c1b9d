#pragma once

#include <functional>

namespace tarnick {

// Turns a request to end the program from outside (SIGTERM, SIGHUP, SIGINT)
// into a call on the user-interface thread, made while events are handled,
// so the program can stop its encoder and close its windows properly instead
// of dying with a child still writing. Installing again replaces the call;
// an empty one puts the default actions back.
void InstallQuitSignalHandler(std::function<void()> onQuit);

}  // namespace tarnick
