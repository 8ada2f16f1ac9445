// The product as the installer leaves it, in this test's own prefix: what
// the installed suites share.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "service/process/tests/wine_test_support.h"

namespace tb::installed {

// Where the installer puts the service and its files.
inline const std::string kProduct = "C:\\Program Files\\Tamberly\\";

std::string temporary(const std::string& name);

// Runs the installer with the build's programs and the sample lists, once
// per test process; later calls give the first run's outcome. The time
// component is pointed at a loopback port where nothing answers.
const testing::ProgramRun& installProduct();

// The daytime server the time component asks at its next start.
void setDaytimePort(DWORD port);

std::vector<unsigned long> serverProcesses();
// WM_QUIT to the service's threads: it saves and ends. False when a service
// did not end within 30 seconds.
bool endService();

}  // namespace tb::installed
