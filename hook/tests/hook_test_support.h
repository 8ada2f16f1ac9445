// What the hook tests watch and drive: debug output of every process, the
// hook library's shared section, the warning boxes, fake browser processes
// and windows created here with the module of a would-be browser.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hook/shared_data.h"

namespace tb::hook::test {

std::string testDirectory();  // where the test program and the fakes are

bool runningUnderWine();

// Debug output: of other processes through the system-wide debug-output
// buffer (by process), of this process also through a vectored exception
// handler (by thread).
class DebugOutput {
  public:
    static DebugOutput& instance();
    // Lines with exactly `text` from process `pid` (any process's own output).
    int countFromProcess(DWORD pid, const std::string& text) const;
    // Lines with exactly `text` from thread `tid` of this process.
    int countFromThread(DWORD tid, const std::string& text) const;
    bool waitFromProcess(DWORD pid, const std::string& text, DWORD timeoutMs) const;

  private:
    struct Line {
        DWORD pid;
        DWORD tid;  // 0: came through the system-wide buffer
        std::string text;
    };
    DebugOutput();
    static LONG CALLBACK onException(EXCEPTION_POINTERS* info);
    void monitor();
    void add(Line line);

    mutable std::mutex mutex_;
    std::vector<Line> lines_;
    HANDLE bufferReady_ = nullptr;
    HANDLE dataReady_ = nullptr;
    const char* buffer_ = nullptr;
};

// The shared section as this process maps it, found by name in the loaded
// library's section table.
struct SharedSection {
    volatile SharedData* data = nullptr;
    DWORD virtualSize = 0;
    DWORD characteristics = 0;
};
SharedSection findSharedSection(HMODULE library);

// Finds every warning box on the desktop, records it and (after a delay)
// presses its OK button.
struct WarningBox {
    DWORD pid;
    DWORD tid;
    std::string text;
    LONG exStyle;
    HWND owner;
};

class WarningBoxWatcher {
  public:
    WarningBoxWatcher();
    ~WarningBoxWatcher();
    void setDismissDelay(DWORD ms) { dismissDelayMs_ = ms; }
    std::vector<WarningBox> boxes() const;
    void clear();
    int countFromProcess(DWORD pid) const;
    int countFromThread(DWORD tid) const;
    bool waitForBox(DWORD pid, DWORD timeoutMs) const;

  private:
    void run();
    struct Pending {
        HWND window;
        DWORD seenAt;
    };
    mutable std::mutex mutex_;
    std::vector<WarningBox> boxes_;
    std::vector<Pending> pending_;
    std::vector<HWND> handled_;
    std::atomic<bool> stop_{false};
    std::atomic<DWORD> dismissDelayMs_{100};
    std::thread thread_;
};

// One fake browser process with its event log. `program` is a file of the
// test's directory, or a full path.
class FakeBrowser {
  public:
    FakeBrowser(const std::string& program, const std::string& arguments = "");
    ~FakeBrowser();
    FakeBrowser(const FakeBrowser&) = delete;
    FakeBrowser& operator=(const FakeBrowser&) = delete;

    DWORD pid() const { return process_.dwProcessId; }
    bool started() const { return process_.hProcess != nullptr; }
    // Tick counts of the log lines beginning with `event` ("window", "poke").
    std::vector<DWORD> ticks(const std::string& event) const;
    bool waitForEvent(const std::string& event, DWORD timeoutMs) const;
    bool running() const;
    // Exit code, or STILL_ACTIVE when it did not end in time.
    DWORD waitForExit(DWORD timeoutMs) const;

  private:
    std::string log_;
    PROCESS_INFORMATION process_ = {};
};

// A copy of the test's small DLL under `fileName`, loaded, so that a window
// created with its instance looks as if a browser module created it.
HMODULE moduleNamed(const std::string& fileName);

// A thread of its own for something that must happen off the test's
// thread; start() returns once the body has set ready_, join() waits for it
// to end. Both keep the calling thread's messages moving meanwhile.
class TestThread {
  public:
    virtual ~TestThread();
    DWORD tid() const { return tid_; }
    void join();

  protected:
    void start();
    virtual void body() = 0;
    HANDLE ready_ = nullptr;

  private:
    static DWORD WINAPI entry(void* self);
    HANDLE thread_ = nullptr;
    DWORD tid_ = 0;
};

// Creates a window; the thread then dispatches messages for `pumpMs` (so
// kill timers can fire), destroys the window and ends. Constructed once the
// window exists.
struct WindowShape {
    HMODULE module = nullptr;
    const char* name = "Fake Browser";
    HWND parent = nullptr;
    DWORD style = WS_OVERLAPPEDWINDOW;
    DWORD pumpMs = 0;
};
class WindowThread : public TestThread {
  public:
    explicit WindowThread(WindowShape shape);
    ~WindowThread() override { join(); }
    bool created() const { return created_; }

  private:
    void body() override;
    WindowShape shape_;
    bool created_ = false;
};

void pumpMessages(DWORD ms);
bool waitPumping(HANDLE handle, DWORD timeoutMs);
void sleepPumping(DWORD ms);

}  // namespace tb::hook::test
