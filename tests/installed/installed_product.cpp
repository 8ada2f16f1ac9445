#include "tests/installed/installed_product.h"

#include "tools/browser_host/process_control.h"

namespace tb::installed {

using testing::ProgramRun;
using testing::runProgram;
using testing::windowsPath;

std::string temporary(const std::string& name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + name;
}

namespace {

ProgramRun install() {
    const std::string stage = temporary("tb_files"), lists = temporary("tb_lists");
    CreateDirectoryA(stage.c_str(), nullptr);
    CreateDirectoryA(lists.c_str(), nullptr);
    CopyFileA(windowsPath(TB_TBSERV_EXE).c_str(), (stage + "\\tbserv.exe").c_str(), FALSE);
    CopyFileA(windowsPath(TB_TBHOOK_DLL).c_str(), (stage + "\\tbhook.dll").c_str(), FALSE);
    CopyFileA(windowsPath(TB_TBTIME_DLL).c_str(), (stage + "\\tbtime.dll").c_str(), FALSE);
    CopyFileA(windowsPath(TB_TBHELP_DLL).c_str(), (stage + "\\tbhelp.dll").c_str(), FALSE);
    const std::string samples = windowsPath(TB_SAMPLE_DATA_DIR) + "\\";
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((samples + "*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const bool page = name.size() > 4 && name.substr(name.size() - 4) == ".htm";
        CopyFileA((samples + name).c_str(), ((page ? stage : lists) + "\\" + name).c_str(), FALSE);
    }
    FindClose(search);
    const ProgramRun run = runProgram("\"" + windowsPath(TB_TBINSTALL_EXE) + "\" --files=" + stage +
                                      " --lists=" + lists);
    // The time component asks a daytime server on loopback where none
    // answers, and so keeps the computer's time: never the public one.
    HKEY product = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quillmoor\\TamberlyIE", 0, KEY_SET_VALUE,
                      &product) == ERROR_SUCCESS) {
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
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quillmoor\\TamberlyIE", 0, KEY_SET_VALUE,
                      &product) != ERROR_SUCCESS)
        return;
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
