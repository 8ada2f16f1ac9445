#include "tools/browser_host/window_thread.h"

#include <ole2.h>

#include <mutex>

namespace tb::host {

namespace {

constexpr wchar_t kJobClass[] = L"TamberlyHostJobs";
constexpr UINT kRunJob = WM_APP + 1;
constexpr UINT kEndThread = WM_APP + 2;

struct Job {
    const std::function<void()>* body;
    HANDLE done;
};

}  // namespace

LRESULT CALLBACK WindowThread::jobProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunJob) {
        Job* job = reinterpret_cast<Job*>(lParam);
        (*job->body)();
        SetEvent(job->done);
        return 0;
    }
    if (message == kEndThread) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

WindowThread::WindowThread() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = jobProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kJobClass;
        RegisterClassW(&wc);
    });
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this, ready] { main(ready); });
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
}

WindowThread::~WindowThread() {
    if (jobs_) PostMessageW(jobs_, kEndThread, 0, 0);
    if (thread_.joinable()) thread_.join();
}

void WindowThread::main(HANDLE ready) {
    OleInitialize(nullptr);
    id_ = GetCurrentThreadId();
    // A message-only window: its messages are delivered inside the modal
    // loops of message boxes and COM calls too, unlike thread messages.
    jobs_ = CreateWindowExW(0, kJobClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    SetEvent(ready);
    if (jobs_) {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        DestroyWindow(jobs_);
    }
    CoFreeUnusedLibraries();
    OleUninitialize();
}

bool WindowThread::run(const std::function<void()>& job, const std::function<void()>& waiting,
                       DWORD timeoutMs) {
    if (!jobs_) return false;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Job posted{&job, done};
    if (!PostMessageW(jobs_, kRunJob, 0, reinterpret_cast<LPARAM>(&posted))) {
        CloseHandle(done);
        return false;
    }
    const ULONGLONG start = GetTickCount64();
    bool finished = false;
    for (;;) {
        if (WaitForSingleObject(done, 10) == WAIT_OBJECT_0) {
            finished = true;
            break;
        }
        waiting();
        if (GetTickCount64() - start > timeoutMs) break;
    }
    // A job that did not finish still refers to `posted`: the caller ends
    // the process rather than return.
    if (finished) CloseHandle(done);
    return finished;
}

}  // namespace tb::host
