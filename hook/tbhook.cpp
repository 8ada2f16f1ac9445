// tbhook.dll: the system-wide WH_CBT hook that watches top-level windows
// being created, recognises unsupported browsers by their module, warns once
// and tells the browser over DDE to exit.
//
// The hook procedure runs inside whichever process creates a window, so the
// library is loaded into many processes. What they must agree on lives in the
// shared section; everything else is per process, or per thread where DDE
// needs it.

#include "hook/tbhook.h"

#include <windows.h>
#include <ddeml.h>

#include "hook/browser_match.h"
#include "hook/resource.h"
#include "hook/shared_data.h"

// One copy for all processes, laid out by tbhook.ld. Each field is written
// with one store and no lock: the last writer wins.
extern "C" volatile tb::hook::SharedData tbHookShared;

namespace tb::hook {
namespace {

// Gives the section its flags (readable, writable, shared); adds no bytes.
__attribute__((section(".TBHookD"), shared, used)) char sharedSectionFlags[0] = {};

volatile SharedData& g_shared = tbHookShared;

constexpr char kFoundBrowserMessage[] = "THFoundBrowser";
constexpr char kOperaService[] = "Opera";
constexpr char kExitName[] = "WWW_Exit";  // topic and item of the kill conversation
constexpr char kWarningCaption[] = "Unsupported Browser Warning";
constexpr UINT kKillDelayMs = 5000;
constexpr DWORD kPokeTimeoutMs = 60000;
constexpr int kWarningBufferChars = 499;

// Per process.
HINSTANCE g_instance;
// The Netscape-family name matched last in this process.
const char* g_netscapeName;
// This process installed the hook: the hook dies with it, so must the record.
bool g_installedHere;

// Per thread. A DDE instance serves only the thread that set it up, and the
// kill timer runs on the thread that created the browser's window, so each
// such thread has its own instance and string handles.
struct DdeState {
    DWORD instance;
    HSZ operaService;
    HSZ exitName;
    HSZ netscapeService;
    const char* netscapeServiceName;  // what netscapeService was made from
};
thread_local DdeState t_dde;
// The warning box is being shown on this thread. The box is a named
// top-level window of its own, created (by some systems) with the program's
// instance, and must not be taken for another browser window.
thread_local bool t_warning;

uint32_t handleBits(const void* handle) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle));
}

// 32-bit handle values sign-extend, as HandleToLong/LongToHandle do.
HHOOK sharedHook() {
    return reinterpret_cast<HHOOK>(static_cast<intptr_t>(static_cast<int32_t>(g_shared.hook)));
}

bool isSystemLeadByte(unsigned char c) {
    return IsDBCSLeadByte(c) != FALSE;
}

// A class given by atom has no name here; none of those is the one we skip.
std::string_view className(const char* lpszClass) {
    return IS_INTRESOURCE(lpszClass) ? std::string_view() : std::string_view(lpszClass);
}

HDDEDATA CALLBACK ddeCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

void freeHsz(HSZ& hsz) {
    if (hsz && t_dde.instance) DdeFreeStringHandle(t_dde.instance, hsz);
    hsz = nullptr;
}

HSZ netscapeServiceHsz() {
    if (!g_netscapeName || !t_dde.instance) return nullptr;
    if (t_dde.netscapeServiceName != g_netscapeName || !t_dde.netscapeService) {
        freeHsz(t_dde.netscapeService);
        t_dde.netscapeService = DdeCreateStringHandleA(t_dde.instance, g_netscapeName, CP_WINANSI);
        t_dde.netscapeServiceName = g_netscapeName;
    }
    return t_dde.netscapeService;
}

void killConversation(HSZ service) {
    // No service name means no browser to talk to; a null name would be a
    // wildcard that reaches any server offering the topic.
    HCONV conversation = (service && t_dde.exitName)
                             ? DdeConnect(t_dde.instance, service, t_dde.exitName, nullptr)
                             : nullptr;
    if (!conversation) {
        OutputDebugStringA("DDE connect failed\n");
        return;
    }
    if (!DdeClientTransaction(nullptr, 0, conversation, t_dde.exitName, CF_TEXT, XTYP_POKE,
                              kPokeTimeoutMs, nullptr)) {
        OutputDebugStringA("DDE transaction failed\n");
    }
    DdeDisconnect(conversation);
    g_shared.warned = 0;
}

void CALLBACK killNetscapeFamily(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    killConversation(netscapeServiceHsz());
}

void CALLBACK killOpera(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    killConversation(t_dde.operaService);
}

void showWarning() {
    char text[kWarningBufferChars] = {};
    LoadStringA(g_instance, IDS_UNSUPPORTED_BROWSER, text, kWarningBufferChars);
    t_warning = true;
    MessageBoxA(nullptr, text, kWarningCaption, MB_OK | MB_ICONWARNING | MB_TOPMOST);
    t_warning = false;
}

void react(BrowserKind kind) {
    if (!g_shared.filterOn) return;
    if (!t_dde.instance) THInitialize(nullptr);
    THKillBrowser(static_cast<unsigned>(kind));
    if (!g_shared.warned) {
        g_shared.warned = 1;
        // Shown from inside the hook: the browser's window waits for the
        // user, while the box's message loop still lets the kill timer fire.
        showWarning();
    }
}

void examineWindow(HINSTANCE module) {
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length > MAX_PATH) return;
    const Browser browser = recogniseBrowser(std::string_view(path, length), isSystemLeadByte);
    if (browser.kind == BrowserKind::None) return;
    if (browser.kind == BrowserKind::NetscapeFamily) g_netscapeName = browser.service;
    react(browser.kind);
}

// The window whose creation this thread's hook is passing on down the
// chain; set only while it does.
thread_local HWND t_passingOn;

// The hook procedure sits alone in .init, which the linker puts first in the
// image: at the same offset (0x1000) in both bitnesses, checked at build
// time (check_hook_procedure.cmake). Some systems (Wine) call a hook of the
// other bitness by loading its library's path in the creating process and
// taking the procedure at the same offset from its base: with a library of
// each bitness under the same path (system32 and syswow64), that lands here,
// in the library of the right bitness. The hook of each bitness then runs
// here once for the same window; only the first reacts.
__attribute__((section(".init"))) LRESULT CALLBACK cbtProc(int code, WPARAM wParam,
                                                               LPARAM lParam) {
    const HWND window = reinterpret_cast<HWND>(wParam);
    if (code != HCBT_CREATEWND || window == t_passingOn)
        return CallNextHookEx(sharedHook(), code, wParam, lParam);
    const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
    if (create && !t_warning &&
        isWatchedWindow(create->hwndParent != nullptr, create->lpszName != nullptr,
                        className(create->lpszClass))) {
        examineWindow(create->hInstance);
    }
    const HWND outer = t_passingOn;
    t_passingOn = window;
    const LRESULT result = CallNextHookEx(sharedHook(), code, wParam, lParam);
    t_passingOn = outer;
    return result;
}

}  // namespace
}  // namespace tb::hook

using namespace tb::hook;

extern "C" {

unsigned __cdecl THInitialize(HWND owner) {
    // A thread keeps the one DDE instance it set up; a repeated call does not
    // start (and leak) another.
    if (!t_dde.instance) {
        DWORD instance = 0;
        if (DdeInitializeA(&instance, ddeCallback, APPCMD_CLIENTONLY | CBF_SKIP_ALLNOTIFICATIONS,
                           0) != DMLERR_NO_ERROR) {
            OutputDebugStringA("DDE Init failed\n");
            return 0;
        }
        t_dde.instance = instance;
        t_dde.operaService = DdeCreateStringHandleA(instance, kOperaService, CP_WINANSI);
        t_dde.exitName = DdeCreateStringHandleA(instance, kExitName, CP_WINANSI);
    }

    const UINT message = RegisterWindowMessageA(kFoundBrowserMessage);
    g_shared.foundBrowserMessage = message;
    if (!message) return 0;

    if (!g_shared.hook) {
        HHOOK hook = SetWindowsHookExA(WH_CBT, cbtProc, g_instance, 0);
        g_shared.hook = handleBits(hook);
        if (!hook) return 0;
        g_installedHere = true;
    }
    g_shared.owner = handleBits(owner);
    return message;
}

void __cdecl THUninitialize() {
    freeHsz(t_dde.netscapeService);
    freeHsz(t_dde.operaService);
    freeHsz(t_dde.exitName);
    if (t_dde.instance) DdeUninitialize(t_dde.instance);
    t_dde = DdeState{};
    if (g_shared.hook && UnhookWindowsHookEx(sharedHook())) {
        g_shared.hook = 0;
        g_installedHere = false;
    }
}

void __cdecl THKillBrowser(unsigned kind) {
    TIMERPROC kill = nullptr;
    if (kind == static_cast<unsigned>(BrowserKind::NetscapeFamily)) kill = killNetscapeFamily;
    if (kind == static_cast<unsigned>(BrowserKind::Opera)) kill = killOpera;
    if (kill) SetTimer(nullptr, 0, kKillDelayMs, kill);
}

void __cdecl THFilterOn(bool on) {
    g_shared.filterOn = on ? 1 : 0;
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        g_shared.instance = handleBits(instance);
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && g_installedHere) {
        // Windows removes a hook when its owner goes; a stale handle left in
        // the shared record would keep a restarted service from installing
        // a new one.
        g_shared.hook = 0;
    }
    return TRUE;
}
