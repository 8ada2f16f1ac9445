// A thread of the host's browser process: a single-threaded apartment with
// a message loop on which windows live and on which the script's commands
// for them run, one at a time.
#pragma once

#include <windows.h>

#include <functional>
#include <thread>

namespace tb::host {

class WindowThread {
  public:
    WindowThread();
    ~WindowThread();
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;

    bool started() const { return jobs_ != nullptr; }
    DWORD id() const { return id_; }

    // Runs the job on the thread and waits for it, calling `waiting` about
    // every 10 ms meanwhile (message boxes of the thread are answered from
    // there). False when the job did not end within the timeout.
    bool run(const std::function<void()>& job, const std::function<void()>& waiting,
             DWORD timeoutMs);

  private:
    void main(HANDLE ready);
    static LRESULT CALLBACK jobProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::thread thread_;
    DWORD id_ = 0;
    HWND jobs_ = nullptr;
};

}  // namespace tb::host
