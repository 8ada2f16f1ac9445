// A stand-in for a browser the hook is meant to close: it serves DDE under
// its service name with the topic "WWW_Exit", creates a named top-level
// window and exits when the item "WWW_Exit" is poked. Built once per
// browser name (navstart.exe, netscape.exe, ...), the service name coming
// from FAKE_SERVICE.
//
//   --log FILE     appends "dde-ready", "window T", "created T", "poke T N"
//                  lines (T a tick count, N the bytes poked)
//   --no-dde       serves no DDE, so a kill conversation finds nobody
//   --refuse       answers a poke with "not processed"
//   --windows N    creates N named top-level windows, one second apart
//   --pokes N      exits after the N-th poke (default 1)
//   --child        the named window is the child of a nameless top-level one
//   --owned        the named window is owned by a nameless top-level one
//   --unnamed      the top-level window has no name at all
//   --lifetime MS  gives up after that long (default 30000)
//
// Exit code 0: poked as often as asked; 3: lifetime over; 2: set-up failed.

#include <windows.h>
#include <ddeml.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifndef FAKE_SERVICE
#error "FAKE_SERVICE names the DDE service of this fake browser"
#endif

namespace {

struct Options {
    std::string log;
    bool dde = true;
    bool refuse = false;
    int windows = 1;
    int pokes = 1;
    bool child = false;
    bool owned = false;
    bool unnamed = false;
    DWORD lifetimeMs = 30000;
};

Options g_options;
HANDLE g_ddeReady;
HANDLE g_exitNow;
DWORD g_ddeInstance;
HSZ g_topic;
LONG g_pokes;

void logLine(const char* format, ...) {
    if (g_options.log.empty()) return;
    char line[256];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    // One open, write and close per line, so a reader sees whole lines.
    HANDLE file =
        CreateFileA(g_options.log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(strlen(line)), &written, nullptr);
    WriteFile(file, "\n", 1, &written, nullptr);
    CloseHandle(file);
}

HDDEDATA CALLBACK serverCallback(UINT type, UINT format, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                                 ULONG_PTR, ULONG_PTR) {
    switch (type) {
        case XTYP_CONNECT:
            return reinterpret_cast<HDDEDATA>(DdeCmpStringHandles(hsz1, g_topic) == 0);
        case XTYP_POKE: {
            if (DdeCmpStringHandles(hsz2, g_topic) != 0) return DDE_FNOTPROCESSED;
            const DWORD size = data ? DdeGetData(data, nullptr, 0, 0) : 0;
            logLine("poke %lu %lu", GetTickCount(), size);
            if (g_options.refuse) return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
            if (InterlockedIncrement(&g_pokes) >= g_options.pokes) SetEvent(g_exitNow);
            return reinterpret_cast<HDDEDATA>(DDE_FACK);
        }
        default:
            return nullptr;
    }
}

DWORD WINAPI ddeServer(void*) {
    const DWORD flags = APPCLASS_STANDARD | CBF_FAIL_ADVISES | CBF_FAIL_REQUESTS |
                        CBF_FAIL_EXECUTES | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
    if (DdeInitializeA(&g_ddeInstance, serverCallback, flags, 0) != DMLERR_NO_ERROR) return 1;
    HSZ service = DdeCreateStringHandleA(g_ddeInstance, FAKE_SERVICE, CP_WINANSI);
    g_topic = DdeCreateStringHandleA(g_ddeInstance, "WWW_Exit", CP_WINANSI);
    if (!DdeNameService(g_ddeInstance, service, nullptr, DNS_REGISTER)) return 1;
    logLine("dde-ready");
    SetEvent(g_ddeReady);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}

void parse(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : "";
        if (a == "--log")
            g_options.log = next, ++i;
        else if (a == "--no-dde")
            g_options.dde = false;
        else if (a == "--refuse")
            g_options.refuse = true;
        else if (a == "--windows")
            g_options.windows = atoi(next), ++i;
        else if (a == "--pokes")
            g_options.pokes = atoi(next), ++i;
        else if (a == "--child")
            g_options.child = true;
        else if (a == "--owned")
            g_options.owned = true;
        else if (a == "--unnamed")
            g_options.unnamed = true;
        else if (a == "--lifetime")
            g_options.lifetimeMs = strtoul(next, nullptr, 10), ++i;
    }
}

// Dispatches messages (and so the hook's kill timers) until the exit event
// is set or the time is up; true when the event came.
bool pumpUntil(DWORD deadline) {
    for (;;) {
        const DWORD now = GetTickCount();
        const DWORD left = static_cast<LONG>(deadline - now) > 0 ? deadline - now : 0;
        const DWORD r = MsgWaitForMultipleObjects(1, &g_exitNow, FALSE, left, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) return true;
        if (r == WAIT_TIMEOUT) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

HWND createBrowserWindow(HINSTANCE instance, const char* className) {
    HWND parent = nullptr;
    DWORD style = WS_OVERLAPPEDWINDOW;
    if (g_options.child || g_options.owned) {
        parent = CreateWindowExA(0, className, nullptr, WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                                 nullptr, nullptr, instance, nullptr);
        style = g_options.child ? WS_CHILD | WS_VISIBLE : WS_POPUP;
    }
    const char* name = g_options.unnamed ? nullptr : "Fake Browser";
    logLine("window %lu", GetTickCount());
    HWND window = CreateWindowExA(0, className, name, style, 10, 10, 200, 100, parent, nullptr,
                                  instance, nullptr);
    logLine("created %lu", GetTickCount());
    return window;
}

}  // namespace

int main(int argc, char** argv) {
    parse(argc, argv);
    const DWORD deadline = GetTickCount() + g_options.lifetimeMs;
    g_exitNow = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_ddeReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);

    if (g_options.dde) {
        HANDLE server = CreateThread(nullptr, 0, ddeServer, nullptr, 0, nullptr);
        HANDLE waits[] = {g_ddeReady, server};
        if (WaitForMultipleObjects(2, waits, FALSE, 10000) != WAIT_OBJECT_0) return 2;
    }

    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA cls = {};
    cls.lpfnWndProc = DefWindowProcA;
    cls.hInstance = instance;
    cls.lpszClassName = "FakeBrowserWindow";
    if (!RegisterClassA(&cls)) return 2;

    for (int i = 0; i < g_options.windows; ++i) {
        if (i > 0 && pumpUntil(GetTickCount() + 1000)) return 0;
        if (!createBrowserWindow(instance, cls.lpszClassName)) return 2;
    }
    return pumpUntil(deadline) ? 0 : 3;
}
