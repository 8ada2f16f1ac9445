// tbhook32.exe: installs the 32-bit watch hook for a 64-bit filtering
// service and follows its filter switch until the service ends, however it
// ends (hook_companion.h).
#include <windows.h>

#include <cstdlib>

#include "hook/hook_companion.h"
#include "hook/tbhook.h"

namespace {

LRESULT CALLBACK companionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == tb::hook::kCompanionFilterMessage) {
        THFilterOn(wParam != 0);
        return 0;
    }
    if (message == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND createCompanionWindow(HINSTANCE instance) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = companionProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = tb::hook::kCompanionWindowClass;
    if (!RegisterClassW(&windowClass)) return nullptr;
    return CreateWindowExW(0, tb::hook::kCompanionWindowClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE,
                           nullptr, instance, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    char* rest = nullptr;
    const DWORD servicePid = std::strtoul(commandLine, &rest, 10);
    const bool filterOn = std::strtoul(rest, nullptr, 10) != 0;
    HANDLE service = servicePid ? OpenProcess(SYNCHRONIZE, FALSE, servicePid) : nullptr;
    if (!service) return 2;  // no service to follow: a hook of ours must not outlive it

    THFilterOn(filterOn);
    const bool hooked = THInitialize(nullptr) != 0;
    HWND window = createCompanionWindow(instance);
    int result = hooked && window ? 0 : 1;

    // Until the service has ended or asks us to go. The queue is looked at
    // before the first wait, which also tells a starter waiting for this
    // program to be idle that its window is there.
    for (;;) {
        MSG message;
        bool quit = false;
        while (!quit && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                quit = true;
            else
                DispatchMessageW(&message);
        }
        if (quit) break;
        if (MsgWaitForMultipleObjects(1, &service, FALSE, INFINITE, QS_ALLINPUT) !=
            WAIT_OBJECT_0 + 1)
            break;
    }
    if (window) DestroyWindow(window);
    THUninitialize();
    CloseHandle(service);
    return result;
}
