#include "tests/installed/installed_product.h"

#include "tools/browser_host/process_control.h"

namespace tb::installed {

using testing::ProgramRun;
using testing::runProgram;
using testing::windowsIs64Bit;
using testing::windowsPath;

std::string temporary(const std::string& name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + name;
}

namespace {

// The service's registry view: a 32-bit test on 64-bit Windows must not
// write into the 32-bit view, which the 64-bit service never reads.
bool openProductKey(HKEY* key) {
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quillmoor\\TamberlyIE", 0,
                         KEY_SET_VALUE | KEY_WOW64_64KEY, key) == ERROR_SUCCESS;
}

ProgramRun install() {
    // The setup program, silently, as a parent's script would run it.
    const std::string command = "\"" + windowsPath(TB_SETUP_PROGRAM) + "\" /S";
    const ProgramRun run = runProgram(command);
    // The time component asks a daytime server on loopback where none
    // answers, and so keeps the computer's time: never the public one.
    HKEY product = nullptr;
    if (openProductKey(&product)) {
        const char host[] = "127.0.0.1";
        RegSetValueExA(product, "TimeServerHost", 0, REG_SZ, reinterpret_cast<const BYTE*>(host),
                       sizeof host);
        RegCloseKey(product);
    }
    setDaytimePort(9);
    return run;
}

}  // namespace

const ProgramRun& installProduct() {
    static const ProgramRun run = install();
    return run;
}

void setDaytimePort(DWORD port) {
    HKEY product = nullptr;
    if (!openProductKey(&product)) return;
    RegSetValueExA(product, "TimeServerPort", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&port),
                   sizeof port);
    RegCloseKey(product);
}

std::vector<unsigned long> serverProcesses() {
    return host::processesNamed("tbserv.exe");
}

bool endService() {
    bool gone = true;
    host::endProcesses("tbserv.exe", host::EndMode::Orderly, 30000, &gone);
    return gone;
}

}  // namespace tb::installed
