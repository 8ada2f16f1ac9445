// Ending other programs of the session, as the user or the system would:
// in order (WM_QUIT to each of the program's threads, as at log-off) or by
// force (as the task manager's End Process does).
#pragma once

#include <string>

namespace tb::host {

// Every running process of that file name ("tbserv.exe") ended and gone
// within timeoutMs; the number of processes found.
int endProcesses(const std::string& exeName, bool force, unsigned long timeoutMs, bool* allGone);

}  // namespace tb::host
