// Ending other programs of the session, as the user or the system would:
// in order (WM_QUIT to each of the program's threads, as at log-off), by a
// crash (the program stops where it is, without saving, and the system
// cleans up after it), or by force (as the task manager's End Process does).
#pragma once

#include <string>
#include <vector>

namespace tb::host {

enum class EndMode { Orderly, Crash, Force };

// The ids of the running processes of that file name ("tbserv.exe").
std::vector<unsigned long> processesNamed(const std::string& exeName);

// Every running process of that file name ended and gone within timeoutMs;
// the number of processes found.
int endProcesses(const std::string& exeName, EndMode mode, unsigned long timeoutMs, bool* allGone);

// A crash is started by a thread of the target's own, which a program can
// only make in a process of its own bitness. For a target of the other
// bitness the crash is handed to this program (a host of that bitness, run
// as `<program> --crash-process=<id>`); without one it becomes a kill.
void setOtherBitnessHost(const std::string& program);

// The other side of that hand-over: crashes process `id`; false when it
// could not.
bool crashProcess(unsigned long id);

}  // namespace tb::host
