#pragma once

#include "app/Mainwindow1.h"

namespace tarnick {

// The entry's steps after the application object exists: the main window,
// the message loop, and one error box for whatever escapes (a missing
// profile.txt: no window is ever shown). Always answers 0.
int RunEntry(TMainFormOptions options = {});

}  // namespace tarnick
