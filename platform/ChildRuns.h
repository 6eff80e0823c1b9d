#pragma once

class QProcess;

namespace tarnick {

// Makes a process about to be started end when this program ends, even
// when the program is killed outright (parent-death signal on Linux).
void EndWithProgram(QProcess& process);

}  // namespace tarnick
