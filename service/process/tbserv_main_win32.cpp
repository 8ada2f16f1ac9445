// tbserv.exe: the filtering service as a resident local server, or its
// registration (/RegServer, /UnregServer). Prints nothing.
#include <windows.h>
#include <objbase.h>

#include "common/com_holders.h"
#include "service/process/command_line.h"
#include "service/process/local_server_win32.h"
#include "service/process/service_object_win32.h"

namespace {

// The Windows 95 family keeps a registered service process across log-off
// and hides it from the task list; elsewhere the function does not exist.
void registerAsServiceProcess() {
    using RegisterServiceProcess = DWORD(WINAPI*)(DWORD, DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto reg = kernel ? reinterpret_cast<RegisterServiceProcess>(reinterpret_cast<void*>(
                            GetProcAddress(kernel, "RegisterServiceProcess")))
                      : nullptr;
    if (reg) reg(0, 1);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    registerAsServiceProcess();
    if (FAILED(CoInitialize(nullptr))) return 1;
    tb::ServiceProcess& process = tb::serviceProcess();
    process.module = instance;
    process.mainThreadId = GetCurrentThreadId();
    process.usingProxy = tb::readUsingProxy();

    int result = 0;
    switch (tb::parseCommandLine(GetCommandLineA())) {
        case tb::ServiceCommand::RegServer:
            result = static_cast<int>(tb::registerServer(instance, process.usingProxy));
            break;
        case tb::ServiceCommand::UnregServer:
            result = static_cast<int>(tb::unregisterServer(instance, process.usingProxy));
            break;
        case tb::ServiceCommand::Run: {
            std::unique_ptr<tb::ServiceObject> service = tb::createServiceObject();
            result = tb::runResidentService(*service);
            break;
        }
    }
    CoUninitialize();
    return result;
}
