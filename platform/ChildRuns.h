#pragma once

#include <string>
#include <vector>

class QProcess;

namespace tarnick {

// Makes a process about to be started end when this program ends, even
// when the program is killed outright (parent-death signal on Linux).
void EndWithProgram(QProcess& process);

// Sets what `process` runs: `program` with `arguments`, handed to the
// child byte for byte. A Linux path is bytes, not always UTF-8, and
// QProcess would pass its text through a codec that mangles what is not.
// The process also ends with this program, as with EndWithProgram.
void SetChildCommand(QProcess& process, const std::string& program,
                     const std::vector<std::string>& arguments);

}  // namespace tarnick
