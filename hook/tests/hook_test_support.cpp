#include "hook/tests/hook_test_support.h"

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "hook/tbhook.h"
#include "service/process/tests/wine_test_support.h"

namespace tb::hook::test {
namespace {

constexpr wchar_t kWarningCaptionW[] = L"Unsupported Browser Warning";
constexpr int kMessageBoxTextId = 0xFFFF;

DWORD elapsedSince(DWORD tick) {
    return GetTickCount() - tick;
}

// Waits keep this thread's messages moving: its windows (the DDE window of
// the library, parents of test windows) get messages sent from elsewhere.
template <typename Predicate>
bool waitUntil(DWORD timeoutMs, Predicate done) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (elapsedSince(start) >= timeoutMs) return false;
        pumpMessages(20);
    }
}

std::string ensureDirectory(const std::string& name) {
    const std::string dir = testDirectory() + "\\" + name;
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

}  // namespace

std::string testDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\'));
}

bool runningUnderWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

// --- DebugOutput ---------------------------------------------------------

DebugOutput& DebugOutput::instance() {
    static DebugOutput* output = new DebugOutput;  // lives as long as the process
    return *output;
}

DebugOutput::DebugOutput() {
    AddVectoredExceptionHandler(1, onException);
    // The system-wide channel: the writer waits for "buffer ready", copies
    // its process id and text into the buffer and signals "data ready".
    CreateMutexA(nullptr, FALSE, "DBWinMutex");
    HANDLE mapping =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, "DBWIN_BUFFER");
    if (mapping)
        buffer_ = static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 4096));
    bufferReady_ = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
    dataReady_ = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
    if (buffer_ && bufferReady_ && dataReady_) std::thread([this] { monitor(); }).detach();
}

LONG CALLBACK DebugOutput::onException(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
        const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        const size_t length = record->ExceptionInformation[0];
        if (text && length > 0) {
            instance().add(
                {GetCurrentProcessId(), GetCurrentThreadId(), std::string(text, length - 1)});
        }
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

void DebugOutput::monitor() {
    for (;;) {
        SetEvent(bufferReady_);
        if (WaitForSingleObject(dataReady_, INFINITE) != WAIT_OBJECT_0) return;
        DWORD pid = 0;
        memcpy(&pid, buffer_, sizeof pid);
        const char* text = buffer_ + sizeof pid;
        add({pid, 0, std::string(text, strnlen(text, 4096 - sizeof pid))});
    }
}

void DebugOutput::add(Line line) {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(std::move(line));
}

int DebugOutput::countFromProcess(DWORD pid, const std::string& text) const {
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (const Line& l : lines_) n += (l.tid == 0 && l.pid == pid && l.text == text);
    return n;
}

int DebugOutput::countFromThread(DWORD tid, const std::string& text) const {
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (const Line& l : lines_) n += (l.tid == tid && l.text == text);
    return n;
}

bool DebugOutput::waitFromProcess(DWORD pid, const std::string& text, DWORD timeoutMs) const {
    return waitUntil(timeoutMs, [&] { return countFromProcess(pid, text) > 0; });
}

// --- SharedSection -------------------------------------------------------

SharedSection findSharedSection(HMODULE library) {
    SharedSection found;
    if (!library) return found;
    auto* base = reinterpret_cast<BYTE*>(library);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (strncmp(reinterpret_cast<const char*>(section->Name), kSharedSectionName,
                    IMAGE_SIZEOF_SHORT_NAME) == 0) {
            found.data = reinterpret_cast<volatile SharedData*>(base + section->VirtualAddress);
            found.virtualSize = section->Misc.VirtualSize;
            found.characteristics = section->Characteristics;
        }
    }
    return found;
}

// --- WarningBoxWatcher ---------------------------------------------------

WarningBoxWatcher::WarningBoxWatcher() : thread_([this] { run(); }) {}

WarningBoxWatcher::~WarningBoxWatcher() {
    stop_ = true;
    thread_.join();
}

void WarningBoxWatcher::run() {
    while (!stop_) {
        std::vector<HWND> windows;
        EnumWindows(
            [](HWND window, LPARAM param) CALLBACK -> BOOL {
                // InternalGetWindowText sends nothing, so a window whose
                // thread is busy cannot block the watcher.
                WCHAR caption[64] = {};
                InternalGetWindowText(window, caption, 64);
                if (wcscmp(caption, kWarningCaptionW) == 0) {
                    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&windows));

        std::vector<HWND> due;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (HWND window : windows) {
                bool known = false;
                for (HWND h : handled_) known = known || h == window;
                for (const Pending& p : pending_) known = known || p.window == window;
                if (known) continue;
                WarningBox box = {};
                box.tid = GetWindowThreadProcessId(window, &box.pid);
                char text[600] = {};
                DWORD_PTR copied = 0;
                SendMessageTimeoutA(GetDlgItem(window, kMessageBoxTextId), WM_GETTEXT, sizeof text,
                                    reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &copied);
                box.text = text;
                box.exStyle = GetWindowLongA(window, GWL_EXSTYLE);
                box.owner = GetWindow(window, GW_OWNER);
                boxes_.push_back(box);
                pending_.push_back({window, GetTickCount()});
            }
            for (auto it = pending_.begin(); it != pending_.end();) {
                if (elapsedSince(it->seenAt) >= dismissDelayMs_) {
                    due.push_back(it->window);
                    handled_.push_back(it->window);
                    it = pending_.erase(it);
                } else {
                    ++it;
                }
            }
        }
        for (HWND window : due) {
            DWORD_PTR result = 0;
            SendMessageTimeoutA(GetDlgItem(window, IDOK), BM_CLICK, 0, 0, SMTO_NORMAL, 5000,
                                &result);
        }
        Sleep(20);
    }
}

std::vector<WarningBox> WarningBoxWatcher::boxes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
}

void WarningBoxWatcher::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    boxes_.clear();
}

int WarningBoxWatcher::countFromProcess(DWORD pid) const {
    int n = 0;
    for (const WarningBox& b : boxes()) n += b.pid == pid;
    return n;
}

int WarningBoxWatcher::countFromThread(DWORD tid) const {
    int n = 0;
    for (const WarningBox& b : boxes()) n += b.tid == tid;
    return n;
}

bool WarningBoxWatcher::waitForBox(DWORD pid, DWORD timeoutMs) const {
    return waitUntil(timeoutMs, [&] { return countFromProcess(pid) > 0; });
}

// --- FakeBrowser ---------------------------------------------------------

FakeBrowser::FakeBrowser(const std::string& program, const std::string& arguments) {
    static std::atomic<int> serial{0};
    const std::string dir = ensureDirectory("hook_test_logs");
    const bool fullPath = program.find('\\') != std::string::npos;
    const std::string path = fullPath ? program : testDirectory() + "\\" + program;
    log_ = dir + "\\" + path.substr(path.find_last_of('\\') + 1) + "-" +
           std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++) + ".log";
    DeleteFileA(log_.c_str());
    std::string command = "\"" + path + "\" --log \"" + log_ + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!tb::testing::startProcess(path.c_str(), command, FALSE, startup, process_)) process_ = {};
}

FakeBrowser::~FakeBrowser() {
    if (!process_.hProcess) return;
    if (running()) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

std::vector<DWORD> FakeBrowser::ticks(const std::string& event) const {
    std::vector<DWORD> found;
    std::ifstream in(log_);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string word;
        DWORD tick = 0;
        if (words >> word && word == event) {
            words >> tick;
            found.push_back(tick);
        }
    }
    return found;
}

bool FakeBrowser::waitForEvent(const std::string& event, DWORD timeoutMs) const {
    return waitUntil(timeoutMs, [&] { return !ticks(event).empty(); });
}

bool FakeBrowser::running() const {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD FakeBrowser::waitForExit(DWORD timeoutMs) const {
    if (!process_.hProcess) return STILL_ACTIVE;
    waitPumping(process_.hProcess, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

// --- modules and windows -------------------------------------------------

HMODULE moduleNamed(const std::string& fileName) {
    static std::map<std::string, HMODULE> loaded;
    auto it = loaded.find(fileName);
    if (it != loaded.end()) return it->second;
    const std::string path = ensureDirectory("hook_test_modules") + "\\" + fileName;
    CopyFileA((testDirectory() + "\\fakemodule.dll").c_str(), path.c_str(), FALSE);
    // A trailing dot keeps the loader from adding ".dll" to a bare name.
    const bool bare = fileName.find('.') == std::string::npos;
    HMODULE module = LoadLibraryA((bare ? path + "." : path).c_str());
    loaded[fileName] = module;
    return module;
}

void pumpMessages(DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        const DWORD elapsed = elapsedSince(start);
        if (elapsed >= ms) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    }
}

bool waitPumping(HANDLE handle, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = elapsedSince(start);
        const DWORD left = elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
        const DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) return true;
        if (r != WAIT_OBJECT_0 + 1) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

void sleepPumping(DWORD ms) {
    pumpMessages(ms);
}

// --- threads of their own -------------------------------------------------

TestThread::~TestThread() {
    join();
    if (ready_) CloseHandle(ready_);
}

void TestThread::start() {
    ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, &TestThread::entry, this, 0, &tid_);
    if (thread_) waitPumping(ready_, 60000);
}

DWORD WINAPI TestThread::entry(void* self) {
    static_cast<TestThread*>(self)->body();
    return 0;
}

void TestThread::join() {
    if (!thread_) return;
    waitPumping(thread_, 60000);
    CloseHandle(thread_);
    thread_ = nullptr;
}

WindowThread::WindowThread(WindowShape shape) : shape_(shape) {
    start();
}

void WindowThread::body() {
    HWND window = CreateWindowExA(0, "STATIC", shape_.name, shape_.style, 0, 0, 100, 100,
                                  shape_.parent, nullptr, shape_.module, nullptr);
    created_ = window != nullptr;
    SetEvent(ready_);
    pumpMessages(shape_.pumpMs);
    if (window) DestroyWindow(window);
}

}  // namespace tb::hook::test
