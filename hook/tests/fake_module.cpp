// An empty DLL. The hook tests load copies of it under browser-like names
// (NETSCAPE.EXE, opera.dll, ...) and create windows with their instances.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
